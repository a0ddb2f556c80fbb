#include "Views/Detail/TrackColumns.h"

#include <algorithm>

namespace mivo {

namespace {

constexpr qreal kArtwork = 34;
constexpr qreal kTime = 48;
struct Range {
    qreal minimum;
    qreal ideal;
};
constexpr Range kQuality { 84, 110 };
constexpr Range kSource { 80, 110 };
constexpr Range kStatus { 120, 160 };
// Title, artist and album share the flexible room in these proportions.
constexpr std::array<qreal, 3> kFlexibleShare { 0.4, 0.3, 0.3 };
// Below this much room per flexible column, the others leave their ideal width.
constexpr qreal kFlexibleComfort = 80;
// Narrower than this, the title would be unreadable: a column leaves the table instead.
constexpr qreal kTitleMinimum = 96;
// The columns that leave a table too narrow for them, first to last; title and
// status always stay.
constexpr std::array<TrackColumns::Column, 6> kLeavingOrder { TrackColumns::album, TrackColumns::source,
    TrackColumns::quality, TrackColumns::artist, TrackColumns::artwork, TrackColumns::time };

} // namespace

TrackColumns::TrackColumns(qreal left, qreal width)
{
    std::array<bool, kCount> shown;
    shown.fill(true);
    for (std::size_t leaving = 0;; ++leaving) {
        layOut(width, shown);
        if (m_width[title] >= kTitleMinimum || leaving == kLeavingOrder.size())
            break;
        shown[kLeavingOrder[leaving]] = false;
    }

    qreal x = left + kSpacing;
    for (int column = 0; column < kCount; ++column) {
        m_left[column] = x;
        if (shown[column])
            x += m_width[column] + kSpacing;
    }
}

void TrackColumns::layOut(qreal width, const std::array<bool, kCount>& shown)
{
    const auto count = std::count(shown.begin(), shown.end(), true);
    const auto ifShown = [&shown](Column column, qreal value) { return shown[column] ? value : 0; };
    const qreal gaps = qreal(count + 1) * kSpacing;
    const qreal fixed = ifShown(artwork, kArtwork) + ifShown(time, kTime);
    const qreal ideals = ifShown(quality, kQuality.ideal) + ifShown(source, kSource.ideal) + kStatus.ideal;
    const qreal room = std::max<qreal>(0, width - gaps - fixed);
    const qreal shares
        = kFlexibleShare[0] + ifShown(artist, kFlexibleShare[1]) + ifShown(album, kFlexibleShare[2]);
    // A title alone wants at least its readable width, before a column leaves.
    const qreal comfort
        = std::max(kTitleMinimum, kFlexibleComfort * qreal(1 + int(shown[artist]) + int(shown[album])));

    // Short of room, quality and source give way first, then status.
    qreal deficit = std::max<qreal>(0, comfort + ideals - room);
    const qreal sideRoom = ifShown(quality, kQuality.ideal - kQuality.minimum)
        + ifShown(source, kSource.ideal - kSource.minimum);
    const qreal sideShrink = sideRoom > 0 ? std::min(deficit, sideRoom) / sideRoom : 1;
    deficit = std::max<qreal>(0, deficit - sideRoom);
    const qreal statusShrink = std::min<qreal>(deficit / (kStatus.ideal - kStatus.minimum), 1);
    const auto sized
        = [](Range range, qreal shrink) { return range.ideal - shrink * (range.ideal - range.minimum); };
    m_width[artwork] = ifShown(artwork, kArtwork);
    m_width[time] = ifShown(time, kTime);
    m_width[quality] = ifShown(quality, sized(kQuality, sideShrink));
    m_width[source] = ifShown(source, sized(kSource, sideShrink));
    m_width[status] = sized(kStatus, statusShrink);
    const qreal flexible = std::max<qreal>(0, room - m_width[quality] - m_width[source] - m_width[status]);
    m_width[title] = flexible * kFlexibleShare[0] / shares;
    m_width[artist] = ifShown(artist, flexible * kFlexibleShare[1] / shares);
    m_width[album] = ifShown(album, flexible * kFlexibleShare[2] / shares);
}

QRectF TrackColumns::cell(Column column, qreal top, qreal height) const
{
    return { m_left[column], top, m_width[column], height };
}

int TrackColumns::columnAt(qreal x) const
{
    for (int column = 0; column < kCount; ++column) {
        if (x >= m_left[column] && x < m_left[column] + m_width[column])
            return column;
    }
    return -1;
}

QString TrackColumns::heading(Column column)
{
    switch (column) {
    case artwork:
        return {};
    case title:
        return tr("Title");
    case artist:
        return tr("Artist");
    case album:
        return tr("Album");
    case time:
        return tr("Time");
    case quality:
        return tr("Quality");
    case source:
        return tr("Source");
    case status:
        return tr("Status");
    }
    return {};
}

qreal TrackColumns::tableHeight(qsizetype rows)
{
    return qreal(std::max<qsizetype>(rows, 1)) * kRowHeight + kHeaderHeight + 2 * kVerticalPadding;
}

} // namespace mivo
