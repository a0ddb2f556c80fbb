#include "Styling/AssetImages.h"

#include "Styling/TemplateImage.h"
#include "Base/Log.h"

#include <QSet>

namespace mivo::AssetImages {

namespace {

QString pathOf(const QString& name)
{
    return QStringLiteral(":/mivo/logos/") + name + QStringLiteral(".svg");
}

} // namespace

bool contains(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && TemplateImage::exists(pathOf(name));
}

void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color)
{
    if (!contains(name)) {
        static QSet<QString> warned;
        if (!warned.contains(name)) {
            warned.insert(name);
            qCWarning(lcApp).noquote() << QStringLiteral("no image named \"%1\"").arg(name);
        }
        return;
    }
    TemplateImage::paint(painter, rect, pathOf(name), color);
}

} // namespace mivo::AssetImages
