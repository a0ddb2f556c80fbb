#include "Styling/Symbols.h"

#include "Styling/TemplateImage.h"
#include "Base/Log.h"

#include <QDir>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QSet>

namespace mivo::Symbols {

namespace {

const QString kFolder = QStringLiteral(":/mivo/symbols/");
const QString kFallback = QStringLiteral(":/mivo/symbols-fallback.svg");

QString pathOf(const QString& name)
{
    return kFolder + name + QStringLiteral(".svg");
}

void warnOnce(const QString& name)
{
    static QSet<QString> warned;
    if (warned.contains(name))
        return;
    warned.insert(name);
    qCWarning(lcApp).noquote() << QStringLiteral("no symbol named \"%1\"; drawing the placeholder").arg(name);
}

class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString name, ThemeColor color)
        : m_name(std::move(name))
        , m_color(color)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        QColor color = m_color.resolve(QGuiApplication::palette());
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.4f);
        Symbols::paint(*painter, QRectF(rect), m_name, color);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_name, m_color); }
    QString key() const override { return QStringLiteral("mivo-symbol"); }

private:
    QString m_name;
    ThemeColor m_color;
};

} // namespace

bool contains(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && TemplateImage::exists(pathOf(name));
}

QStringList names()
{
    TemplateImage::exists(kFallback); // registers the resources
    QStringList result;
    const auto files = QDir(kFolder).entryList({ QStringLiteral("*.svg") }, QDir::Files, QDir::Name);
    for (const QString& file : files)
        result.append(file.chopped(4));
    return result;
}

QString resourcePath(const QString& name)
{
    if (contains(name))
        return pathOf(name);
    warnOnce(name);
    return kFallback;
}

void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color)
{
    TemplateImage::paint(painter, rect, resourcePath(name), color);
}

QIcon icon(const QString& name, const ThemeColor& color)
{
    return QIcon(new SymbolIconEngine(name, color));
}

} // namespace mivo::Symbols
