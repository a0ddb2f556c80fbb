#include "Views/Detail/OverallSummaryBar.h"

#include "State/SyncStore.h"
#include "Styling/Inflection.h"
#include "Views/Detail/LinearProgress.h"

#include <QStringList>

namespace mivo {

OverallSummaryBar::OverallSummaryBar(SyncStore& sync, QWidget* parent)
    : SummaryBar(parent)
    , m_sync(sync)
{
    setObjectName(QStringLiteral("overallSummaryBar"));
    progress()->setAccessibleName(tr("Overall sync progress"));
    connect(&m_sync, &SyncStore::changed, this, &OverallSummaryBar::refresh);
    // The phase shows at once when the user presses Sync or Cancel.
    connect(&m_sync, &SyncStore::phaseChanged, this, &OverallSummaryBar::refresh);
    connect(&m_sync, &SyncStore::groupsChanged, this, &OverallSummaryBar::refresh);
    refresh();
}

QString OverallSummaryBar::phaseText(SyncPhase phase)
{
    switch (phase) {
    case SyncPhase::idle:
        return tr("Idle");
    case SyncPhase::preparing:
        return tr("Preparing…");
    case SyncPhase::running:
        return tr("Syncing");
    case SyncPhase::finishing:
        return tr("Finishing…");
    case SyncPhase::done:
        return tr("Complete");
    case SyncPhase::cancelled:
        return tr("Cancelled");
    case SyncPhase::interrupted:
        return tr("Interrupted");
    }
    return {};
}

QString OverallSummaryBar::summaryLine(
    const std::optional<SyncSummary>& summary, qint64 completed, qint64 total, qint64 review, qint64 failed)
{
    QStringList items;
    const auto add = [&items](qint64 count, const QString& item) {
        if (count >= 1)
            items.append(item);
    };
    if (summary) {
        add(summary->ok, tr("%n done", nullptr, Inflection::forTr(summary->ok)));
        add(summary->present, tr("%n on disk", nullptr, Inflection::forTr(summary->present)));
        add(summary->flagged, tr("%n flagged", nullptr, Inflection::forTr(summary->flagged)));
        add(summary->failed, tr("%n failed", nullptr, Inflection::forTr(summary->failed)));
        add(summary->skipped, tr("%n skipped", nullptr, Inflection::forTr(summary->skipped)));
        if (items.isEmpty())
            return tr("Up to date");
    } else {
        // The count of all tracks decides the form; the completed ones are a plain number.
        items.append(tr("%1 / %n done", nullptr, Inflection::forTr(total)).arg(completed));
        add(review, tr("%n need review", nullptr, Inflection::forTr(review)));
        add(failed, tr("%n failed", nullptr, Inflection::forTr(failed)));
    }
    return items.join(QStringLiteral(" · "));
}

bool OverallSummaryBar::showsProgress(SyncPhase phase)
{
    return phase == SyncPhase::preparing || phase == SyncPhase::running || phase == SyncPhase::finishing
        || phase == SyncPhase::done;
}

void OverallSummaryBar::refresh()
{
    // Until the run's first playlist is reported there is nothing to count yet.
    QString line;
    if (m_sync.summary() || !m_sync.groups().isEmpty())
        line = summaryLine(m_sync.summary(), m_sync.overallCompleted(), m_sync.overallTotal(),
            m_sync.reviewCount(), m_sync.failedCount());
    setTexts(phaseText(m_sync.phase()), line);
    setProgressShown(showsProgress(m_sync.phase()));
    progress()->setFraction(m_sync.overallFraction());
}

} // namespace mivo
