#include "Views/Detail/DetailArtwork.h"

#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"

#include <QPainter>
#include <QPainterPath>

namespace mivo {

DetailArtwork::DetailArtwork(QObject* parent)
    : QObject(parent)
{
}

void DetailArtwork::paint(QPainter& painter, const QRectF& rect, const ArtworkRef&,
    const QString& placeholderSymbol, qreal cornerRadius, const QPalette& palette) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    painter.fillPath(shape, ThemeColor::quaternary().resolve(palette));
    const qreal side = rect.width() * 0.42;
    Symbols::paint(painter, QRectF(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side),
        placeholderSymbol, ThemeColor::tertiary().resolve(palette));
    painter.restore();
}

} // namespace mivo
