#include "Views/ElidedLabel.h"

#include "Views/ViewAccessibility.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>
#include <QTextLayout>
#include <cmath>

namespace mivo {

ElidedLabel::ElidedLabel(TextStyle style, const ThemeColor& color, int maxLines, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_color(color)
    , m_maxLines(std::max(1, maxLines))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(m_maxLines > 1);
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    setSizePolicy(policy);
    ViewAccessibility::setRole(this, QAccessible::StaticText);
}

void ElidedLabel::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    textChanged();
}

void ElidedLabel::setWeight(QFont::Weight weight)
{
    m_weight = weight;
    textChanged();
}

void ElidedLabel::setColor(const ThemeColor& color)
{
    m_color = color;
    update();
}

QFont ElidedLabel::textFont() const
{
    return Typography::font(m_style, font(), m_weight);
}

QStringList ElidedLabel::linesFor(int width) const
{
    QStringList lines;
    if (m_text.isEmpty() || width <= 0)
        return lines;
    const QFont font = textFont();
    const QFontMetricsF metrics(font);
    QTextLayout layout(m_text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == m_maxLines - 1) {
            // The last line takes the rest of the text, cut to fit.
            lines.append(
                metrics.elidedText(m_text.mid(line.textStart()).simplified(), Qt::ElideRight, width));
            break;
        }
        lines.append(m_text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

int ElidedLabel::heightForWidth(int width) const
{
    const qreal lineHeight = QFontMetricsF(textFont()).height();
    const qsizetype count = std::max<qsizetype>(1, linesFor(width).size());
    return int(std::ceil(lineHeight * qreal(count)));
}

QSize ElidedLabel::sizeHint() const
{
    const QFontMetricsF metrics(textFont());
    return QSize(int(std::ceil(metrics.horizontalAdvance(m_text))), int(std::ceil(metrics.height())));
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, int(std::ceil(QFontMetricsF(textFont()).height())));
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(textFont());
    painter.setPen(m_color.resolve(palette()));
    const qreal lineHeight = QFontMetricsF(textFont()).height();
    qreal y = 0;
    for (const QString& line : linesFor(width())) {
        painter.drawText(QRectF(0, y, width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += lineHeight;
    }
}

void ElidedLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        textChanged();
    QWidget::changeEvent(event);
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QStringList lines = linesFor(width());
    const bool cut
        = !lines.isEmpty() && lines.last().endsWith(QChar(0x2026)) && !m_text.endsWith(QChar(0x2026));
    setToolTip(cut ? m_text : QString());
    // Layouts that do not ask for the height at a width still make room for the lines.
    if (m_maxLines > 1 && width() > 0 && heightForWidth(width()) != minimumHeight())
        setMinimumHeight(heightForWidth(width()));
}

void ElidedLabel::textChanged()
{
    updateGeometry();
    update();
    QResizeEvent resize(size(), size());
    resizeEvent(&resize);
}

} // namespace mivo
