#include "Views/FocusFrame.h"

#include <QApplication>
#include <QStyleOptionFocusRect>
#include <QWidget>

namespace mivo::FocusFrame {

void paint(QPainter& painter, const QStyleOption& option, const QRect& rect, const QWidget* widget,
    QStyle::State extra, const QColor& fill)
{
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = rect;
    focus.state |= QStyle::State_HasFocus | extra;
    focus.backgroundColor = fill.isValid() ? fill : option.palette.color(QPalette::Window);
    const QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, widget);
}

} // namespace mivo::FocusFrame
