#include "Views/ArtworkView.h"

#include "Views/ArtworkLoader.h"
#include "Views/ArtworkPainter.h"
#include "Views/ViewAccessibility.h"

#include <QPainter>
#include <cmath>

namespace mivo {

ArtworkView::ArtworkView(
    const ArtworkRef& ref, qreal size, const QString& placeholderSymbol, qreal cornerRadius, QWidget* parent)
    : QWidget(parent)
    , m_loader(nullptr)
    , m_ref(ref)
    , m_size(size)
    , m_placeholderSymbol(placeholderSymbol)
    , m_cornerRadius(cornerRadius)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ViewAccessibility::hide(this);
    setLoader(&ArtworkLoader::shared());
}

ArtworkView::ArtworkView(const ArtworkRef& ref, qreal size, qreal cornerRadius, QWidget* parent)
    : ArtworkView(ref, size, QStringLiteral("music.note"), cornerRadius, parent)
{
}

void ArtworkView::setLoader(ArtworkLoader* loader)
{
    if (m_loader == loader)
        return;
    if (m_loader)
        disconnect(m_loader, nullptr, this, nullptr);
    m_loader = loader;
    connect(m_loader, &ArtworkLoader::ready, this, &ArtworkView::take);
    reload();
}

void ArtworkView::setRef(const ArtworkRef& ref)
{
    if (m_ref == ref)
        return;
    m_ref = ref;
    reload();
}

void ArtworkView::setArtworkSize(qreal size)
{
    if (m_size == size)
        return;
    m_size = size;
    updateGeometry();
    reload();
}

void ArtworkView::setPlaceholderSymbol(const QString& symbol)
{
    if (m_placeholderSymbol == symbol)
        return;
    m_placeholderSymbol = symbol;
    update();
}

void ArtworkView::reload()
{
    m_key = ArtworkLoader::key(m_ref, m_size);
    // An image held in memory replaces the old one directly; otherwise the
    // placeholder shows until ready() names this key.
    m_image = m_loader->image(m_ref, m_size);
    update();
}

void ArtworkView::take(const QString& key)
{
    // Results for any other key, an earlier one included, are not this view's.
    if (key != m_key)
        return;
    m_image = m_loader->image(m_ref, m_size);
    update();
}

QSize ArtworkView::sizeHint() const
{
    const int side = std::isfinite(m_size) && m_size > 0 ? int(std::ceil(m_size)) : 0;
    return { side, side };
}

void ArtworkView::paintEvent(QPaintEvent*)
{
    // Still the placeholder: ask again, so a load that failed a while ago is
    // tried once more (the loader decides whether it is due).
    if (m_image.isNull() && m_key)
        m_image = m_loader->image(m_ref, m_size);
    QPainter painter(this);
    const QRectF square(0, 0, m_size, m_size);
    ArtworkPainter::paint(painter, square, m_image, m_placeholderSymbol, m_cornerRadius, palette());
}

} // namespace mivo
