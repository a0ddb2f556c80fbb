#pragma once

#include <QRectF>
#include <QSizeF>
#include <QStyle>
#include <array>

class QPainter;
class QPushButton;
class QWidget;

namespace mivo {

// The buttons the detail's rows draw without a widget per row: each kind is drawn
// by the application style from one hidden template button, so a painted button
// looks exactly like a real one with the same styling, and follows the glass
// policy of the view it is drawn in.
class PaintedButtons {
public:
    enum class Kind {
        review, // "Review" with a warning symbol, bordered, small, orange
        retry, // "Retry", borderless, small
        expand, // a chevron pointing down, borderless
        collapse, // a chevron pointing up, borderless
    };

    // The templates become hidden children of `view`.
    explicit PaintedButtons(QWidget* view);

    QSizeF size(Kind kind) const;
    // `state` carries enabled, hover, pressed and keyboard focus.
    void paint(QPainter& painter, const QRectF& rect, Kind kind, QStyle::State state) const;
    static QString title(Kind kind);

private:
    QPushButton* button(Kind kind) const { return m_buttons[size_t(kind)]; }

    std::array<QPushButton*, 4> m_buttons {};
};

} // namespace mivo
