#include "Styling/ButtonStyling.h"

#include "Styling/AppStyle.h"
#include "Styling/Availability.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QVariant>

namespace mivo::ButtonStyling {

namespace {

constexpr char kStyle[] = "mivoButtonStyle";
constexpr char kTint[] = "mivoButtonTint";
constexpr char kControlSize[] = "mivoControlSize";
constexpr char kSymbol[] = "mivoButtonSymbol";

void restyle(QPushButton* button)
{
    if (!qobject_cast<AppStyle*>(button->style())) {
        button->setStyle(&AppStyle::shared());
        return;
    }
    // The button caches its size hint until its style changes; tell it so.
    QEvent changed(QEvent::StyleChange);
    QCoreApplication::sendEvent(button, &changed);
    button->update();
}

} // namespace

ButtonRendering rendering(ButtonStyle style, const GlassResolver& glass, bool systemGlassAvailable)
{
    const bool glassHere = glass.usesGlass() && systemGlassAvailable;
    switch (style) {
    case ButtonStyle::glassProminentAdaptive:
        return glassHere ? ButtonRendering::glassProminent : ButtonRendering::borderedProminent;
    case ButtonStyle::glassAdaptive:
        return glassHere ? ButtonRendering::glass : ButtonRendering::bordered;
    case ButtonStyle::borderedProminent:
        return ButtonRendering::borderedProminent;
    case ButtonStyle::bordered:
        return ButtonRendering::bordered;
    case ButtonStyle::borderless:
        return ButtonRendering::borderless;
    }
    return ButtonRendering::bordered;
}

void setStyle(QPushButton* button, ButtonStyle style)
{
    button->setProperty(kStyle, int(style));
    restyle(button);
}

std::optional<ButtonStyle> style(const QWidget* button)
{
    const QVariant value = button ? button->property(kStyle) : QVariant();
    if (!value.isValid())
        return std::nullopt;
    return ButtonStyle(value.toInt());
}

void setTint(QPushButton* button, const ThemeColor& tint)
{
    button->setProperty(kTint, QVariant::fromValue(tint));
    restyle(button);
}

std::optional<ThemeColor> tint(const QWidget* button)
{
    const QVariant value = button ? button->property(kTint) : QVariant();
    if (!value.isValid())
        return std::nullopt;
    return value.value<ThemeColor>();
}

void setControlSize(QPushButton* button, ControlSize size)
{
    button->setProperty(kControlSize, int(size));
    restyle(button);
}

ControlSize controlSize(const QWidget* button)
{
    const QVariant value = button ? button->property(kControlSize) : QVariant();
    return value.isValid() ? ControlSize(value.toInt()) : ControlSize::regular;
}

void setSymbol(QPushButton* button, const QString& symbolName)
{
    button->setProperty(kSymbol, symbolName);
    restyle(button);
}

QString symbol(const QWidget* button)
{
    return button ? button->property(kSymbol).toString() : QString();
}

QSize sizeHint(const Spec& spec, const GlassResolver& glass, const QFont& font)
{
    return AppStyle::styledButtonSize(spec, rendering(spec.style, glass, Availability::systemGlass()), font);
}

void paint(QPainter& painter, const QStyleOption& option, const Spec& spec, const GlassResolver& glass,
    const QFont& font)
{
    AppStyle::paintStyledButton(
        painter, option, spec, rendering(spec.style, glass, Availability::systemGlass()), font);
}

} // namespace mivo::ButtonStyling
