#pragma once

#include "Styling/ButtonStyling.h"
#include "Styling/GlassRole.h"
#include "Styling/ThemeColor.h"
#include "Styling/Typography.h"

#include <QString>

class QBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace mivo {

class GlassSurface;
class WizardLabel;

// Small building blocks the wizard's screens share.
namespace WizardParts {

// A surface of `role` whose layout (horizontal or vertical) is padded by `padding`.
GlassSurface* card(const GlassRole& role, Qt::Orientation orientation, int padding, int spacing);
// The layout of a card made by card().
QBoxLayout* layoutOf(QWidget* card);

// A title over a wrapping description, spacing 2.
QWidget* titleAndText(WizardLabel* title, WizardLabel* text);

// `widget` centred in a row: as wide as its maximum width allows, no wider.
QBoxLayout* centred(QWidget* widget);

// A button of the design system at the small control size; never a default button.
QPushButton* smallButton(const QString& title, ButtonStyle style);

} // namespace WizardParts

} // namespace mivo
