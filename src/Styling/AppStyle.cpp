#include "Styling/AppStyle.h"

#include "Styling/Availability.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/Symbols.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kSymbolSpacing = 4;

struct LabelLayout {
    QFont font;
    qreal symbolSide = 0; // 0 when the label has no symbol or icon
    QSizeF textSize;

    QSizeF size() const
    {
        const qreal gap = symbolSide > 0 && !textSize.isEmpty() ? kSymbolSpacing : 0;
        return { symbolSide + gap + textSize.width(), std::max(symbolSide, textSize.height()) };
    }
};

LabelLayout layoutLabel(const ButtonStyling::Spec& spec, const QFont& base, const AppStyle::ButtonMetrics& metrics)
{
    LabelLayout layout;
    layout.font = Typography::font(metrics.textStyle, base);
    const QFontMetricsF fm(layout.font);
    if (!spec.text.isEmpty())
        layout.textSize = fm.size(Qt::TextShowMnemonic, spec.text);
    if (!spec.symbol.isEmpty() || !spec.icon.isNull())
        layout.symbolSide = std::round(fm.height());
    return layout;
}

ButtonStyling::Spec specOf(const QStyleOptionButton& option, const QWidget* widget, ButtonStyle style)
{
    return { style, option.text, ButtonStyling::symbol(widget), option.icon, ButtonStyling::tint(widget),
        ButtonStyling::controlSize(widget) };
}

QFont baseFont(const QWidget* widget)
{
    return widget ? widget->font() : QApplication::font();
}

bool isDark(const QPalette& palette)
{
    return ThemeColor::isDark(palette);
}

} // namespace

AppStyle::AppStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
}

AppStyle& AppStyle::shared()
{
    static QPointer<AppStyle> style;
    if (!style) {
        style = new AppStyle;
        style->setParent(qApp);
    }
    return *style;
}

AppStyle::ButtonMetrics AppStyle::buttonMetrics(ControlSize size, ButtonRendering rendering)
{
    if (rendering == ButtonRendering::borderless) {
        switch (size) {
        case ControlSize::mini:
            return { 0, 1, 0, TextStyle::caption2 };
        case ControlSize::small:
            return { 0, 2, 0, TextStyle::subheadline };
        case ControlSize::regular:
        case ControlSize::large:
            return { 0, 2, 0, TextStyle::body };
        }
    }
    switch (size) {
    case ControlSize::mini:
        return { 16, 6, 4, TextStyle::caption2 };
    case ControlSize::small:
        return { 20, 8, 5, TextStyle::subheadline };
    case ControlSize::regular:
        return { 24, 12, 6, TextStyle::body };
    case ControlSize::large:
        return { 30, 16, 8, TextStyle::body };
    }
    return { 24, 12, 6, TextStyle::body };
}

void AppStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == CE_PushButton) {
        if (const auto style = ButtonStyling::style(widget)) {
            drawStyledButton(option, painter, widget, *style);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize AppStyle::sizeFromContents(
    ContentsType type, const QStyleOption* option, const QSize& contentsSize, const QWidget* widget) const
{
    if (type == CT_PushButton) {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        const auto style = ButtonStyling::style(widget);
        if (button && style) {
            const ButtonRendering rendering
                = ButtonStyling::rendering(*style, GlassEnvironment::of(widget), Availability::systemGlass());
            return styledButtonSize(specOf(*button, widget, *style), rendering, baseFont(widget));
        }
    }
    return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
}

QSize AppStyle::styledButtonSize(const ButtonStyling::Spec& spec, ButtonRendering rendering, const QFont& font)
{
    const ButtonMetrics metrics = buttonMetrics(spec.controlSize, rendering);
    const QSizeF label = layoutLabel(spec, font, metrics).size();
    const qreal verticalPadding = rendering == ButtonRendering::borderless ? 1 : 3;
    const qreal height = std::max(metrics.height, label.height() + 2 * verticalPadding);
    const qreal width = std::max(label.width() + 2 * metrics.horizontalPadding, height);
    return { int(std::ceil(width)), int(std::ceil(height)) };
}

void AppStyle::drawStyledButton(
    const QStyleOption* option, QPainter* painter, const QWidget* widget, ButtonStyle style) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button)
        return;
    const ButtonRendering rendering
        = ButtonStyling::rendering(style, GlassEnvironment::of(widget), Availability::systemGlass());
    paintStyledButton(*painter, *button, specOf(*button, widget, style), rendering, baseFont(widget));
}

