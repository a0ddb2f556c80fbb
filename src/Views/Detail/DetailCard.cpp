#include "Views/Detail/DetailCard.h"

#include "Styling/CachedDrawing.h"
#include "Styling/SurfaceStyle.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QThread>
#include <QtMath>
#include <cmath>

namespace mivo::DetailCard {

namespace {

// Wider pictures are rare and would crowd the cache out.
constexpr qreal kMaxWidth = 4096;
// The rows of the picture between its two ends.
constexpr qreal kMiddleRows = 64;

bool isWhole(qreal value)
{
    return qFuzzyIsNull(value - std::round(value));
}

void paintWhole(QPainter& painter, const QRectF& card, const QRectF& slice, const SurfaceStyle& style,
    const QPalette& palette)
{
    painter.save();
    painter.setClipRect(slice, Qt::IntersectClip);
    style.paintBackground(painter, card, palette);
    style.paintOverlay(painter, card, palette);
    painter.restore();
}

QString colorKey(const std::optional<ThemeColor>& color, const QPalette& palette)
{
    return color ? CachedDrawing::colorKey(color->resolve(palette)) : QString();
}

// Everything the picture depends on besides its width.
QString styleKey(const SurfaceStyle& style, const QPalette& palette)
{
    return QStringLiteral("%1:%2:%3:%4:%5:%6:%7:%8")
        .arg(int(style.tier))
        .arg(style.cornerRadius)
        .arg(colorKey(style.glassTint, palette),
            style.material ? CachedDrawing::colorKey(Materials::fill(*style.material, palette)) : QString(),
            colorKey(style.fill, palette), colorKey(style.overlay, palette),
            style.border ? colorKey(style.border->color, palette) : QString())
        .arg(style.border ? style.border->width : 0);
}

} // namespace

qreal endHeight(qreal cornerRadius)
{
    // The outline's corners reach about 2.35 radii along each edge.
    return std::ceil(3 * cornerRadius) + 2;
}

void paint(QPainter& painter, const QRectF& card, const QRectF& slice, const SurfaceStyle& style,
    const QPalette& palette)
{
    const QPaintDevice* device = painter.device();
    const QCoreApplication* app = QCoreApplication::instance();
    const qreal end = endHeight(style.cornerRadius);
    const qreal pictureHeight = 2 * end + kMiddleRows;
    const qreal ratio = device ? device->devicePixelRatioF() : 1;
    const QTransform& transform = painter.worldTransform();
    const QPointF origin = transform.map(card.topLeft()) * ratio;
    const bool copies = device && app && QThread::currentThread() == app->thread()
        && transform.type() <= QTransform::TxTranslate
        && painter.compositionMode() == QPainter::CompositionMode_SourceOver && card.height() >= 2 * end
        && card.width() > 0 && card.width() <= kMaxWidth && isWhole(origin.x()) && isWhole(origin.y())
        && isWhole(card.width() * ratio) && isWhole(card.height() * ratio) && isWhole(end * ratio)
        && isWhole((slice.top() - card.top()) * ratio) && isWhole(slice.height() * ratio);
    if (!copies) {
        paintWhole(painter, card, slice, style, palette);
        return;
    }
    const QString key = QStringLiteral("mivo-detail-card:%1:%2@%3")
                            .arg(styleKey(style, palette))
                            .arg(card.width())
                            .arg(ratio);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = QPixmap(qCeil(card.width() * ratio), qCeil(pictureHeight * ratio));
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter drawing(&picture);
        const QRectF whole(0, 0, card.width(), pictureHeight);
        style.paintBackground(drawing, whole, palette);
        style.paintOverlay(drawing, whole, palette);
        drawing.end();
        QPixmapCache::insert(key, picture);
    }

    // Copies of whole rows of the picture, never scaled: a scaled copy costs
    // many times more than a plain one.
    const qreal top = std::max(card.top(), slice.top());
    const qreal bottom = std::min(card.bottom(), slice.bottom());
    const auto copy = [&](qreal from, qreal to, qreal pictureRow) {
        const qreal a = std::max(from, top);
        const qreal b = std::min(to, bottom);
        if (b > a)
            painter.drawPixmap(QRectF(card.left(), a, card.width(), b - a), picture,
                QRectF(0, (pictureRow + a - from) * ratio, picture.width(), (b - a) * ratio));
    };
    copy(card.top(), card.top() + end, 0);
    // Every row of the middle is the same: it is laid down in bands of the
    // picture's middle rows.
    for (qreal band = std::max(card.top() + end, top - std::fmod(top - card.top() - end, kMiddleRows));
         band < std::min(card.bottom() - end, bottom); band += kMiddleRows)
        copy(band, std::min(band + kMiddleRows, card.bottom() - end), end);
    copy(card.bottom() - end, card.bottom(), end + kMiddleRows);
}

} // namespace mivo::DetailCard
