#include "Styling/GlassSurface.h"

#include "Styling/Availability.h"
#include "Styling/GlassEnvironment.h"

#include <QChildEvent>
#include <QPainter>

namespace mivo {

// Draws what lies over the content; kept above every other child.
class GlassSurface::Overlay : public QWidget {
public:
    explicit Overlay(GlassSurface* surface)
        : QWidget(surface)
        , m_surface(surface)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_surface->surfaceStyle().paintOverlay(painter, QRectF(rect()), palette());
    }

private:
    GlassSurface* m_surface;
};

GlassSurface::GlassSurface(const GlassRole& role, QWidget* parent)
    : QWidget(parent)
    , m_role(role)
{
    setAttribute(Qt::WA_NoSystemBackground);
    m_overlay = new Overlay(this);
}

void GlassSurface::setRole(const GlassRole& role)
{
    if (m_role == role)
        return;
    m_role = role;
    update();
    m_overlay->update();
}

GlassTier GlassSurface::tier() const
{
    return GlassEnvironment::of(this).tier(Availability::systemGlass());
}

SurfaceStyle GlassSurface::surfaceStyle() const
{
    return SurfaceStyle::of(m_role, tier());
}

void GlassSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    surfaceStyle().paintBackground(painter, QRectF(rect()), palette());
}

void GlassSurface::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_overlay->setGeometry(rect());
}

bool GlassSurface::event(QEvent* event)
{
    if ((event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) && m_overlay) {
        // Children added later would cover the overlay; keep it on top.
        const auto* added = static_cast<QChildEvent*>(event);
        if (added->child() != m_overlay && added->child()->isWidgetType())
            m_overlay->raise();
    }
    return QWidget::event(event);
}

} // namespace mivo
