#include "Views/Onboarding/FinishSeal.h"

#include "Styling/GlassEnvironment.h"
#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Views/ViewAccessibility.h"

#include <QPainter>
#include <QVariantAnimation>

namespace mivo {

namespace {
constexpr int kBounceMs = 450;
// Room for the seal to grow while it bounces.
constexpr int kMargin = 6;
} // namespace

FinishSeal::FinishSeal(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ViewAccessibility::setRole(this, QAccessible::Graphic);
    setAccessibleName(tr("Setup complete"));
}

QSize FinishSeal::sizeHint() const
{
    return { kSide + 2 * kMargin, kSide + 2 * kMargin };
}

void FinishSeal::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_appeared, true) || GlassEnvironment::of(this).reduceMotion)
        return;
    ++m_bounces;
    m_bounce = new QVariantAnimation(this);
    m_bounce->setDuration(kBounceMs);
    m_bounce->setKeyValueAt(0, 1.0);
    m_bounce->setKeyValueAt(0.35, 1.14);
    m_bounce->setKeyValueAt(0.7, 0.97);
    m_bounce->setKeyValueAt(1, 1.0);
    connect(m_bounce, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_scale = value.toReal();
        update();
    });
    m_bounce->start(QAbstractAnimation::DeleteWhenStopped);
}

void FinishSeal::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const qreal side = kSide * m_scale;
    Symbols::paint(painter, QRectF(centre - QPointF(side / 2, side / 2), QSizeF(side, side)),
        QStringLiteral("checkmark.seal.fill"), ThemeColor::green().resolve(palette()));
}

} // namespace mivo
