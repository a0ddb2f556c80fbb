#include "Views/ArtworkPainter.h"

#include "Styling/CachedDrawing.h"
#include "Styling/ContinuousCorners.h"
#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace mivo::ArtworkPainter {

namespace {

// The part of `image` that, scaled to fill `target`, shows inside it.
QRectF fillSource(const QImage& image, const QRectF& target)
{
    const QSizeF source = image.size();
    const qreal scale = std::max(target.width() / source.width(), target.height() / source.height());
    const QSizeF shown(target.width() / scale, target.height() / scale);
    return { (source.width() - shown.width()) / 2, (source.height() - shown.height()) / 2, shown.width(),
        shown.height() };
}

} // namespace

void paint(QPainter& painter, const QRectF& rect, const QImage& image, const QString& placeholderSymbol,
    qreal cornerRadius, const QPalette& palette)
{
    if (rect.isEmpty())
        return;
    const bool hasImage = !image.isNull() && !image.size().isEmpty();
    const QColor placeholder = ThemeColor::quaternary().resolve(palette);
    const QColor symbol = ThemeColor::tertiary().resolve(palette);
    const QColor border = ThemeColor::separator().withOpacity(kBorderOpacity).resolve(palette);
    const QString key = QStringLiteral("artwork:%1:%2:%3:%4:%5:%6")
                            .arg(hasImage ? QString::number(image.cacheKey()) : placeholderSymbol)
                            .arg(cornerRadius)
                            .arg(CachedDrawing::colorKey(placeholder))
                            .arg(CachedDrawing::colorKey(symbol))
                            .arg(CachedDrawing::colorKey(border))
                            .arg(hasImage);
    CachedDrawing::paint(painter, rect, key, [&](QPainter& on, const QRectF& area) {
        on.save();
        on.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = ContinuousCorners::path(area, cornerRadius);
        if (hasImage) {
            on.save();
            on.setClipPath(shape, Qt::IntersectClip);
            on.setRenderHint(QPainter::SmoothPixmapTransform);
            on.drawImage(area, image, fillSource(image, area));
            on.restore();
        } else {
            on.fillPath(shape, placeholder);
            const qreal side = area.width() * kSymbolScale;
            const QRectF symbolRect(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
            Symbols::paint(on, symbolRect, placeholderSymbol, symbol);
        }

        // The border lies inside the outline.
        const qreal inset = kBorderWidth / 2;
        const QRectF inner = area.adjusted(inset, inset, -inset, -inset);
        on.setPen(QPen(border, kBorderWidth));
        on.setBrush(Qt::NoBrush);
        on.drawPath(ContinuousCorners::path(inner, std::max<qreal>(0, cornerRadius - inset)));
        on.restore();
    });
}

} // namespace mivo::ArtworkPainter
