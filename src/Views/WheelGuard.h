#pragma once

class QWidget;

namespace mivo::WheelGuard {

// In `window`, a pop-up, stepper or slider takes the mouse wheel only while it
// has keyboard focus. Otherwise the wheel goes on to the pane that scrolls
// around it and the control changes nothing, so scrolling a form never changes
// a setting on its way. Such controls take focus by a click or Tab, never by
// the wheel. Controls added to the window later are covered too; scroll bars
// keep their wheel.
void install(QWidget* window);

} // namespace mivo::WheelGuard
