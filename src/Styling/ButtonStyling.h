#pragma once

#include "Styling/GlassResolver.h"
#include "Styling/ThemeColor.h"

#include <QString>
#include <optional>

class QPushButton;
class QWidget;

namespace mivo {

// The button styles a view asks for.
enum class ButtonStyle {
    glassProminentAdaptive, // primary action: prominent glass where allowed, else bordered-prominent
    glassAdaptive, // secondary action: glass where allowed, else bordered
    borderedProminent,
    bordered,
    borderless, // small inline actions: no bezel
};

// What a button is drawn as once the glass policy is applied.
enum class ButtonRendering { glassProminent, glass, borderedProminent, bordered, borderless };

enum class ControlSize { mini, small, regular, large };

// Per-button styling, kept on the button and drawn by AppStyle. Tint and control
// size are set per button; a button whose style is not AppStyle gets it.
namespace ButtonStyling {

// The rendering of `style` under the glass policy; the glass renderings need the
// policy to allow glass and the system glass to be available.
ButtonRendering rendering(ButtonStyle style, const GlassResolver& glass, bool systemGlassAvailable);

void setStyle(QPushButton* button, ButtonStyle style);
std::optional<ButtonStyle> style(const QWidget* button);

// The colour of a prominent bezel, or of the label of a bordered or borderless
// button; absent means the accent colour (prominent, borderless) or the primary
// text colour (bordered).
void setTint(QPushButton* button, const ThemeColor& tint);
std::optional<ThemeColor> tint(const QWidget* button);

void setControlSize(QPushButton* button, ControlSize size);
ControlSize controlSize(const QWidget* button);

// A symbol drawn before the title in the label's colour.
void setSymbol(QPushButton* button, const QString& symbolName);
QString symbol(const QWidget* button);

} // namespace ButtonStyling

} // namespace mivo
