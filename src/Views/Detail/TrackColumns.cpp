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
// Below this the flexible columns leave the others their ideal width no longer.
constexpr qreal kFlexibleComfort = 3 * 80;

} // namespace

TrackColumns::TrackColumns(qreal left, qreal width)
{
    const qreal gaps = (kCount + 1) * kSpacing;
    const qreal fixed = kArtwork + kTime;
    const qreal ideals = kQuality.ideal + kSource.ideal + kStatus.ideal;
    const qreal room = std::max<qreal>(0, width - gaps - fixed);

    // Short of room, quality and source give way first, then status.
    qreal deficit = std::max<qreal>(0, kFlexibleComfort + ideals - room);
    const qreal sideRoom = (kQuality.ideal - kQuality.minimum) + (kSource.ideal - kSource.minimum);
    const qreal sideShrink = std::min(deficit, sideRoom) / sideRoom;
    deficit = std::max<qreal>(0, deficit - sideRoom);
    const qreal statusShrink = std::min<qreal>(deficit / (kStatus.ideal - kStatus.minimum), 1);
    const auto sized
        = [](Range range, qreal shrink) { return range.ideal - shrink * (range.ideal - range.minimum); };
    m_width[artwork] = kArtwork;
    m_width[time] = kTime;
    m_width[quality] = sized(kQuality, sideShrink);
    m_width[source] = sized(kSource, sideShrink);
    m_width[status] = sized(kStatus, statusShrink);
    const qreal flexible = std::max<qreal>(0, room - m_width[quality] - m_width[source] - m_width[status]);
    m_width[title] = flexible * kFlexibleShare[0];
    m_width[artist] = flexible * kFlexibleShare[1];
    m_width[album] = flexible * kFlexibleShare[2];

    qreal x = left + kSpacing;
    for (int column = 0; column < kCount; ++column) {
        m_left[column] = x;
        x += m_width[column] + kSpacing;
    }
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
        return QStringLiteral("Title");
    case artist:
        return QStringLiteral("Artist");
    case album:
        return QStringLiteral("Album");
    case time:
        return QStringLiteral("Time");
    case quality:
        return QStringLiteral("Quality");
    case source:
        return QStringLiteral("Source");
    case status:
        return QStringLiteral("Status");
    }
    return {};
}

qreal TrackColumns::tableHeight(qsizetype rows)
{
    return qreal(std::max<qsizetype>(rows, 1)) * kRowHeight + kHeaderHeight + 2 * kVerticalPadding;
}

} // namespace mivo
