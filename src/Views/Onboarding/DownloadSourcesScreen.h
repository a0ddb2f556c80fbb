#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QLineEdit;

namespace mivo {

class SetupCoordinator;
class SourceRow;

// The wizard screen for the download sources: one row per source with its
// switch (and SoundCloud's optional token), then the VPN subscription. The
// enabled sources are written back in their declared order, so the list never
// holds a source twice.
class DownloadSourcesScreen : public QWidget {
    Q_OBJECT

public:
    explicit DownloadSourcesScreen(SetupCoordinator& coordinator, QWidget* parent = nullptr);

    const QList<SourceRow*>& rows() const { return m_rows; }
    QLineEdit* subscriptionField() const { return m_subscription; }

private:
    void setSourceEnabled(int row, bool enabled);

    QPointer<SetupCoordinator> m_coordinator;
    QList<SourceRow*> m_rows;
    QLineEdit* m_subscription;
};

} // namespace mivo
