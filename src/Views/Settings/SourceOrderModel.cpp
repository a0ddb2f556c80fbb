#include "Views/Settings/SourceOrderModel.h"

#include "Models/ServiceCatalog.h"

namespace mivo {

SourceOrderModel::SourceOrderModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_order { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud, SourceId::youtube }
{
}

void SourceOrderModel::setOrder(const QList<SourceId>& order)
{
    if (m_order == order)
        return;
    beginResetModel();
    m_order = order;
    endResetModel();
}

void SourceOrderModel::setEnabled(const QList<SourceId>& enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!m_order.isEmpty())
        emit dataChanged(index(0), index(int(m_order.size()) - 1), { Qt::CheckStateRole });
}

int SourceOrderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

QVariant SourceOrderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_order.size())
        return {};
    const SourceId source = m_order[index.row()];
    const ServiceCatalog::DownloadSourceInfo& info = ServiceCatalog::downloadSource(source);
    switch (role) {
    case Qt::DisplayRole:
        return info.name;
    case Qt::AccessibleTextRole:
        // The row is read as its switch.
        return tr("Enable %1").arg(info.name);
    case Qt::AccessibleDescriptionRole:
    case BlurbRole:
        return info.blurb;
    case AssetRole:
        return info.assetName;
    case SourceRole:
        return int(source);
    case Qt::CheckStateRole:
        return isEnabled(source) ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool SourceOrderModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole)
        return false;
    emit enableRequested(m_order[index.row()], value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags SourceOrderModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsUserCheckable;
}

Qt::DropActions SourceOrderModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

bool SourceOrderModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
    const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || sourceRow < 0
        || sourceRow + count > m_order.size() || destinationChild < 0 || destinationChild > m_order.size())
        return false;
    // Moving a block onto itself or just behind itself changes nothing.
    if (destinationChild >= sourceRow && destinationChild <= sourceRow + count)
        return false;
    if (!beginMoveRows({}, sourceRow, sourceRow + count - 1, {}, destinationChild))
        return false;
    const QList<SourceId> moved = m_order.mid(sourceRow, count);
    m_order.remove(sourceRow, count);
    const qsizetype insertAt = destinationChild > sourceRow ? destinationChild - count : destinationChild;
    for (qsizetype i = 0; i < moved.size(); ++i)
        m_order.insert(insertAt + i, moved[i]);
    endMoveRows();
    emit reordered();
    return true;
}

} // namespace mivo
