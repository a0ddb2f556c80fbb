#pragma once

#include "Styling/GlassResolver.h"

class QWidget;

namespace mivo {

class AccessibilityPreferences;
class UserDefaults;

// The glass policy handed down a widget tree: a root writes a resolver and every
// widget below it reads the nearest one. A widget outside any such root (a
// separate window, a widget rendered on its own) sees GlassResolver::fallback().
namespace GlassEnvironment {

// Write `resolver` for `root` and everything below it; repaints the subtree when it changes.
void set(QWidget* root, const GlassResolver& resolver);

// The resolver of the nearest ancestor (the widget itself included) that has one.
GlassResolver of(const QWidget* widget);

// The window's policy from the accessibility settings, the "reduceGlassEffects"
// preference and the availability of the system glass.
GlassResolver evaluate(const AccessibilityPreferences& preferences, const UserDefaults& defaults);

// Set the evaluated policy on `root` now and again whenever the accessibility
// settings or "reduceGlassEffects" change, for as long as all three live.
void bind(QWidget* root, AccessibilityPreferences* preferences, UserDefaults* defaults);

} // namespace GlassEnvironment

} // namespace mivo
