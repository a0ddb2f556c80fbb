#pragma once

#include <QCoreApplication>
#include <QRectF>
#include <QSizeF>
#include <QStyle>

class QPainter;
class QWidget;

namespace mivo {

// The buttons the detail's rows draw without a widget per row, with the shared
// button painting: they look exactly like button widgets of the same style and
// follow the glass policy and font of the view they are drawn in.
class PaintedButtons {
    Q_DECLARE_TR_FUNCTIONS(PaintedButtons)

public:
    enum class Kind {
        review, // "Review" with a warning symbol, bordered, small, orange
        retry, // "Retry", borderless, small
        expand, // a chevron pointing down, borderless
        collapse, // a chevron pointing up, borderless
    };

    explicit PaintedButtons(QWidget* view);

    QSizeF size(Kind kind) const;
    // `state` carries enabled, hover, pressed and keyboard focus.
    void paint(QPainter& painter, const QRectF& rect, Kind kind, QStyle::State state) const;
    static QString title(Kind kind);

private:
    QWidget* m_view;
};

} // namespace mivo
