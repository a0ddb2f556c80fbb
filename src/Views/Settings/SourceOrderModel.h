#pragma once

#include "Transport/WireVocabulary.h"

#include <QAbstractListModel>
#include <QList>

namespace mivo {

// The download sources in the Sources pane's display order, each with whether
// the configuration enables it. The model never changes the configuration
// itself: a check of a row asks for it (enableRequested), and a row dragged to
// a new place changes only the display order and says so (reordered); the pane
// sends the writes and redraws from the settings store's record.
class SourceOrderModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        SourceRole = Qt::UserRole + 1, // the SourceId, as an int
        BlurbRole,
        AssetRole,
    };

    explicit SourceOrderModel(QObject* parent = nullptr);

    const QList<SourceId>& order() const { return m_order; }
    void setOrder(const QList<SourceId>& order);
    void setEnabled(const QList<SourceId>& enabled);
    bool isEnabled(SourceId source) const { return m_enabled.contains(source); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
        const QModelIndex& destinationParent, int destinationChild) override;

signals:
    void enableRequested(mivo::SourceId source, bool enabled);
    void reordered();

private:
    QList<SourceId> m_order;
    QList<SourceId> m_enabled;
};

} // namespace mivo
