#include "Views/ActivityIndicator.h"

#include "Styling/ThemeColor.h"
#include "Views/ViewAccessibility.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTimerEvent>
#include <cmath>

namespace mivo {

ActivityIndicator::ActivityIndicator(qreal diameter, QWidget* parent)
    : QWidget(parent)
    , m_diameter(diameter)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ViewAccessibility::setRole(this, QAccessible::ProgressBar);
    setAccessibleName(tr("Loading"));
}

QSize ActivityIndicator::sizeHint() const
{
    const int side = int(std::ceil(m_diameter));
    return { side, side };
}

void ActivityIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_step, ThemeColor::secondary().resolve(palette()));
}

int ActivityIndicator::stepNow()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return int((clock.elapsed() / kIntervalMs) % kSpokes);
}

void ActivityIndicator::paint(QPainter& painter, const QRectF& rect, int step, const QColor& base)
{
    const qreal radius = std::min(rect.width(), rect.height()) / 2.0;
    if (radius <= 0)
        return;
    const qreal inner = radius * 0.45;
    const qreal thickness = std::max<qreal>(1.5, radius * 0.2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center());
    for (int i = 0; i < kSpokes; ++i) {
        // The leading spoke is the darkest; the others fade behind it.
        const int age = (step - i + kSpokes) % kSpokes;
        QColor color = base;
        color.setAlphaF(float(base.alphaF() * (1.0 - 0.8 * age / (kSpokes - 1))));
        painter.setPen(QPen(color, thickness, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 2 * M_PI * i / kSpokes - M_PI / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(direction * inner, direction * (radius - thickness / 2));
    }
    painter.restore();
}

void ActivityIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_timer.start(kIntervalMs, this);
}

void ActivityIndicator::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void ActivityIndicator::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId())
        return QWidget::timerEvent(event);
    m_step = (m_step + 1) % kSpokes;
    update();
}

} // namespace mivo
