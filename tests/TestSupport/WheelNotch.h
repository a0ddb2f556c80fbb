#pragma once

#include <QApplication>
#include <QRectF>
#include <QSpontaneKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace mivo::test {

// One notch of the wheel over `widget`, as the window system delivers it:
// spontaneous, so the application gives focus by the wheel and passes an
// ignored wheel on to the parents.
inline void wheelOver(QWidget* widget)
{
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(widget, &wheel);
}

} // namespace mivo::test
