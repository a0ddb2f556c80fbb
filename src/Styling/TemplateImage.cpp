#include "Styling/TemplateImage.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <mutex>

// The resources of a static library are registered explicitly.
static void registerStylingResources()
{
    Q_INIT_RESOURCE(Styling);
}

namespace mivo::TemplateImage {

namespace {

void ensureResources()
{
    static std::once_flag once;
    std::call_once(once, registerStylingResources);
}

// Turn a rendered drawing into a mask in `color`: ink is how far a pixel is from
// white, weighted by its coverage, so white strokes over black cut clean holes.
void tint(QImage& image, const QColor& color)
{
    const QRgb premultiplied = qPremultiply(color.rgba());
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int alpha = qAlpha(p);
            if (alpha == 0)
                continue;
            const int light = (qRed(p) * 299 + qGreen(p) * 587 + qBlue(p) * 114) / 1000;
            const int ink = std::clamp(alpha - light, 0, 255);
            line[x] = qRgba(qRed(premultiplied) * ink / 255, qGreen(premultiplied) * ink / 255,
                qBlue(premultiplied) * ink / 255, qAlpha(premultiplied) * ink / 255);
        }
    }
}

} // namespace

bool exists(const QString& resourcePath)
{
    ensureResources();
    // Looked up on every paint of a symbol; the built-in images never change
    // while the application runs, so each path is looked up once per thread.
    thread_local QHash<QString, bool> known;
    const auto found = known.constFind(resourcePath);
    if (found != known.cend())
        return *found;
    const bool present = QFile::exists(resourcePath);
    known.insert(resourcePath, present);
    return present;
}

QPixmap render(const QString& resourcePath, const QSize& size, qreal devicePixelRatio, const QColor& color)
{
    ensureResources();
    // Nothing is drawn at an impossible scale or beyond a sane size.
    constexpr qreal kMaxPixels = 8192;
    const qreal width = size.width() * devicePixelRatio;
    const qreal height = size.height() * devicePixelRatio;
    if (size.isEmpty() || !(width > 0 && width <= kMaxPixels) || !(height > 0 && height <= kMaxPixels))
        return {};
    const QSize pixels(qCeil(width), qCeil(height));
    const QString key = QStringLiteral("mivo-template:%1:%2x%3:%4")
                            .arg(resourcePath)
                            .arg(pixels.width())
                            .arg(pixels.height())
                            .arg(color.rgba(), 8, 16, QLatin1Char('0'));
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        pixmap.setDevicePixelRatio(devicePixelRatio);
        return pixmap;
    }

    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resourcePath);
    if (renderer.isValid()) {
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    tint(image, color);
    pixmap = QPixmap::fromImage(image);
    QPixmapCache::insert(key, pixmap);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

void paint(QPainter& painter, const QRectF& rect, const QString& resourcePath, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (!(side > 0 && side <= 8192))
        return;
    const QRectF square(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    // Scaling in the painter's transform counts too (rotation does not), so zoomed
    // drawing stays sharp.
    const QTransform& t = painter.transform();
    const qreal scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    if (std::isfinite(scale) && scale > 0)
        ratio *= scale;
    const QSize logical(qCeil(side), qCeil(side));
    const QPixmap pixmap = render(resourcePath, logical, ratio, color);
    if (pixmap.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(square, pixmap, QRectF(QPointF(0, 0), QSizeF(pixmap.size())));
    painter.restore();
}

} // namespace mivo::TemplateImage
