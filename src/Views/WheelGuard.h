#pragma once

class QWidget;

namespace mivo::WheelGuard {

// In `window`, a pop-up, stepper or slider takes the mouse wheel only while it
// has keyboard focus that the user gave it: a click on it, Tab or Backtab
// pressed on the keyboard, or a shortcut. Focus the toolkit moved on its own
// (the focused control was hidden by a pane switch, a screen was replaced, a
// window came back to the front without the user choosing a control) does not
// count. Otherwise the wheel goes on to the pane that scrolls around it and the
// control changes nothing, so scrolling a form never changes a setting on its
// way. Such controls take focus by a click or Tab, never by the wheel.
// Controls added to the window later are covered too; scroll bars keep their
// wheel.
void install(QWidget* window);

// Whether `control` was given its focus by the user and still has it.
bool hasFocusFromUser(const QWidget* control);

} // namespace mivo::WheelGuard
