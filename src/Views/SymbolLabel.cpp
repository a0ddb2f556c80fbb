#include "Views/SymbolLabel.h"

#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Views/ViewAccessibility.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace mivo {

SymbolLabel::SymbolLabel(const QString& symbol, const ThemeColor& symbolColor, TextStyle style,
    const ThemeColor& textColor, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_symbolColor(symbolColor)
    , m_style(style)
    , m_textColor(textColor)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Symbol and text are read as one.
    ViewAccessibility::setRole(this, QAccessible::StaticText);
}

void SymbolLabel::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void SymbolLabel::setSymbol(const QString& symbol, const ThemeColor& color)
{
    m_symbol = symbol;
    m_symbolColor = color;
    update();
}

void SymbolLabel::setWeight(QFont::Weight weight)
{
    m_weight = weight;
    updateGeometry();
    update();
}

void SymbolLabel::setSymbolScale(qreal scale)
{
    m_symbolScale = scale;
    updateGeometry();
    update();
}

QFont SymbolLabel::textFont() const
{
    return Typography::font(m_style, font(), m_weight);
}

qreal SymbolLabel::symbolEdge() const
{
    return std::round(QFontMetricsF(textFont()).height() * 0.8 * m_symbolScale);
}

QSize SymbolLabel::sizeHint() const
{
    const QFontMetricsF metrics(textFont());
    const qreal edge = symbolEdge();
    const qreal textWidth = m_text.isEmpty() ? 0 : Tokens::Space::xs + metrics.horizontalAdvance(m_text);
    return QSize(int(std::ceil(edge + textWidth)), int(std::ceil(std::max(edge, metrics.height()))));
}

QSize SymbolLabel::minimumSizeHint() const
{
    const QSize hint = sizeHint();
    return QSize(int(symbolEdge()), hint.height());
}

void SymbolLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal edge = symbolEdge();
    const QRectF symbolRect(0, (height() - edge) / 2, edge, edge);
    Symbols::paint(painter, symbolRect, m_symbol, m_symbolColor.resolve(palette()));
    if (m_text.isEmpty())
        return;
    const QFont font = textFont();
    painter.setFont(font);
    painter.setPen(m_textColor.resolve(palette()));
    const QRectF textRect(edge + Tokens::Space::xs, 0, width() - edge - Tokens::Space::xs, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(font).elidedText(m_text, Qt::ElideRight, textRect.width()));
}

void SymbolLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

} // namespace mivo
