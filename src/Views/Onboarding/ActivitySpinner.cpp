#include "Views/Onboarding/ActivitySpinner.h"

#include "Styling/ThemeColor.h"

#include <QDateTime>
#include <QPainter>
#include <QTimer>

namespace mivo {

namespace {
constexpr qint64 kTurnMs = 900;
} // namespace

ActivitySpinner::ActivitySpinner(int side, QWidget* parent)
    : QWidget(parent)
    , m_side(side)
    , m_timer(new QTimer(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("In progress"));
    m_timer->setInterval(kFrameMs);
    connect(m_timer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

QSize ActivitySpinner::sizeHint() const
{
    return { m_side, m_side };
}

qreal ActivitySpinner::phaseAt(qint64 msecsSinceEpoch)
{
    return qreal(msecsSinceEpoch % kTurnMs) / kTurnMs;
}

void ActivitySpinner::paint(QPainter& painter, const QRectF& rect, qreal phase, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    const qreal pen = std::max<qreal>(1.5, side / 8);
    const QRectF circle(
        rect.center() - QPointF(side / 2 - pen / 2, side / 2 - pen / 2), QSizeF(side - pen, side - pen));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor faint = color;
    faint.setAlphaF(color.alphaF() * 0.2);
    painter.setPen(QPen(faint, pen));
    painter.drawEllipse(circle);
    painter.setPen(QPen(color, pen, Qt::SolidLine, Qt::RoundCap));
    // Clockwise, starting at twelve o'clock.
    const int start = int((90 - phase * 360) * 16);
    painter.drawArc(circle, start, -100 * 16);
    painter.restore();
}

void ActivitySpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), phaseAt(QDateTime::currentMSecsSinceEpoch()),
        ThemeColor::secondary().resolve(palette()));
}

void ActivitySpinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_timer->start();
}

void ActivitySpinner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

} // namespace mivo
