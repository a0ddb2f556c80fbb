#pragma once

#include <QColor>
#include <QPalette>
#include <QRectF>
#include <Qt>

class QPainter;
class QScrollArea;
class QWidget;

namespace mivo {

// The keyboard's focus ring, one look for every control: a solid ring that
// reaches 3 : 1 against the control's own fill and against the surfaces a
// control sits on (the window, a list, a card), in either appearance. A gap
// through which the surface shows separates it from a control's fill, so it
// reads even on a fill of its own hue: a button's ring takes the bezel's outer
// edge and the fill draws back from it; a switch's lies around its track.
//
// A ring shows only while the focus came to its window by keyboard (Tab,
// Backtab, a shortcut pressed on the keyboard): a click anywhere in a window
// puts its rings away until the keyboard moves the focus again.
namespace FocusRing {

constexpr qreal kWidth = 2;
constexpr qreal kGap = 1;
// The room a ring and its gap take: around a switch's track, or along the
// inside of a button's bezel.
constexpr int kOutset = 3;
constexpr double kContrast = 3.0;

// The ring's colour: the accent, shaded towards black over a light window and
// towards white over a dark one just as far as it takes to reach kContrast
// against the surfaces and, when valid, `fill` laid over them and the `border`
// (laid over the fill) that a ring drawn along a control's edge covers.
QColor color(const QPalette& palette, const QColor& fill = QColor(), const QColor& border = QColor());

// The ring around `bezel`, whose corners have `radius`, kGap outside it: it
// takes the kOutset around the bezel.
void paintAround(QPainter& painter, const QRectF& bezel, qreal radius, const QPalette& palette,
    const QColor& fill = QColor());
// The ring along the inside of `rect`, for what has no room around it (a text
// field's border, a list's row).
void paintWithin(QPainter& painter, const QRectF& rect, qreal radius, const QPalette& palette,
    const QColor& fill = QColor(), const QColor& border = QColor());

// Whether `widget` shows its ring now: it has the focus, and the focus came to
// its window by keyboard.
bool shows(const QWidget* widget);

// Follows the user's input application-wide (idempotent): a press of the
// mouse, a pen or a finger in a window puts its rings away.
void followInput();

// The reason to give when an action of the user moves the focus (a window or
// pane opening for it): a shortcut's after a key, the mouse's after a click;
// OtherFocusReason before any input.
Qt::FocusReason reasonForUserAction();

// Gives `widget` the focus for `reason`, also in a window not yet active, with
// its window's rings shown for a key's reason (Tab, Backtab, a shortcut) and
// put away for the mouse's.
void giveFocus(QWidget* widget, Qt::FocusReason reason);

// Takes `area` out of the Tab chain (it draws no ring of its own): Tab goes
// from control to control inside it, and it scrolls to show the one that takes
// the keyboard, however the keyboard came (Tab, Backtab from outside, a click).
void passFocusThrough(QScrollArea* area);

} // namespace FocusRing

} // namespace mivo
