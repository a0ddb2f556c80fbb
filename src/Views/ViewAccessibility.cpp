#include "Views/ViewAccessibility.h"

#include "Views/ItemListAccessible.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFocusFrame>
#include <QFrame>
#include <QMenu>
#include <QSplitterHandle>
#include <QWidget>
#include <mutex>

namespace mivo::ViewAccessibility {

namespace {

constexpr const char* kRole = "mivoAccessibleRole";
constexpr const char* kHidden = "mivoAccessibleHidden";
constexpr const char* kPageTab = "mivoAccessiblePageTab";
constexpr const char* kItemRole = "mivoAccessibleItemRole";

bool isLeaf(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::StaticText:
    case QAccessible::Graphic:
    case QAccessible::Animation:
    case QAccessible::ProgressBar:
    case QAccessible::Indicator:
    case QAccessible::Separator:
        return true;
    default:
        return false;
    }
}

// A widget that lists, of its children, only those that show: not hidden, not
// a window of their own, not decoration, not the toolkit's own helpers (nor
// a splitter's handle, which only the pointer moves).
class ShownChildren : public QAccessibleWidget {
public:
    ShownChildren(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role)
        , m_leaf(isLeaf(role))
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        // A tool bar is named by its title, as a window is.
        if (t == QAccessible::Name && text.isEmpty() && role() == QAccessible::ToolBar)
            text = widget()->windowTitle();
        return text;
    }

    int childCount() const override { return int(shown().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children[index]);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(shown().indexOf(static_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> shown() const
    {
        QList<QWidget*> result;
        if (m_leaf)
            return result;
        for (QObject* object : widget()->children()) {
            if (!object->isWidgetType())
                continue;
            auto* child = static_cast<QWidget*>(object);
            if (child->isWindow() || child->isHidden() || ViewAccessibility::isHidden(child)
                || qobject_cast<QFocusFrame*>(child) || qobject_cast<QMenu*>(child)
                || qobject_cast<QSplitterHandle*>(child)
                || child->objectName() == QLatin1String("qt_rubberband"))
                continue;
            result.append(child);
        }
        return result;
    }

    bool m_leaf;
};

// One tab of a row of tabs: selected while its button is checked; choosing it
// is pressing it.
class PageTab : public QAccessibleWidget {
public:
    explicit PageTab(QAbstractButton* button)
        : QAccessibleWidget(button, QAccessible::PageTab)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            text = button()->text().remove(QLatin1Char('&'));
        return text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = false;
        state.checked = false;
        state.selectable = true;
        state.selected = button()->isChecked();
        return state;
    }

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QStringList actionNames() const override { return { pressAction() }; }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && button()->isEnabled())
            button()->click();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// A pop-up button: named by its label (the row's title) and giving its current
// choice as its value; its list is the one child.
class PopUp : public QAccessibleWidget {
public:
    explicit PopUp(QComboBox* box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty()) {
            const auto labels = relations(QAccessible::Label);
            if (!labels.isEmpty() && labels.first().first)
                text = labels.first().first->text(QAccessible::Name);
        }
        return text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        const bool open = box()->view() && box()->view()->isVisible();
        state.expanded = open;
        state.collapsed = !open;
        return state;
    }

    int childCount() const override { return box()->view() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 && box()->view() ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && box()->view() && child->object() == box()->view() ? 0 : -1;
    }

    QStringList actionNames() const override { return { showMenuAction(), pressAction() }; }
    void doAction(const QString& name) override
    {
        if ((name == showMenuAction() || name == pressAction()) && box()->isEnabled())
            box()->showPopup();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessible::Role containerRole(const QString& className, const QWidget* widget)
{
    const bool window
        = widget->isWindow() && widget->windowType() != Qt::Popup && widget->windowType() != Qt::ToolTip;
    if (className == QLatin1String("QDialog"))
        return QAccessible::Dialog;
    if (className == QLatin1String("QToolBar"))
        return QAccessible::ToolBar;
    if (className == QLatin1String("QSplitter"))
        return QAccessible::Splitter;
    if (className == QLatin1String("QFrame")) {
        const auto shape = static_cast<const QFrame*>(widget)->frameShape();
        if (shape == QFrame::HLine || shape == QFrame::VLine)
            return QAccessible::Separator;
    }
    return window ? QAccessible::Window : QAccessible::Client;
}

bool isContainerClass(const QString& className)
{
    static const QStringList names { QStringLiteral("QWidget"), QStringLiteral("QFrame"),
        QStringLiteral("QStackedWidget"), QStringLiteral("QScrollArea"),
        QStringLiteral("QAbstractScrollArea"), QStringLiteral("QToolBar"), QStringLiteral("QSplitter"),
        QStringLiteral("QMainWindow"), QStringLiteral("QDialog") };
    return names.contains(className);
}

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // What a widget was told it is decides before anything its classes say.
    if (className == QLatin1String(object->metaObject()->className())) {
        if (widget->property(kPageTab).toBool())
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                return new PageTab(button);
        const QVariant role = widget->property(kRole);
        const QVariant itemRole = widget->property(kItemRole);
        if (role.isValid() && itemRole.isValid())
            if (auto* view = qobject_cast<QAbstractItemView*>(widget))
                return new ItemListAccessible(
                    view, QAccessible::Role(role.toInt()), QAccessible::Role(itemRole.toInt()));
        if (role.isValid())
            return new ShownChildren(widget, QAccessible::Role(role.toInt()));
    }
    if (className == QLatin1String("QComboBox"))
        return new PopUp(static_cast<QComboBox*>(widget));
    if (isContainerClass(className))
        return new ShownChildren(widget, containerRole(className, widget));
    return nullptr;
}

// Drops what the toolkit made of the widget before it was given its role (a
// widget tells of its name as it gets it, which makes its interface), so the
// next question is answered by the rules above.
void renew(QWidget* widget)
{
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

} // namespace

void install()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(factory); });
}

void setRole(QWidget* widget, QAccessible::Role role)
{
    install();
    widget->setProperty(kRole, int(role));
    renew(widget);
}

void hide(QWidget* widget)
{
    install();
    widget->setProperty(kHidden, true);
}

bool isHidden(const QWidget* widget)
{
    return widget->property(kHidden).toBool();
}

void setItemList(QAbstractItemView* view, QAccessible::Role role, QAccessible::Role itemRole)
{
    view->setProperty(kItemRole, int(itemRole));
    setRole(view, role);
}

void setPageTab(QAbstractButton* tab)
{
    install();
    tab->setProperty(kPageTab, true);
    renew(tab);
    // A tab is heard as selected, not checked.
    QObject::connect(tab, &QAbstractButton::toggled, tab, [tab] {
        if (!QAccessible::isActive())
            return;
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(tab, changed);
        QAccessible::updateAccessibility(&event);
    });
}

} // namespace mivo::ViewAccessibility
