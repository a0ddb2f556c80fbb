#pragma once

#include "Views/Settings/SettingsPane.h"

#include <QList>

class QLineEdit;
class QListView;

namespace mivo {

class FormStepper;
class SettingsSection;
class SourceOrderModel;

// The Sources pane: which download sources the helper searches and in which
// order, the SoundCloud token, and the run's search and download tuning.
// The list shows every source: the enabled ones first in the helper's order,
// then the others in their default order, as the configuration held when the
// pane appears has them. While it is shown only a drag moves a row: a switch
// changes what is enabled, never where a row is. Every change is one write of
// the whole source list or the whole run record, and nothing is written before
// a configuration is held.
class SourcesSettings : public SettingsPane {
    Q_OBJECT

public:
    explicit SourcesSettings(AppModel& model, QWidget* parent = nullptr);

    SourceOrderModel* orderModel() const { return m_order; }
    QListView* list() const { return m_list; }

    // The display order for a configuration's sources: those, then the rest in
    // their default order; none (nothing configured) keeps `current`.
    static QList<SourceId> orderFor(const QList<SourceId>& configured, const QList<SourceId>& current);
    // Whether `display` shows the configured sources in their stored order.
    static bool shows(const QList<SourceId>& display, const QList<SourceId>& configured);
    // The configured list with `source` switched on or off; switched on, it
    // takes its place of the display order, the others keep theirs.
    static QList<SourceId> withSource(
        const QList<SourceId>& configured, const QList<SourceId>& display, SourceId source, bool enabled);

protected:
    void refresh() override;
    void showEvent(QShowEvent* event) override;

private:
    enum class RunField { searchCount, concurrency, searchTimeoutSec, cooloffHours };

    void setEnabled(SourceId source, bool enabled);
    void applyOrder();
    void step(RunField field, int direction);

    SourceOrderModel* m_order;
    QListView* m_list;
    QLineEdit* m_soundcloud;
    SettingsSection* m_advanced;
    QList<std::pair<RunField, FormStepper*>> m_steppers;
    // Whether the order was taken from a configuration since the pane appeared.
    bool m_orderTaken = false;
};

} // namespace mivo
