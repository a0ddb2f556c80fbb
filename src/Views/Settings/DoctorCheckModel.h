#pragma once

#include "Styling/ThemeColor.h"
#include "Transport/ResultRecords.h"

#include <QAbstractListModel>

namespace mivo {

// The helper's doctor checks as rows, in the helper's order.
class DoctorCheckModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        TitleRole = Qt::UserRole + 1, // the title, or the id without one
        DetailRole, // the detail; absent (invalid) when the check has none
        SymbolRole, // the status symbol
        FixableRole,
        IdRole,
    };

    using QAbstractListModel::QAbstractListModel;

    void setChecks(const QList<DoctorCheck>& checks);
    const QList<DoctorCheck>& checks() const { return m_checks; }

    // The symbol and colour of a status, compared exactly as written.
    static QString symbol(const QString& status);
    static ThemeColor colour(const QString& status);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<DoctorCheck> m_checks;
};

} // namespace mivo
