#pragma once

#include <QAccessible>

class QAbstractButton;
class QAbstractItemView;
class QWidget;

// How assistive technology sees the windows: every window is a window (or a
// dialog) named by its title; a container lists only the children that show,
// so a hidden control or pane is not in the tree, nor is decoration; a pop-up
// is named by its label and gives its choice as its value; a tab row is a list
// of page tabs, the current one selected. Painted widgets say what they look
// like through setRole. Everything here has to be said before the widget is
// first asked about (in its constructor): the answers are kept.
namespace mivo::ViewAccessibility {

// Registers the rules; safe to call repeatedly. The windows call it.
void install();

// The role a painted widget has instead of a plain container's.
void setRole(QWidget* widget, QAccessible::Role role);

// Decoration (artwork, an emblem): never in the tree.
void hide(QWidget* widget);
bool isHidden(const QWidget* widget);

// One of a row of checkable buttons that switches the page below it (the row
// has the role of a page tab list): a page tab, selected while it is checked.
void setPageTab(QAbstractButton* tab);

// A list of painted rows read as `role` (a list or a tree) of `itemRole` items
// with the states the model gives them (see ItemListAccessible).
void setItemList(QAbstractItemView* view, QAccessible::Role role, QAccessible::Role itemRole);

} // namespace mivo::ViewAccessibility
