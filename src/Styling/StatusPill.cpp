#include "Styling/StatusPill.h"

#include "Styling/AtomAccessibility.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"

#include <QPainter>
#include <cmath>

namespace mivo {

namespace {
constexpr qreal kPillSpacing = 4;

qreal symbolSide(const QFont& font)
{
    return std::round(QFontMetricsF(font).height());
}
} // namespace

StatusPill::StatusPill(StatusRole role, const QString& text, bool prominent, QWidget* parent)
    : QWidget(parent)
    , m_role(role)
    , m_text(text)
    , m_prominent(prominent)
{
    AtomAccessibility::install();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(m_text);
}

void StatusPill::setRole(StatusRole role)
{
    if (m_role == role)
        return;
    m_role = role;
    update();
}

void StatusPill::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(m_text);
    changed();
}

void StatusPill::setProminent(bool prominent)
{
    if (m_prominent == prominent)
        return;
    m_prominent = prominent;
    changed();
}

void StatusPill::changed()
{
    updateGeometry();
    update();
}

QFont StatusPill::font(const QFont& base, bool prominent)
{
    return Typography::font(TextStyle::caption, base, prominent ? QFont::DemiBold : QFont::Normal);
}

QSizeF StatusPill::sizeFor(const QString& text, const QFont& font)
{
    const QFontMetricsF fm(font);
    const qreal side = symbolSide(font);
    return { side + kPillSpacing + fm.horizontalAdvance(text), std::max(side, fm.height()) };
}

void StatusPill::paint(QPainter& painter, const QRectF& rect, StatusRole role, const QString& text,
    const QFont& font, const QPalette& palette)
{
    const QColor color = Tokens::Status::color(role).resolve(palette);
    const qreal side = symbolSide(font);
    Symbols::paint(painter, QRectF(rect.left(), rect.center().y() - side / 2, side, side),
        Tokens::Status::symbol(role), color);
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    const qreal x = rect.left() + side + kPillSpacing;
    const QRectF textRect(x, rect.top(), std::max<qreal>(0, rect.right() - x), rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(font).elidedText(text, Qt::ElideRight, textRect.width() + 0.5));
    painter.restore();
}

QSize StatusPill::sizeHint() const
{
    const QSizeF size = sizeFor(m_text, font(QWidget::font(), m_prominent));
    return { int(std::ceil(size.width())), int(std::ceil(size.height())) };
}

void StatusPill::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paint(painter, QRectF(rect()), m_role, m_text, font(QWidget::font(), m_prominent), palette());
}

} // namespace mivo
