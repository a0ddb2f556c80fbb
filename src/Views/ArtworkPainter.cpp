#include "Views/ArtworkPainter.h"

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
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = ContinuousCorners::path(rect, cornerRadius);

    if (!image.isNull() && !image.size().isEmpty()) {
        painter.save();
        painter.setClipPath(shape, Qt::IntersectClip);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, image, fillSource(image, rect));
        painter.restore();
    } else {
        painter.fillPath(shape, ThemeColor::quaternary().resolve(palette));
        const qreal side = rect.width() * kSymbolScale;
        const QRectF symbolRect(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
        Symbols::paint(painter, symbolRect, placeholderSymbol, ThemeColor::tertiary().resolve(palette));
    }

    // The border lies inside the outline.
    const qreal inset = kBorderWidth / 2;
    const QRectF inner = rect.adjusted(inset, inset, -inset, -inset);
    painter.setPen(QPen(ThemeColor::separator().withOpacity(kBorderOpacity).resolve(palette), kBorderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ContinuousCorners::path(inner, std::max<qreal>(0, cornerRadius - inset)));
    painter.restore();
}

} // namespace mivo::ArtworkPainter
