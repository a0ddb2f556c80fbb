#pragma once

#include "State/SyncPhase.h"
#include "Transport/SyncRecords.h"
#include "Views/Detail/SummaryBar.h"

#include <optional>

namespace mivo {

class SyncStore;

// The bar over a sync run's groups: the run's phase, its counts (none until a
// playlist of the run is reported or its summary arrives), and the overall
// progress while the run is under way or done.
class OverallSummaryBar : public SummaryBar {
    Q_OBJECT

public:
    explicit OverallSummaryBar(SyncStore& sync, QWidget* parent = nullptr);

    static QString phaseText(SyncPhase phase);
    // The finished run's summary counts, or while there is none the running counts.
    static QString summaryLine(const std::optional<SyncSummary>& summary, qint64 completed, qint64 total,
        qint64 review, qint64 failed);
    static bool showsProgress(SyncPhase phase);

private:
    void refresh();

    SyncStore& m_sync;
};

} // namespace mivo
