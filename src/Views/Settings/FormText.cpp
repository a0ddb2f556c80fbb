#include "Views/Settings/FormText.h"

#include <QApplication>
#include <QEvent>

namespace mivo {

FormText::FormText(const QString& text, TextStyle style, const ThemeColor& color, QWidget* parent)
    : QLabel(parent)
    , m_style(style)
    , m_color(color)
{
    setTextFormat(Qt::PlainText);
    setText(text);
    setTextStyle(style);
    applyColor();
}

void FormText::setColor(const ThemeColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    applyColor();
}

void FormText::setTextStyle(TextStyle style, QFont::Weight weight)
{
    m_style = style;
    setFont(Typography::font(style, QApplication::font(), weight));
}

void FormText::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyColor();
}

void FormText::applyColor()
{
    if (m_applying)
        return;
    m_applying = true;
    // Resolved against the surroundings, not against this label's own palette,
    // which already carries the resolved colour.
    const QPalette surrounding = parentWidget() ? parentWidget()->palette() : QApplication::palette();
    const QColor resolved = m_color.resolve(surrounding);
    if (palette().color(QPalette::WindowText) != resolved) {
        QPalette own = palette();
        own.setColor(QPalette::WindowText, resolved);
        own.setColor(QPalette::Text, resolved);
        setPalette(own);
    }
    m_applying = false;
}

} // namespace mivo
