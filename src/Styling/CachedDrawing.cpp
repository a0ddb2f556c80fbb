#include "Styling/CachedDrawing.h"

#include <QColor>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QThread>
#include <QtMath>

namespace mivo::CachedDrawing {

namespace {

// Larger drawings are rare and would crowd the cache out.
constexpr qreal kMaxSide = 2048;

bool isWhole(qreal value)
{
    return qFuzzyIsNull(value - std::round(value));
}

bool canUsePicture(const QPainter& painter, const QRectF& rect)
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || !painter.device())
        return false;
    if (!(rect.width() > 0 && rect.width() <= kMaxSide && rect.height() > 0 && rect.height() <= kMaxSide))
        return false;
    const QTransform& transform = painter.worldTransform();
    if (transform.type() > QTransform::TxTranslate
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    // Antialiased edges come out the same only at the same place within a pixel.
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QPointF corner = transform.map(rect.topLeft()) * ratio;
    return isWhole(corner.x()) && isWhole(corner.y());
}

} // namespace

void paint(QPainter& painter, const QRectF& rect, const QString& key, const Draw& draw)
{
    if (!canUsePicture(painter, rect)) {
        draw(painter, rect);
        return;
    }
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QString sizedKey = QStringLiteral("mivo-drawing:%1:%2x%3@%4")
                                 .arg(key)
                                 .arg(rect.width())
                                 .arg(rect.height())
                                 .arg(ratio);
    QPixmap picture;
    if (!QPixmapCache::find(sizedKey, &picture)) {
        picture = QPixmap(qCeil(rect.width() * ratio), qCeil(rect.height() * ratio));
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter drawing(&picture);
        draw(drawing, QRectF(QPointF(0, 0), rect.size()));
        drawing.end();
        QPixmapCache::insert(sizedKey, picture);
    }
    painter.drawPixmap(rect.topLeft(), picture);
}

QString colorKey(const QColor& color)
{
    return QString::number(color.rgba64(), 16);
}

} // namespace mivo::CachedDrawing
