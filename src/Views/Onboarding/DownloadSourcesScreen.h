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
// holds a source twice. While the stored sources are not known, every row
// reads "As stored" and a notice above them says why.
class DownloadSourcesScreen : public QWidget {
    Q_OBJECT

public:
    explicit DownloadSourcesScreen(SetupCoordinator& coordinator, QWidget* parent = nullptr);

    const QList<SourceRow*>& rows() const { return m_rows; }
    QLineEdit* subscriptionField() const { return m_subscription; }
    // Shown under the field while it holds a text that is not a subscription address.
    QWidget* subscriptionRefusal() const { return m_refusal; }

private:
    void refresh();
    void setSourceEnabled(int row, bool enabled);

    QPointer<SetupCoordinator> m_coordinator;
    QList<SourceRow*> m_rows;
    void showRefusal(bool whenRefused);

    QLineEdit* m_subscription;
    QWidget* m_refusal;
};

} // namespace mivo
