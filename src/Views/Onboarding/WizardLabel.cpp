#include "Views/Onboarding/WizardLabel.h"

#include <QApplication>
#include <QEvent>

namespace mivo {

WizardLabel::WizardLabel(
    const QString& text, TextStyle style, const ThemeColor& color, QFont::Weight weight, QWidget* parent)
    : QLabel(text, parent)
    , m_color(color)
{
    setTextFormat(Qt::PlainText);
    setFont(Typography::font(style, QApplication::font(), weight));
    applyColor();
}

void WizardLabel::setColor(const ThemeColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    applyColor();
}

WizardLabel* WizardLabel::wrapping()
{
    setWordWrap(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    // A layout may hand a wrapped text more height than its lines take; the
    // lines stay at the top, under whatever they belong to.
    setAlignment((alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
    return this;
}

WizardLabel* WizardLabel::eliding(Qt::TextElideMode mode)
{
    m_elide = mode;
    m_fullText = text();
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(fontMetrics().averageCharWidth() * 4);
    applyElision();
    return this;
}

void WizardLabel::setFullText(const QString& text)
{
    m_fullText = text;
    if (m_elide)
        applyElision();
    else
        setText(text);
}

void WizardLabel::applyElision()
{
    setText(fontMetrics().elidedText(m_fullText, *m_elide, std::max(0, contentsRect().width())));
    setToolTip(text() == m_fullText ? QString() : m_fullText);
}

void WizardLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (m_elide)
        applyElision();
}

void WizardLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColor();
}

bool WizardLabel::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        applyColor();
    return QLabel::event(event);
}

void WizardLabel::applyColor()
{
    // Resolved against the surroundings, never against this label's own text
    // colour, which holds the previous result.
    const QPalette surroundings = parentWidget() ? parentWidget()->palette() : QApplication::palette();
    const QColor resolved = m_color.resolve(surroundings);
    if (palette().color(QPalette::WindowText) == resolved && testAttribute(Qt::WA_SetPalette))
        return;
    QPalette own = palette();
    own.setColor(QPalette::WindowText, resolved);
    own.setColor(QPalette::Text, resolved);
    setPalette(own);
}

} // namespace mivo
