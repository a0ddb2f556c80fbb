#include "Views/Detail/DetailArtwork.h"

#include "Views/ArtworkLoader.h"
#include "Views/ArtworkPainter.h"

#include <QRectF>

namespace mivo {

DetailArtwork::DetailArtwork(QObject* parent)
    : QObject(parent)
{
    connect(&ArtworkLoader::shared(), &ArtworkLoader::ready, this, &DetailArtwork::imageReady);
}

void DetailArtwork::paint(QPainter& painter, const QRectF& rect, const ArtworkRef& ref,
    const QString& placeholderSymbol, qreal cornerRadius, const QPalette& palette) const
{
    const QImage image = ArtworkLoader::shared().image(ref, rect.width());
    ArtworkPainter::paint(painter, rect, image, placeholderSymbol, cornerRadius, palette);
}

QString DetailArtwork::key(const ArtworkRef& ref, qreal size)
{
    return ArtworkLoader::key(ref, size).value_or(QString());
}

} // namespace mivo
