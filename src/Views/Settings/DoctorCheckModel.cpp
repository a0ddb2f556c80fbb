#include "Views/Settings/DoctorCheckModel.h"

namespace mivo {

void DoctorCheckModel::setChecks(const QList<DoctorCheck>& checks)
{
    if (m_checks == checks)
        return;
    beginResetModel();
    m_checks = checks;
    endResetModel();
}

QString DoctorCheckModel::symbol(const QString& status)
{
    if (status == u"ok")
        return QStringLiteral("checkmark.circle.fill");
    if (status == u"warn")
        return QStringLiteral("exclamationmark.triangle.fill");
    if (status == u"fail")
        return QStringLiteral("xmark.circle.fill");
    return QStringLiteral("minus.circle");
}

ThemeColor DoctorCheckModel::colour(const QString& status)
{
    if (status == u"ok")
        return ThemeColor::green();
    if (status == u"warn")
        return ThemeColor::orange();
    if (status == u"fail")
        return ThemeColor::red();
    return ThemeColor::secondary();
}

int DoctorCheckModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_checks.size());
}

QVariant DoctorCheckModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_checks.size())
        return {};
    const DoctorCheck& check = m_checks[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case TitleRole:
        return check.title.value_or(check.id);
    case DetailRole:
    case Qt::AccessibleDescriptionRole:
        return check.detail ? QVariant(*check.detail) : QVariant();
    case SymbolRole:
        return symbol(check.status);
    case FixableRole:
        return check.fixable.value_or(false);
    case IdRole:
        return check.id;
    default:
        return {};
    }
}

} // namespace mivo
