#include "Views/Detail/ActivitySpinner.h"

#include "Styling/ThemeColor.h"

#include <QElapsedTimer>
#include <QPainter>
#include <cmath>

namespace mivo {

namespace {

constexpr int kSpokes = 8;
constexpr qint64 kTurnMs = kSpokes * ActivitySpinner::kFrameInterval;

} // namespace

ActivitySpinner::ActivitySpinner(qreal side, QWidget* parent)
    : QWidget(parent)
    , m_side(side)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(QStringLiteral("Loading"));
    m_timer.setInterval(kFrameInterval);
    connect(&m_timer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void ActivitySpinner::setShown(bool shown)
{
    if (m_shown == shown)
        return;
    m_shown = shown;
    updateTimer();
    update();
}

qreal ActivitySpinner::phaseNow()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return qreal(clock.elapsed() % kTurnMs) / qreal(kTurnMs);
}

void ActivitySpinner::paint(QPainter& painter, const QRectF& rect, qreal phase, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    const QPointF centre = rect.center();
    const qreal outer = side / 2;
    const qreal inner = outer * 0.45;
    const qreal width = std::max<qreal>(1.2, side * 0.11);
    const int lead = int(std::floor(phase * kSpokes)) % kSpokes;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        // The leading spoke is brightest; the ones behind it fade out.
        const int behind = (lead - spoke + kSpokes) % kSpokes;
        QColor c = color;
        c.setAlphaF(float(color.alphaF() * (1.0 - 0.8 * behind / qreal(kSpokes - 1))));
        const qreal angle = 2 * M_PI * spoke / kSpokes - M_PI / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre + direction * (inner + width / 2), centre + direction * (outer - width / 2));
    }
    painter.restore();
}

QSize ActivitySpinner::sizeHint() const
{
    const int side = int(std::ceil(m_side));
    return { side, side };
}

void ActivitySpinner::paintEvent(QPaintEvent*)
{
    if (!m_shown)
        return;
    QPainter painter(this);
    paint(painter, QRectF(rect()), phaseNow(), ThemeColor::secondary().resolve(palette()));
}

void ActivitySpinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void ActivitySpinner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void ActivitySpinner::updateTimer()
{
    if (m_shown && isVisible())
        m_timer.start();
    else
        m_timer.stop();
}

} // namespace mivo
