#pragma once

#include "Views/Detail/SummaryBar.h"

namespace mivo {

class ActivityIndicator;
class PreviewStore;

// The bar over the preview of the selected playlists: how many playlists and
// tracks and how many are on disk; while the preview loads, a spinner and
// "Loading…" instead, as no count is known yet.
class PreviewSummaryBar : public SummaryBar {
    Q_OBJECT

public:
    explicit PreviewSummaryBar(PreviewStore& preview, QWidget* parent = nullptr);

    // "1 playlist · 12 tracks", each noun agreeing with its number.
    static QString titleText(qint64 playlists, qint64 tracks);
    // "n on disk · m not downloaded" (items at 0 left out), then "k playlists could
    // not be loaded" when some could not; "Empty" without tracks or failures.
    static QString summaryLine(qint64 tracks, qint64 onDisk, qint64 failedPlaylists = 0);

    // The title while the preview loads.
    static QString loadingText();

    bool isSpinnerShown() const;

private:
    void refresh();

    PreviewStore& m_preview;
    ActivityIndicator* m_spinner;
};

} // namespace mivo
