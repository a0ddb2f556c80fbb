#pragma once

#include "State/ToolProgress.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>

namespace mivo {

// The tool rows of the provisioning store, for a view. Row order is the
// store's; a row that changes announces just itself.
class ToolProgressModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        NameRole,
        // The percent as a double; an invalid QVariant while none was reported.
        PercentRole,
        // The ToolPhase.
        PhaseRole,
        // The detail text; an invalid QVariant when there is none.
        DetailRole,
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    // DisplayRole is the name.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<ToolProgress>& rows() const { return m_rows; }
    // The index of the first row with that id, or -1.
    qsizetype indexOf(const QString& id) const { return m_index.value(id, -1); }

    // Replaces every row: rows with the same ids in the same order are
    // updated in place, anything else resets the model.
    void setRows(const QList<ToolProgress>& rows);
    // Replaces one row; false (and no signal) when it was equal.
    bool setRow(qsizetype row, const ToolProgress& value);

private:
    void rebuildIndex();

    QList<ToolProgress> m_rows;
    QHash<QString, qsizetype> m_index;
};

} // namespace mivo
