#include "Views/ItemListAccessible.h"

#include <QAbstractItemView>
#include <QListView>
#include <QPointer>

namespace mivo {

namespace {

// One row of a list, for as long as the row is there.
class ItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ItemAccessible(QAbstractItemView* view, const QModelIndex& index, QAccessible::Role role)
        : m_view(view)
        , m_index(index)
        , m_role(role)
        , m_expanded(expanded())
        , m_picked(picked())
    {
    }

    bool isValid() const override { return m_view && m_index.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return m_role; }
    void setText(QAccessible::Text, const QString&) override { }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name: {
            const QString text = m_index.data(Qt::AccessibleTextRole).toString();
            return text.isEmpty() ? m_index.data(Qt::DisplayRole).toString() : text;
        }
        case QAccessible::Description:
            return m_index.data(Qt::AccessibleDescriptionRole).toString();
        case QAccessible::Help:
            return m_index.data(Qt::ToolTipRole).toString();
        default:
            return {};
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect shown = m_view->visualRect(m_index);
        return shown.translated(m_view->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const Qt::ItemFlags flags = m_index.flags();
        if (!flags.testFlag(Qt::ItemIsEnabled) || !m_view->isEnabled())
            state.disabled = true;
        if (!m_view->viewport()->rect().intersects(m_view->visualRect(m_index)))
            state.offscreen = true;
        if (flags.testFlag(Qt::ItemIsSelectable)) {
            state.selectable = true;
            state.focusable = true;
            if (m_view->selectionMode() == QAbstractItemView::ExtendedSelection)
                state.extSelectable = true;
            if (m_view->selectionMode() == QAbstractItemView::MultiSelection)
                state.multiSelectable = true;
        }
        if (const std::optional<bool> chosen = picked())
            state.selected = *chosen;
        else if (m_view->selectionModel())
            state.selected = m_view->selectionModel()->isSelected(m_index);
        if (m_view->hasFocus() && m_view->currentIndex() == m_index)
            state.focused = true;
        const QVariant check = m_index.data(Qt::CheckStateRole);
        if (check.isValid() && flags.testFlag(Qt::ItemIsUserCheckable)) {
            state.checkable = true;
            state.checked = check.toInt() == Qt::Checked;
        }
        if (const std::optional<bool> open = expanded()) {
            state.expandable = true;
            state.expanded = *open;
            state.collapsed = !*open;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override
    {
        if (!isValid())
            return {};
        QStringList names;
        if (m_index.flags().testFlag(Qt::ItemIsSelectable))
            names << setFocusAction();
        return names;
    }

    void doAction(const QString& name) override
    {
        if (!isValid() || name != setFocusAction())
            return;
        m_view->setFocus(Qt::OtherFocusReason);
        m_view->setCurrentIndex(m_index);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    const QPersistentModelIndex& index() const { return m_index; }

    std::optional<bool> expanded() const
    {
        const QVariant open = m_index.isValid() ? m_index.data(ItemListAccessible::ExpandedRole) : QVariant();
        return open.isValid() ? std::optional<bool>(open.toBool()) : std::nullopt;
    }

    std::optional<bool> picked() const
    {
        const QVariant chosen
            = m_index.isValid() ? m_index.data(ItemListAccessible::SelectedRole) : QVariant();
        return chosen.isValid() ? std::optional<bool>(chosen.toBool()) : std::nullopt;
    }

    // What of the row's model-given states changed since it was last asked.
    QAccessible::State takeChanges()
    {
        QAccessible::State changed;
        const std::optional<bool> open = expanded();
        if (open != m_expanded) {
            changed.expanded = true;
            changed.collapsed = true;
        }
        const std::optional<bool> chosen = picked();
        if (chosen != m_picked)
            changed.selected = true;
        m_expanded = open;
        m_picked = chosen;
        return changed;
    }

private:
    QPointer<QAbstractItemView> m_view;
    QPersistentModelIndex m_index;
    QAccessible::Role m_role;
    std::optional<bool> m_expanded;
    std::optional<bool> m_picked;
};

ItemAccessible* asItem(QAccessibleInterface* iface)
{
    return static_cast<ItemAccessible*>(iface);
}

} // namespace

ItemListAccessible::ItemListAccessible(
    QAbstractItemView* view, QAccessible::Role role, QAccessible::Role itemRole)
    : QAccessibleWidget(view, role)
    , m_itemRole(itemRole)
{
    follow();
}

ItemListAccessible::~ItemListAccessible()
{
    QObject::disconnect(m_dataChanged);
    for (const QAccessible::Id id : std::as_const(m_items))
        QAccessible::deleteAccessibleInterface(id);
}

QAbstractItemView* ItemListAccessible::view() const
{
    return static_cast<QAbstractItemView*>(widget());
}

void ItemListAccessible::follow() const
{
    if (m_model == view()->model())
        return;
    QObject::disconnect(m_dataChanged);
    for (const QAccessible::Id id : std::as_const(m_items))
        QAccessible::deleteAccessibleInterface(id);
    m_items.clear();
    m_model = view()->model();
    if (!m_model)
        return;
    auto* self = const_cast<ItemListAccessible*>(this);
    m_dataChanged = QObject::connect(m_model, &QAbstractItemModel::dataChanged, view(),
        [self](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
            self->rowsChanged(topLeft, bottomRight);
        });
}

void ItemListAccessible::forgetStaleItems() const
{
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (it.key().isValid()) {
            ++it;
            continue;
        }
        QAccessible::deleteAccessibleInterface(it.value());
        it = m_items.erase(it);
    }
}

int ItemListAccessible::childCount() const
{
    follow();
    return m_model ? m_model->rowCount(view()->rootIndex()) : 0;
}

QAccessibleInterface* ItemListAccessible::itemFor(const QModelIndex& index) const
{
    if (!index.isValid())
        return nullptr;
    const auto found = m_items.constFind(QPersistentModelIndex(index));
    if (found != m_items.constEnd())
        return QAccessible::accessibleInterface(found.value());
    if (m_items.size() >= m_model->rowCount(view()->rootIndex()))
        forgetStaleItems();
    auto* item = new ItemAccessible(view(), index, m_itemRole);
    m_items.insert(QPersistentModelIndex(index), QAccessible::registerAccessibleInterface(item));
    return item;
}

QAccessibleInterface* ItemListAccessible::child(int index) const
{
    follow();
    if (!m_model || index < 0 || index >= m_model->rowCount(view()->rootIndex()))
        return nullptr;
    return itemFor(m_model->index(index, 0, view()->rootIndex()));
}

int ItemListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child || child->object() || child->parent() != this)
        return -1;
    const QPersistentModelIndex& index = asItem(const_cast<QAccessibleInterface*>(child))->index();
    return index.isValid() ? index.row() : -1;
}

QAccessibleInterface* ItemListAccessible::focusChild() const
{
    if (!view()->hasFocus())
        return nullptr;
    follow();
    return m_model ? itemFor(view()->currentIndex()) : nullptr;
}

QAccessibleInterface* ItemListAccessible::childAt(int x, int y) const
{
    follow();
    const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
    return m_model ? itemFor(view()->indexAt(local)) : nullptr;
}

void ItemListAccessible::rowsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const auto found = m_items.constFind(QPersistentModelIndex(m_model->index(row, 0, topLeft.parent())));
        if (found == m_items.constEnd())
            continue;
        QAccessibleInterface* item = QAccessible::accessibleInterface(found.value());
        if (!item)
            continue;
        const QAccessible::State changed = asItem(item)->takeChanges();
        if (!changed.expanded && !changed.selected)
            continue;
        QAccessibleStateChangeEvent event(item, changed);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace mivo
