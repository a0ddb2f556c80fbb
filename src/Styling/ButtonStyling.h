#pragma once

#include "Styling/GlassResolver.h"
#include "Styling/ThemeColor.h"

#include <QFont>
#include <QIcon>
#include <QString>
#include <QStyle>
#include <optional>

class QPainter;
class QPushButton;
class QStyleOption;
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

// A styled button described without a QPushButton, so that a delegate can draw
// one in a cell and hit-test it (the same drawing as a button widget gets).
struct Spec {
    ButtonStyle style = ButtonStyle::bordered;
    QString text;
    QString symbol; // drawn before the title; empty for none
    QIcon icon; // drawn in the symbol's place when there is no symbol
    std::optional<ThemeColor> tint;
    ControlSize controlSize = ControlSize::regular;
};

// The size the button takes with `font` as its base font under `glass`.
QSize sizeHint(const Spec& spec, const GlassResolver& glass, const QFont& font);

// Draws the button into `option.rect`; `option.state` says whether it is enabled,
// hovered (State_MouseOver), pressed (State_Sunken) or has keyboard focus, and
// `option.palette` gives the appearance.
void paint(QPainter& painter, const QStyleOption& option, const Spec& spec, const GlassResolver& glass,
    const QFont& font);

} // namespace ButtonStyling

} // namespace mivo
