#include "Views/Onboarding/WelcomeHero.h"

#include "Styling/Availability.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassRole.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Symbols.h"
#include "Views/ViewAccessibility.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace mivo {

namespace {
constexpr qreal kHeroSymbolSide = 52;
constexpr int kGrowMs = 500;
constexpr int kPulseMs = 1600;
} // namespace

WelcomeHero::WelcomeHero(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ViewAccessibility::hide(this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize WelcomeHero::sizeHint() const
{
    return { kSide, kSide };
}

bool WelcomeHero::isPulsing() const
{
    return m_pulsing && m_pulsing->state() == QAbstractAnimation::Running;
}

void WelcomeHero::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (GlassEnvironment::of(this).reduceMotion) {
        rest();
        return;
    }
    if (m_pulsing && m_pulsing->state() == QAbstractAnimation::Paused) {
        m_pulsing->resume();
        return;
    }
    if (!m_pulsing)
        createMotion();
    else if (m_pulsing->state() == QAbstractAnimation::Running)
        return;
    m_grow->start();
    m_pulsing->start();
}

void WelcomeHero::createMotion()
{
    // Each step asks again: the desktop's reduce motion turned on meanwhile
    // stops the emblem at once.
    const auto step = [this](qreal& property, const QVariant& value) {
        if (GlassEnvironment::of(this).reduceMotion) {
            rest();
            return;
        }
        property = value.toReal();
        update();
    };
    m_grow = new QVariantAnimation(this);
    m_grow->setDuration(kGrowMs);
    m_grow->setEasingCurve(QEasingCurve::OutCubic);
    m_grow->setStartValue(kRestingScale);
    m_grow->setEndValue(1.0);
    connect(m_grow, &QVariantAnimation::valueChanged, this,
        [this, step](const QVariant& value) { step(m_scale, value); });

    m_pulsing = new QVariantAnimation(this);
    m_pulsing->setDuration(kPulseMs);
    m_pulsing->setLoopCount(-1);
    m_pulsing->setKeyValueAt(0, 1.0);
    m_pulsing->setKeyValueAt(0.5, 0.45);
    m_pulsing->setKeyValueAt(1, 1.0);
    m_pulsing->setEasingCurve(QEasingCurve::InOutSine);
    connect(m_pulsing, &QVariantAnimation::valueChanged, this,
        [this, step](const QVariant& value) { step(m_pulse, value); });
}

void WelcomeHero::rest()
{
    if (m_grow)
        m_grow->stop();
    if (m_pulsing)
        m_pulsing->stop();
    m_scale = kRestingScale;
    m_pulse = 1.0;
    update();
}

void WelcomeHero::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The pulse never ends by itself; out of sight it would only keep the
    // animation timer firing.
    if (m_pulsing && m_pulsing->state() == QAbstractAnimation::Running)
        m_pulsing->pause();
}

void WelcomeHero::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(m_scale, m_scale);
    painter.translate(-centre);

    const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath round;
    round.addEllipse(circle);
    const GlassTier tier = GlassEnvironment::of(this).tier(Availability::systemGlass());
    painter.save();
    painter.setClipPath(round);
    SurfaceStyle::of(GlassRole::panel(), tier).paintBackground(painter, circle, palette());
    painter.restore();
    painter.setPen(QPen(ThemeColor::accent().withOpacity(0.25).resolve(palette()), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);

    QColor tint = ThemeColor::accent().resolve(palette());
    tint.setAlphaF(tint.alphaF() * m_pulse);
    const QRectF symbol(
        centre - QPointF(kHeroSymbolSide / 2, kHeroSymbolSide / 2), QSizeF(kHeroSymbolSide, kHeroSymbolSide));
    Symbols::paint(painter, symbol, QStringLiteral("waveform"), tint);
}

} // namespace mivo
