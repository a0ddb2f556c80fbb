#include "Views/Banners/MessageText.h"

#include "Views/ViewAccessibility.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QTextOption>
#include <cmath>

namespace mivo {

namespace {

QTextOption wrapping()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

} // namespace

MessageText::MessageText(QWidget* parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // The holder's surface shows through.
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    m_measure.setDocumentMargin(0);
    m_measure.setDefaultTextOption(wrapping());
    syncMeasure();
    // Read as the text it shows.
    ViewAccessibility::setRole(this, QAccessible::StaticText);
}

void MessageText::setMessage(const QString& text)
{
    if (text == toPlainText())
        return;
    setPlainText(text);
    setAccessibleName(text);
    syncMeasure();
    updateGeometry();
}

void MessageText::syncMeasure()
{
    m_measure.setDefaultFont(font());
    m_measure.setPlainText(toPlainText());
}

int MessageText::heightForWidth(int width) const
{
    m_measure.setTextWidth(std::max(1, width));
    return int(std::ceil(m_measure.documentLayout()->documentSize().height()));
}

QSize MessageText::sizeHint() const
{
    // As wide as the text on one line; the holder narrows it and asks for the height.
    m_measure.setTextWidth(-1);
    const QSizeF natural = m_measure.documentLayout()->documentSize();
    const int width = int(std::ceil(natural.width()));
    return { width, heightForWidth(width) };
}

QSize MessageText::minimumSizeHint() const
{
    return { fontMetrics().averageCharWidth() * 4, fontMetrics().height() };
}

void MessageText::changeEvent(QEvent* event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        document()->setDefaultFont(font());
        syncMeasure();
        updateGeometry();
    }
}

void MessageText::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    // The shown text follows the width, so it never scrolls out of sight.
    document()->setTextWidth(viewport()->width());
}

} // namespace mivo
