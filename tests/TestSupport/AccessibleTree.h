#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QStringList>
#include <QWidget>
#include <QtTest>
#include <functional>

namespace mivo::test {

// A window as assistive technology walks it: from the window's interface down
// through the children each interface lists, as a screen reader reads the tree.
class AccessibleTree {
public:
    explicit AccessibleTree(QWidget* window)
        : m_root(QAccessible::queryAccessibleInterface(window))
    {
        QAccessible::setActive(true);
    }

    QAccessibleInterface* root() const { return m_root; }

    // Every interface under the root, depth first, the root first.
    QList<QAccessibleInterface*> all() const
    {
        QList<QAccessibleInterface*> found;
        collect(m_root, found, 0);
        return found;
    }

    // The first node of that role and name; none when the tree has none.
    QAccessibleInterface* find(QAccessible::Role role, const QString& name) const
    {
        for (QAccessibleInterface* node : all()) {
            if (node->role() == role && node->text(QAccessible::Name) == name)
                return node;
        }
        return nullptr;
    }

    // The nodes that stand for `object` (a widget in the tree is there once).
    bool contains(const QObject* object) const
    {
        for (QAccessibleInterface* node : all()) {
            if (node->object() == object)
                return true;
        }
        return false;
    }

    // The path of names from the root down to `node`, for messages.
    static QString describe(QAccessibleInterface* node)
    {
        QStringList parts;
        for (QAccessibleInterface* at = node; at; at = at->parent())
            parts.prepend(QStringLiteral("%1 '%2'").arg(roleName(at->role()), at->text(QAccessible::Name)));
        return parts.join(QStringLiteral(" > "));
    }

    static QString roleName(QAccessible::Role role)
    {
        return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
    }

    // The states a screen reader tells, as words.
    static QStringList stateWords(const QAccessible::State& state)
    {
        const std::pair<bool, const char*> words[] = {
            { bool(state.checkable), "checkable" },
            { bool(state.checked), "checked" },
            { bool(state.selectable), "selectable" },
            { bool(state.selected), "selected" },
            { bool(state.expandable), "expandable" },
            { bool(state.expanded), "expanded" },
            { bool(state.collapsed), "collapsed" },
            { bool(state.focusable), "focusable" },
            { bool(state.focused), "focused" },
            { bool(state.disabled), "disabled" },
            { bool(state.invisible), "invisible" },
        };
        QStringList result;
        for (const auto& [on, word] : words) {
            if (on)
                result << QString::fromLatin1(word);
        }
        return result;
    }

private:
    static void collect(QAccessibleInterface* node, QList<QAccessibleInterface*>& found, int depth)
    {
        if (!node || !node->isValid() || depth > 64)
            return;
        found.append(node);
        for (int i = 0; i < node->childCount(); ++i)
            collect(node->child(i), found, depth + 1);
    }

    QAccessibleInterface* m_root;
};

// A row of a window's table: what a screen reader must hear of one control.
struct HeardControl {
    QAccessible::Role role;
    QString name;
    // Compared when not null.
    QString value;
    // Each must be on; each of `off` must be off.
    QStringList on;
    QStringList off;
};

// Fails the test unless the tree holds the control with its role and name,
// value and states.
inline void verifyHeard(const AccessibleTree& tree, const HeardControl& control)
{
    QAccessibleInterface* node = tree.find(control.role, control.name);
    if (!node) {
        QStringList near;
        for (QAccessibleInterface* other : tree.all()) {
            if (other->text(QAccessible::Name) == control.name || other->role() == control.role)
                near << AccessibleTree::describe(other);
        }
        QFAIL(qPrintable(QStringLiteral("no %1 '%2' in the tree; nearby:\n  %3")
                             .arg(AccessibleTree::roleName(control.role), control.name,
                                 near.mid(0, 12).join(QStringLiteral("\n  ")))));
    }
    if (!control.value.isNull()) {
        QCOMPARE(node->text(QAccessible::Value), control.value);
        // A spoken percentage is also the gauge's value, out of 100.
        if (control.value.endsWith(QLatin1String(" percent"))) {
            QAccessibleValueInterface* gauge = node->valueInterface();
            QVERIFY2(gauge, qPrintable(AccessibleTree::describe(node) + QStringLiteral(" has no value")));
            QCOMPARE(gauge->currentValue().toString() + QStringLiteral(" percent"), control.value);
            QCOMPARE(gauge->maximumValue().toInt(), 100);
        }
    }
    const QStringList states = AccessibleTree::stateWords(node->state());
    for (const QString& word : control.on)
        QVERIFY2(states.contains(word),
            qPrintable(AccessibleTree::describe(node) + QStringLiteral(" is not ") + word
                + QStringLiteral(": ") + states.join(u' ')));
    for (const QString& word : control.off)
        QVERIFY2(!states.contains(word),
            qPrintable(AccessibleTree::describe(node) + QStringLiteral(" is ") + word));
}

// What holds for every window: nothing in the tree is hidden (a control of a
// pane not shown, a button the window hid), except the lists of a pop-up and
// a menu, which are theirs while closed; every control a user can reach has a
// name.
inline void verifyEveryNodeShowsAndEveryControlIsNamed(const AccessibleTree& tree)
{
    const QList<QAccessible::Role> controls { QAccessible::Button, QAccessible::CheckBox,
        QAccessible::RadioButton, QAccessible::ComboBox, QAccessible::EditableText, QAccessible::PageTab,
        QAccessible::ListItem, QAccessible::TreeItem, QAccessible::SpinBox, QAccessible::Slider,
        QAccessible::ProgressBar,
        // An image that says nothing is decoration, and not in the tree.
        QAccessible::Graphic };
    for (QAccessibleInterface* node : tree.all()) {
        bool inPopUp = false;
        for (QAccessibleInterface* at = node->parent(); at; at = at->parent())
            inPopUp = inPopUp || at->role() == QAccessible::ComboBox || at->role() == QAccessible::MenuItem;
        if (inPopUp)
            continue;
        if (auto* widget = qobject_cast<QWidget*>(node->object()))
            QVERIFY2(widget->isVisible(),
                qPrintable(AccessibleTree::describe(node) + QStringLiteral(" is hidden")));
        if (controls.contains(node->role()) && !node->state().disabled)
            QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                qPrintable(AccessibleTree::describe(node) + QStringLiteral(" has no name")));
    }
}

} // namespace mivo::test

Q_DECLARE_METATYPE(mivo::test::HeardControl)