void AppStyle::paintStyledButton(QPainter& painter, const QStyleOption& option, const ButtonStyling::Spec& spec,
    ButtonRendering rendering, const QFont& font)
{
    const ButtonMetrics metrics = buttonMetrics(spec.controlSize, rendering);
    const QPalette& palette = option.palette;
    const std::optional<ThemeColor>& tint = spec.tint;
    const bool enabled = option.state & QStyle::State_Enabled;
    const bool pressed = option.state & (QStyle::State_Sunken | QStyle::State_On);
    const bool hovered = enabled && (option.state & QStyle::State_MouseOver);
    const bool dark = isDark(palette);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!enabled)
        painter.setOpacity(0.45);

    const QRectF bezel = QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(bezel, metrics.cornerRadius, metrics.cornerRadius);

    QColor labelColor;
    switch (rendering) {
    // The glass renderings only occur where the system offers glass; they are
    // drawn like their bordered counterparts.
    case ButtonRendering::glassProminent:
    case ButtonRendering::borderedProminent: {
        QColor fill = tint.value_or(ThemeColor::accent()).resolve(palette);
        if (pressed)
            fill = fill.darker(120);
        else if (hovered)
            fill = fill.lighter(108);
        painter.fillPath(shape, fill);
        labelColor = Qt::white;
        break;
    }
    case ButtonRendering::glass:
    case ButtonRendering::bordered: {
        QColor fill;
        if (tint) {
            fill = tint->withOpacity(pressed ? 0.3 : hovered ? 0.22 : 0.16).resolve(palette);
            labelColor = tint->resolve(palette);
        } else {
            const qreal base = dark ? 0.13 : 0.07;
            fill = ThemeColor::primary()
                       .withOpacity(pressed ? base + 0.08
                               : hovered    ? base + 0.03
                                            : base)
                       .resolve(palette);
            labelColor = ThemeColor::primary().resolve(palette);
        }
        painter.fillPath(shape, fill);
        if (!tint) {
            painter.setPen(QPen(ThemeColor::separator().resolve(palette), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(shape);
        }
        break;
    }
    case ButtonRendering::borderless:
        labelColor = tint.value_or(ThemeColor::accent()).resolve(palette);
        if (pressed)
            labelColor.setAlphaF(labelColor.alphaF() * 0.6f);
        break;
    }

    // The label: symbol (or icon) and title, centred together.
    const LabelLayout layout = layoutLabel(spec, font, metrics);
    const QSizeF labelSize = layout.size();
    const QRectF content
        = QRectF(option.rect).adjusted(metrics.horizontalPadding, 0, -metrics.horizontalPadding, 0);
    qreal x = content.left() + std::max<qreal>(0, (content.width() - labelSize.width()) / 2);
    const qreal centreY = QRectF(option.rect).center().y();
    if (layout.symbolSide > 0) {
        const QRectF symbolRect(x, centreY - layout.symbolSide / 2, layout.symbolSide, layout.symbolSide);
        if (!spec.symbol.isEmpty())
            Symbols::paint(painter, symbolRect, spec.symbol, labelColor);
        else
            spec.icon.paint(&painter, symbolRect.toAlignedRect(), Qt::AlignCenter,
                enabled ? QIcon::Normal : QIcon::Disabled);
        x += layout.symbolSide + (layout.textSize.isEmpty() ? 0 : kSymbolSpacing);
    }
    if (!spec.text.isEmpty()) {
        painter.setFont(layout.font);
        painter.setPen(labelColor);
        const QRectF textRect(
            x, option.rect.top(), std::max<qreal>(0, content.right() - x), option.rect.height());
        const QString text
            = QFontMetricsF(layout.font)
                  .elidedText(spec.text, Qt::ElideRight, textRect.width() + 0.5, Qt::TextShowMnemonic);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
    }

    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_KeyboardFocusChange)) {
        QColor ring = ThemeColor::accent().resolve(palette);
        ring.setAlphaF(0.6f);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        const QRectF ringRect = QRectF(option.rect).adjusted(1, 1, -1, -1);
        painter.drawRoundedRect(ringRect, metrics.cornerRadius, metrics.cornerRadius);
    }
    painter.restore();
}

} // namespace mivo
