#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QMetaObject>
#include <QPersistentModelIndex>
#include <QPointer>

class QAbstractItemModel;
class QAbstractItemView;

namespace mivo {

// A list of painted rows as assistive technology reads it: each row of the
// model's first column is one item, named by the model's Qt::AccessibleTextRole
// (else its display text) and described by Qt::AccessibleDescriptionRole, with
// the states the row shows: selected, focused (the current row of a focused
// list), checked (Qt::CheckStateRole of a checkable row) and, where the model
// answers ExpandedRole, expanded or collapsed. A model that answers SelectedRole
// says which rows are selected instead of the view's selection (a row picked as
// the one to use).
class ItemListAccessible : public QAccessibleWidget {
public:
    // bool; absent for a row that does not fold.
    static constexpr int ExpandedRole = Qt::UserRole + 0x4d00;
    // bool; absent where the view's selection decides.
    static constexpr int SelectedRole = Qt::UserRole + 0x4d01;

    ItemListAccessible(QAbstractItemView* view, QAccessible::Role role, QAccessible::Role itemRole);
    ~ItemListAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    QAbstractItemView* view() const;

private:
    QAccessibleInterface* itemFor(const QModelIndex& index) const;
    void forgetStaleItems() const;
    void follow() const;
    // Tells of the rows that opened, closed or were picked.
    void rowsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);

    QAccessible::Role m_itemRole;
    mutable QPointer<QAbstractItemModel> m_model;
    mutable QHash<QPersistentModelIndex, QAccessible::Id> m_items;
    mutable QMetaObject::Connection m_dataChanged;
};

} // namespace mivo
