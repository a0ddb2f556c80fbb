#include "Views/Detail/PreviewSummaryBar.h"

#include "State/PreviewStore.h"
#include "Styling/Inflection.h"
#include "Views/ActivityIndicator.h"

#include <QHBoxLayout>
#include <QStringList>

namespace mivo {

namespace {
// A small spinner (16) drawn at 0.7 of its size, in a 16 × 16 place it keeps when hidden.
constexpr int kSpinnerPlace = 16;
constexpr qreal kSpinnerSide = 16 * 0.7;
} // namespace

PreviewSummaryBar::PreviewSummaryBar(PreviewStore& preview, QWidget* parent)
    : SummaryBar(parent)
    , m_preview(preview)
    , m_spinner(new ActivityIndicator(kSpinnerSide))
{
    setObjectName(QStringLiteral("previewSummaryBar"));
    auto* place = new QWidget;
    place->setFixedSize(kSpinnerPlace, kSpinnerPlace);
    auto* layout = new QHBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_spinner, 0, Qt::AlignCenter);
    setTitleAccessory(place);
    connect(&m_preview, &PreviewStore::groupsChanged, this, &PreviewSummaryBar::refresh);
    connect(&m_preview, &PreviewStore::countsChanged, this, &PreviewSummaryBar::refresh);
    connect(&m_preview, &PreviewStore::isLoadingChanged, this, &PreviewSummaryBar::refresh);
    refresh();
}

QString PreviewSummaryBar::titleText(qint64 playlists, qint64 tracks)
{
    return tr("%n playlist(s)", nullptr, Inflection::forTr(playlists)) + QStringLiteral(" · ")
        + tr("%n track(s)", nullptr, Inflection::forTr(tracks));
}

QString PreviewSummaryBar::summaryLine(qint64 tracks, qint64 onDisk, qint64 failedPlaylists)
{
    QStringList items;
    if (onDisk >= 1)
        items.append(tr("%n on disk", nullptr, Inflection::forTr(onDisk)));
    if (tracks - onDisk >= 1)
        items.append(tr("%n not downloaded", nullptr, Inflection::forTr(tracks - onDisk)));
    if (failedPlaylists >= 1)
        items.append(tr("%n playlist(s) could not be loaded", nullptr, Inflection::forTr(failedPlaylists)));
    return items.isEmpty() ? tr("Empty") : items.join(QStringLiteral(" · "));
}

QString PreviewSummaryBar::loadingText()
{
    return tr("Loading…");
}

bool PreviewSummaryBar::isSpinnerShown() const
{
    return !m_spinner->isHidden();
}

void PreviewSummaryBar::refresh()
{
    // The rows still shown while a new selection loads are not what it holds.
    if (m_preview.isLoading())
        setTexts(loadingText(), QString());
    else
        setTexts(titleText(m_preview.groups().size(), m_preview.trackCount()),
            summaryLine(m_preview.trackCount(), m_preview.onDiskCount(), m_preview.failedCount()));
    m_spinner->setVisible(m_preview.isLoading());
}

} // namespace mivo
