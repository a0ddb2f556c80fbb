#include "Views/Review/CandidateListModel.h"

#include "Views/ItemListAccessible.h"

namespace mivo {

void CandidateListModel::setCandidates(const QList<CandidateDTO>& candidates, double trackDurationSec)
{
    QList<CandidateRow> rows;
    rows.reserve(candidates.size());
    for (const CandidateDTO& candidate : candidates)
        rows.append(CandidateRow::of(candidate, trackDurationSec));
    if (rows != m_rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    if (m_selectedId && rowOf(*m_selectedId) < 0)
        setSelectedId(std::nullopt);
}

void CandidateListModel::setSelectedId(std::optional<QString> id)
{
    if (id && rowOf(*id) < 0)
        id.reset();
    if (m_selectedId == id)
        return;
    const int before = m_selectedId ? rowOf(*m_selectedId) : -1;
    m_selectedId = std::move(id);
    const int after = m_selectedId ? rowOf(*m_selectedId) : -1;
    for (const int changed : { before, after }) {
        if (changed >= 0)
            emit dataChanged(index(changed), index(changed), { SelectedRole });
    }
    emit selectedIdChanged();
}

int CandidateListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant CandidateListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const CandidateRow& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.title;
    case Qt::AccessibleTextRole: {
        QString text = row.title;
        if (row.confidenceText)
            text += QStringLiteral(", ") + *row.confidenceText;
        return text + QStringLiteral(", ") + row.sourceTag + QStringLiteral(", ") + row.deltaText;
    }
    case SelectedRole:
    case ItemListAccessible::SelectedRole:
        return m_selectedId == row.id;
    case IdRole:
        return row.id;
    default:
        return {};
    }
}

int CandidateListModel::rowOf(const QString& id) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).id == id)
            return i;
    }
    return -1;
}

} // namespace mivo
