#pragma once

#include "Views/Review/CandidateRow.h"

#include <QAbstractListModel>
#include <QList>
#include <optional>

namespace mivo {

// The candidates of the focused review as rows, and which one the user picked.
class CandidateListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { SelectedRole = Qt::UserRole + 1, IdRole };

    using QAbstractListModel::QAbstractListModel;

    // Replaces the rows; the pick is kept only when it is still among them.
    void setCandidates(const QList<CandidateDTO>& candidates, double trackDurationSec);
    const CandidateRow& row(int index) const { return m_rows.at(index); }

    const std::optional<QString>& selectedId() const { return m_selectedId; }
    void setSelectedId(std::optional<QString> id);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    void selectedIdChanged();

private:
    int rowOf(const QString& id) const;

    QList<CandidateRow> m_rows;
    std::optional<QString> m_selectedId;
};

} // namespace mivo
