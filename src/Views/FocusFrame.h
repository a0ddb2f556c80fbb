#pragma once

#include <QStyle>

class QColor;
class QPainter;
class QRect;
class QStyleOption;
class QWidget;

namespace mivo {

// The keyboard's place in a list or pane painted without a widget per item:
// the style of `widget` (the application's without one) draws its focus frame
// around `rect`, as native lists show their current row. The style decides from
// `option` (palette and state, with `extra` added) whether the frame shows
// now: most draw it only after the keyboard was used.
namespace FocusFrame {

// `fill`, when valid, is what the frame lies on (a selected row's highlight),
// so that the frame stays apart from it.
void paint(QPainter& painter, const QStyleOption& option, const QRect& rect, const QWidget* widget,
    QStyle::State extra = {}, const QColor& fill = QColor());

} // namespace FocusFrame

} // namespace mivo
