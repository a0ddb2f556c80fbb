#include "State/ToolProgressModel.h"

#include <algorithm>

namespace mivo {

int ToolProgressModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ToolProgressModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ToolProgress& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return row.name;
    case IdRole:
        return row.id;
    case PercentRole:
        return row.percent ? QVariant(*row.percent) : QVariant();
    case PhaseRole:
        return QVariant::fromValue(row.phase);
    case DetailRole:
        return row.detail ? QVariant(*row.detail) : QVariant();
    default:
        return {};
    }
}

QHash<int, QByteArray> ToolProgressModel::roleNames() const
{
    return {
        { IdRole, "id" },
        { NameRole, "name" },
        { PercentRole, "percent" },
        { PhaseRole, "phase" },
        { DetailRole, "detail" },
    };
}

void ToolProgressModel::setRows(const QList<ToolProgress>& rows)
{
    const bool sameIds = rows.size() == m_rows.size()
        && std::equal(rows.begin(), rows.end(), m_rows.begin(),
            [](const ToolProgress& a, const ToolProgress& b) { return a.id == b.id; });
    if (!sameIds) {
        beginResetModel();
        m_rows = rows;
        rebuildIndex();
        endResetModel();
        return;
    }
    for (qsizetype row = 0; row < rows.size(); ++row)
        setRow(row, rows.at(row));
}

bool ToolProgressModel::setRow(qsizetype row, const ToolProgress& value)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row) == value)
        return false;
    const bool idChanged = m_rows.at(row).id != value.id;
    m_rows[row] = value;
    if (idChanged)
        rebuildIndex();
    const QModelIndex changed = index(int(row));
    emit dataChanged(changed, changed);
    return true;
}

void ToolProgressModel::rebuildIndex()
{
    m_index.clear();
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        // The first row of an id is the one events and results address.
        if (!m_index.contains(m_rows.at(row).id))
            m_index.insert(m_rows.at(row).id, row);
    }
}

} // namespace mivo
