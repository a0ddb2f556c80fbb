#include "Styling/SourceLogo.h"

#include "Styling/AssetImages.h"
#include "Styling/AtomAccessibility.h"
#include "Styling/ContinuousCorners.h"
#include "Styling/Tokens.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mivo {

namespace {
// Larger logos are drawn at this edge length.
constexpr qreal kMaxSize = 4096;
} // namespace

SourceLogo::SourceLogo(
    const QString& asset, const ThemeColor& accent, const QString& name, qreal size, QWidget* parent)
    : QWidget(parent)
    , m_asset(asset)
    , m_accent(accent)
    , m_name(name)
    , m_size(std::isfinite(size) ? std::clamp<qreal>(size, 0, kMaxSize) : 0)
{
    AtomAccessibility::install();
    setAccessibleName(m_name);
    setFixedSize(sizeHint());
}

SourceLogo::SourceLogo(PlaylistSourceId source, qreal size, QWidget* parent)
    : SourceLogo(Tokens::Source::logoAsset(source), Tokens::Source::accent(source),
        Tokens::Source::displayName(source), size, parent)
{
}

SourceLogo::SourceLogo(SourceId source, qreal size, QWidget* parent)
    : SourceLogo(Tokens::Source::logoAsset(source), Tokens::Source::accent(source),
        Tokens::Source::displayName(source), size, parent)
{
}

QSize SourceLogo::sizeHint() const
{
    const int side = int(std::ceil(m_size));
    return { side, side };
}

void SourceLogo::paint(QPainter& painter, const QRectF& rect, const QString& asset, const QColor& accent)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (!(side > 0))
        return;
    const QRectF square(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(ContinuousCorners::path(square, cornerRadius(side)), accent);
    const qreal inset = padding(side);
    AssetImages::paint(painter, square.adjusted(inset, inset, -inset, -inset), asset, Qt::white);
    painter.restore();
}

void SourceLogo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF square(QPointF(0, 0), QSizeF(m_size, m_size));
    paint(painter, square, m_asset, m_accent.resolve(palette()));
}

} // namespace mivo
