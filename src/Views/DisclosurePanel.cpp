#include "Views/DisclosurePanel.h"

#include "Styling/ExpandSpring.h"
#include "Styling/GlassEnvironment.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>
#include <cmath>

namespace mivo {

DisclosurePanel::DisclosurePanel(QWidget* content, bool revealed, QWidget* parent)
    : QWidget(parent)
    , m_content(content)
    , m_animation(new QVariantAnimation(this))
    , m_revealed(revealed)
    , m_openness(revealed ? 1 : 0)
{
    m_content->setParent(this);
    m_content->show();
    setSizePolicy(m_content->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    m_animation->setDuration(ExpandSpring::kDurationMs);
    m_animation->setEasingCurve(ExpandSpring::curve());
    connect(m_animation, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { setOpenness(value.toReal()); });
    connect(m_animation, &QVariantAnimation::finished, this, &DisclosurePanel::settle);
    if (!revealed)
        hide();
}

bool DisclosurePanel::isMoving() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void DisclosurePanel::setRevealed(bool revealed)
{
    if (revealed == m_revealed)
        return;
    m_revealed = revealed;
    // Nothing moves where nobody can see it: under reduce motion, or while the
    // place the panel sits in is not on screen.
    const QWidget* place = parentWidget();
    if (GlassEnvironment::of(this).reduceMotion || !place || !place->isVisible()) {
        m_animation->stop();
        m_openness = revealed ? 1 : 0;
        settle();
        return;
    }
    // While it moves the content is drawn through one fade; a reversal midway
    // starts from where the fold stands.
    if (!m_fade) {
        m_fade = new QGraphicsOpacityEffect(m_content);
        m_fade->setOpacity(m_openness);
        m_content->setGraphicsEffect(m_fade);
    }
    m_animation->stop();
    m_animation->setStartValue(m_openness);
    m_animation->setEndValue(revealed ? 1.0 : 0.0);
    show();
    setOpenness(m_openness);
    m_animation->start();
}

void DisclosurePanel::setOpenness(qreal openness)
{
    m_openness = openness;
    if (m_fade)
        m_fade->setOpacity(std::clamp<qreal>(openness, 0, 1));
    updateGeometry();
    placeContent();
}

void DisclosurePanel::settle()
{
    if (m_fade) {
        m_content->setGraphicsEffect(nullptr); // deletes it
        m_fade = nullptr;
    }
    // (A panel of no parent yet is never shown as a window of its own.)
    if (!m_revealed)
        hide();
    else if (parentWidget())
        show();
    updateGeometry();
    placeContent();
}

int DisclosurePanel::contentHeight(int width) const
{
    return m_content->hasHeightForWidth() ? m_content->heightForWidth(width) : m_content->sizeHint().height();
}

int DisclosurePanel::heightForWidth(int width) const
{
    // The spring overshoots a little; the panel never opens beyond its content.
    return int(std::lround(std::clamp<qreal>(m_openness, 0, 1) * contentHeight(width)));
}

QSize DisclosurePanel::sizeHint() const
{
    const QSize content = m_content->sizeHint();
    return { content.width(), heightForWidth(width() > 0 ? width() : content.width()) };
}

QSize DisclosurePanel::minimumSizeHint() const
{
    return { m_content->minimumSizeHint().width(),
        heightForWidth(width() > 0 ? width() : sizeHint().width()) };
}

bool DisclosurePanel::event(QEvent* event)
{
    // The content's size changed (more files listed, a wrapped line).
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeContent();
    }
    return QWidget::event(event);
}

void DisclosurePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeContent();
}

void DisclosurePanel::placeContent()
{
    // Slides down from the top edge as the panel opens.
    const int full = contentHeight(width());
    m_content->setGeometry(0, height() - full, width(), full);
}

} // namespace mivo
