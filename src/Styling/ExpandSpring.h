#pragma once

#include <QEasingCurve>

namespace mivo {

// The expand-and-collapse motion every disclosure shares (a group's table, the
// leftover files, a field that appears under a switch): a spring of response
// 0.5 s and damping fraction 0.85, played as an easing curve over kDurationMs.
// Views skip it under reduce motion and jump to the end state.
namespace ExpandSpring {

constexpr double kResponseSeconds = 0.5;
constexpr double kDampingFraction = 0.85;
// Long enough for the spring to settle within a pixel on a window-high fold.
constexpr int kDurationMs = 600;

// How far the spring has moved from its start (0) to its rest (1) after
// `seconds`; it overshoots its rest by well under one percent.
double position(double seconds);

// The spring as an easing curve over kDurationMs: 0 at the start, exactly 1 at the end.
QEasingCurve curve();

} // namespace ExpandSpring

} // namespace mivo
