#include "Styling/AppStyle.h"

#include "Styling/Availability.h"
#include "Styling/ContinuousCorners.h"
#include "Styling/FocusRing.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassRole.h"
#include "Styling/Material.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStyleOptionMenuItem>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kSymbolSpacing = 4;

// The outline of a text field or of a check box that is off: 3:1 against the
// window, a card on it, a card on a panel (the wizard's) and the field's own
// background, whichever it lies on.
QColor controlOutline(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor material = Materials::fill(Material::regular, palette);
    const QColor card = ThemeColor::composite(material, window);
    const QColor cardOnPanel = ThemeColor::composite(material, card);
    return ThemeColor::legibleOn(ThemeColor::separator().withOpacity(1.6).resolve(palette),
        { card, cardOnPanel, window, palette.color(QPalette::Active, QPalette::Base) }, 3.0);
}

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

LabelLayout layoutLabel(
    const ButtonStyling::Spec& spec, const QFont& base, const AppStyle::ButtonMetrics& metrics)
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

// What a tool button that rises only when used shows while hovered, pressed
// or on; invalid when none of these.
QColor raisedHighlight(const QStyleOption& option)
{
    const bool enabled = option.state & QStyle::State_Enabled;
    const bool sunken = option.state & QStyle::State_Sunken;
    const bool on = option.state & QStyle::State_On;
    const bool hovered = enabled && (option.state & QStyle::State_MouseOver);
    if (!sunken && !on && !hovered)
        return {};
    const qreal opacity = sunken ? 0.16 : on ? (ThemeColor::isDark(option.palette) ? 0.14 : 0.09) : 0.05;
    return ThemeColor::primary().withOpacity(opacity).resolve(option.palette);
}

// The tick of a check box that is on, and of the current item of a pop-up
// list, in a square of `side` at `box`'s top left.
void paintTick(QPainter& painter, const QRectF& box, qreal side, const QColor& color)
{
    QPen tick(color, std::max<qreal>(1.5, side / 8));
    tick.setCapStyle(Qt::RoundCap);
    tick.setJoinStyle(Qt::RoundJoin);
    painter.setPen(tick);
    painter.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(box.left() + side * 0.25, box.top() + side * 0.52);
    path.lineTo(box.left() + side * 0.43, box.top() + side * 0.70);
    path.lineTo(box.left() + side * 0.76, box.top() + side * 0.32);
    painter.drawPath(path);
}

// The pop-up list of a pop-up button: a window of its own holding a list.
bool isPopupList(const QWidget* widget)
{
    return widget && widget->inherits("QComboBoxPrivateContainer");
}

bool isPopupListView(const QWidget* widget)
{
    return widget && isPopupList(widget->parentWidget());
}

GlassTier tierOf(const QWidget* widget)
{
    return GlassEnvironment::of(widget).tier(Availability::systemGlass());
}

// Pop-up lists float over the window: the floating surface, in the corners of
// the button they open from. Nothing lies behind a window of its own, so the
// surface is laid over the window colour.
SurfaceStyle popupSurface(const QWidget* widget)
{
    SurfaceStyle surface = SurfaceStyle::of(GlassRole::floating(), tierOf(widget));
    surface.cornerRadius = Tokens::Radius::control;
    // No shadow sets the window off what lies under it: it keeps the firm
    // outline of the opaque surfaces in every tier.
    surface.border = SurfaceStyle::of(GlassRole::floating(), GlassTier::opaque).border;
    return surface;
}

// The colour of that surface, as it lies in the middle of the list.
QColor popupFill(const QWidget* widget, const QPalette& palette)
{
    const SurfaceStyle surface = popupSurface(widget);
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    if (surface.glassTint)
        return ThemeColor::composite(surface.glassTint->resolve(palette),
            ThemeColor::composite(Materials::fill(Material::regular, palette), window));
    if (surface.material)
        return ThemeColor::composite(Materials::fill(*surface.material, palette), window);
    if (surface.fill)
        return ThemeColor::composite(surface.fill->resolve(palette), window);
    return window;
}

void paintPopupSurface(
    QPainter& painter, const QRectF& rect, const QWidget* widget, const QPalette& palette, bool outlined)
{
    SurfaceStyle surface = popupSurface(widget);
    if (!outlined)
        surface.cornerRadius = 0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(surface.shape(rect), palette.color(QPalette::Active, QPalette::Window));
    surface.paintBackground(painter, rect, palette);
    if (outlined)
        surface.paintOverlay(painter, rect, palette);
    painter.restore();
}

// The room above the first item and below the last, clear of the corners.
constexpr int kPopupMargin = 6;
// An item: the selection's inset from the list's edges, the room around its text.
constexpr qreal kPopupSelectionInset = Tokens::Space::xs;
constexpr qreal kPopupPadding = Tokens::Space::sm;
constexpr int kPopupSeparatorHeight = 9;

qreal popupCheckColumn(const QFont& font)
{
    return std::round(QFontMetricsF(font).height());
}

// Scroll bars: a thin rounded handle, inset from the bar's edges.
constexpr int kScrollBarExtent = 10;
constexpr int kScrollBarInset = 2;
constexpr int kScrollBarMinimumHandle = 24;

QRect scrollBarRect(const QStyleOptionSlider& bar, QStyle::SubControl subControl)
{
    const bool horizontal = bar.orientation == Qt::Horizontal;
    const QRect whole = bar.rect;
    const int length = horizontal ? whole.width() : whole.height();
    const int range = bar.maximum - bar.minimum;
    int handle = length;
    if (range > 0) {
        const qint64 page = std::max(bar.pageStep, 1);
        handle = int(
            std::clamp<qint64>(qint64(length) * page / (range + page), kScrollBarMinimumHandle, length));
    }
    const int start = QStyle::sliderPositionFromValue(
        bar.minimum, bar.maximum, bar.sliderPosition, length - handle, bar.upsideDown);
    const auto span = [&](int from, int to) {
        return horizontal ? QRect(whole.left() + from, whole.top(), to - from, whole.height())
                          : QRect(whole.left(), whole.top() + from, whole.width(), to - from);
    };
    QRect rect;
    switch (subControl) {
    case QStyle::SC_ScrollBarSlider:
        rect = span(start, start + handle);
        break;
    case QStyle::SC_ScrollBarSubPage:
        rect = span(0, start);
        break;
    case QStyle::SC_ScrollBarAddPage:
        rect = span(start + handle, length);
        break;
    case QStyle::SC_ScrollBarGroove:
        rect = whole;
        break;
    default: // no arrow buttons, no first/last buttons
        return {};
    }
    return QStyle::visualRect(bar.direction, whole, rect);
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

AppStyle::ButtonColors AppStyle::buttonColors(const std::optional<ThemeColor>& tint,
    ButtonRendering rendering, const QPalette& palette, bool pressed, bool hovered)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor content = palette.color(QPalette::Active, QPalette::Base);
    const QColor card = ThemeColor::composite(Materials::fill(Material::regular, palette), window);
    // A label must read on the bezel wherever the button sits: on the window,
    // on a list or on a card.
    const auto legibleOver = [&](const QColor& label, const QColor& fill) {
        return ThemeColor::legibleOn(label,
            { ThemeColor::composite(fill, window), ThemeColor::composite(fill, content),
                ThemeColor::composite(fill, card) });
    };
    ButtonColors colors { Qt::transparent, {}, Qt::transparent };
    switch (rendering) {
    // The glass renderings only occur where the system offers glass; they are
    // drawn like their bordered counterparts.
    case ButtonRendering::glassProminent:
    case ButtonRendering::borderedProminent: {
        QColor fill
            = ThemeColor::composite(tint.value_or(ThemeColor::accent()).resolveAsFill(palette), window);
        // Pressing and hovering deepen the bezel, so the label never loses contrast.
        if (pressed)
            fill = fill.darker(120);
        else if (hovered)
            fill = fill.darker(106);
        colors.label = Qt::white;
        colors.fill = ThemeColor::legibleUnder(fill, colors.label);
        break;
    }
    case ButtonRendering::glass:
    case ButtonRendering::bordered:
        if (tint) {
            colors.fill = tint->withOpacity(pressed ? 0.3 : hovered ? 0.22 : 0.16).resolve(palette);
            colors.label = legibleOver(tint->resolve(palette), colors.fill);
        } else {
            const qreal base = ThemeColor::isDark(palette) ? 0.13 : 0.07;
            colors.fill = ThemeColor::primary()
                              .withOpacity(pressed ? base + 0.08
                                      : hovered    ? base + 0.03
                                                   : base)
                              .resolve(palette);
            colors.label = legibleOver(ThemeColor::primary().resolve(palette), colors.fill);
            colors.border = ThemeColor::separator().resolve(palette);
        }
        break;
    case ButtonRendering::borderless:
        colors.label = legibleOver(tint.value_or(ThemeColor::accent()).resolve(palette), Qt::transparent);
        if (pressed)
            colors.label.setAlphaF(colors.label.alphaF() * 0.6f);
        break;
    }
    return colors;
}

std::optional<ButtonStyle> AppStyle::effectiveStyle(const QWidget* widget)
{
    if (const auto style = ButtonStyling::style(widget))
        return style;
    const auto* button = qobject_cast<const QPushButton*>(widget);
    if (button && !button->isFlat())
        return ButtonStyle::bordered;
    return std::nullopt;
}

void AppStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == CE_PushButton) {
        if (const auto style = effectiveStyle(widget)) {
            drawStyledButton(option, painter, widget, *style);
            return;
        }
    }
    if (element == CE_MenuEmptyArea && (isPopupListView(widget) || qobject_cast<const QComboBox*>(widget))) {
        // What the list's rows leave free, the same surface as the rest.
        paintPopupSurface(*painter, QRectF(option->rect), widget, option->palette, false);
        return;
    }
    if (element == CE_MenuItem && qobject_cast<const QComboBox*>(widget)) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            drawPopupItem(*item, *painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void AppStyle::drawPopupItem(const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget)
{
    // A row of a pop-up list: the selection of the design system where the
    // pointer or the keyboard is, the tick on the current value, the title.
    // The button's colours: the list's own window colour is the surface's.
    const QPalette& palette = widget ? widget->palette() : item.palette;
    const QRectF row(item.rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        const qreal y = std::floor(row.center().y()) + 0.5;
        painter.setPen(QPen(ThemeColor::separator().resolve(palette), 1));
        painter.drawLine(
            QPointF(row.left() + Tokens::Space::md, y), QPointF(row.right() - Tokens::Space::md, y));
        painter.restore();
        return;
    }
    const bool enabled = item.state & State_Enabled;
    if (enabled && (item.state & State_Selected)) {
        const QRectF selection = row.adjusted(kPopupSelectionInset, 1, -kPopupSelectionInset, -1);
        const SurfaceStyle surface
            = SurfaceStyle::of(GlassRole::selection(ThemeColor::accent()), tierOf(widget));
        surface.paintBackground(painter, selection, palette);
        surface.paintOverlay(painter, selection, palette);
    }
    const QColor ink = (enabled ? ThemeColor::primary() : ThemeColor::tertiary()).resolve(palette);
    const qreal column = popupCheckColumn(item.font);
    qreal x = row.left() + kPopupSelectionInset + kPopupPadding;
    if (item.checked) {
        const qreal side = std::round(column * 0.8);
        paintTick(
            painter, QRectF(x + (column - side) / 2, row.center().y() - side / 2, side, side), side, ink);
    }
    x += column + Tokens::Space::xs;
    if (!item.icon.isNull()) {
        const QRectF icon(x, row.center().y() - column / 2, column, column);
        item.icon.paint(
            &painter, icon.toAlignedRect(), Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
        x += column + Tokens::Space::xs;
    }
    const qreal right = row.right() - kPopupSelectionInset - kPopupPadding;
    QString text = item.text.section(u'\t', 0, 0);
    painter.setFont(item.font);
    painter.setPen(ink);
    const QRectF textRect(x, row.top(), std::max<qreal>(0, right - x), row.height());
    text = QFontMetricsF(item.font).elidedText(text, Qt::ElideRight, textRect.width() + 0.5);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter.restore();
}

QSize AppStyle::sizeFromContents(
    ContentsType type, const QStyleOption* option, const QSize& contentsSize, const QWidget* widget) const
{
    if (type == CT_MenuItem && qobject_cast<const QComboBox*>(widget)) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                return { contentsSize.width(), kPopupSeparatorHeight };
            const QFontMetricsF metrics(item->font);
            const qreal column = popupCheckColumn(item->font);
            qreal width = 2 * (kPopupSelectionInset + kPopupPadding) + column + Tokens::Space::xs
                + metrics.horizontalAdvance(item->text.section(u'\t', 0, 0));
            if (!item->icon.isNull())
                width += column + Tokens::Space::xs;
            const qreal height = std::max<qreal>(
                AppStyle::buttonMetrics(ControlSize::regular, ButtonRendering::bordered).height,
                metrics.height() + 2 * Tokens::Space::xs);
            return { int(std::ceil(width)), int(std::ceil(height)) };
        }
    }
    if (type == CT_PushButton) {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        const auto style = effectiveStyle(widget);
        if (button && style) {
            const ButtonRendering rendering
                = ButtonStyling::rendering(*style, GlassEnvironment::of(widget), Availability::systemGlass());
            return styledButtonSize(specOf(*button, widget, *style), rendering, baseFont(widget));
        }
    }
    return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
}

void AppStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if ((element == PE_PanelMenu || element == PE_Frame) && isPopupList(widget)) {
        // The pop-up list's window: its surface and outline in the corners
        // its mask cuts.
        paintPopupSurface(*painter, QRectF(widget->rect()), widget, option->palette, true);
        return;
    }
    if (element == PE_PanelLineEdit || element == PE_FrameLineEdit) {
        // A text field: the content background in the controls' corners, a
        // hairline border, the focus ring of the buttons.
        const qreal radius = Tokens::Radius::control;
        const QRectF field = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        const QPalette& palette = option->palette;
        const bool enabled = option->state & State_Enabled;
        const bool focused = option->state & State_HasFocus;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (element == PE_PanelLineEdit) {
            // A frameless field (a cell editor, a search field) draws no panel.
            const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
            if (frame && frame->lineWidth <= 0) {
                painter->restore();
                return;
            }
            QColor fill = palette.color(QPalette::Active, QPalette::Base);
            if (!enabled)
                fill = ThemeColor::composite(ThemeColor::quaternary().resolve(palette), fill);
            painter->setPen(Qt::NoPen);
            painter->setBrush(fill);
            painter->drawRoundedRect(field, radius, radius);
        }
        const QColor border = controlOutline(palette);
        painter->setPen(QPen(border, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(field, radius, radius);
        // A field shows where typing goes however it got the focus.
        if (focused && enabled)
            FocusRing::paintWithin(*painter, option->rect, radius, palette,
                palette.color(QPalette::Active, QPalette::Base), border);
        painter->restore();
        return;
    }
    if (element == PE_PanelButtonTool) {
        // A tool button: a raised one is a bordered button; one that rises only
        // when used (a toolbar's, a tab's) shows a soft highlight while hovered,
        // pressed or on.
        const bool enabled = option->state & State_Enabled;
        const bool sunken = option->state & State_Sunken;
        const bool hovered = enabled && (option->state & State_MouseOver);
        const bool autoRaise = option->state & State_AutoRaise;
        const qreal radius = Tokens::Radius::control;
        const QRectF bezel = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (autoRaise) {
            if (const QColor highlight = raisedHighlight(*option); highlight.isValid()) {
                painter->setPen(Qt::NoPen);
                painter->setBrush(highlight);
                painter->drawRoundedRect(bezel, radius, radius);
            }
        } else {
            if (!enabled)
                painter->setOpacity(0.45);
            const ButtonColors colors
                = buttonColors(std::nullopt, ButtonRendering::bordered, option->palette, sunken, hovered);
            painter->setPen(QPen(colors.border, 1));
            painter->setBrush(colors.fill);
            painter->drawRoundedRect(bezel, radius, radius);
        }
        painter->restore();
        return;
    }
    if (element == PE_IndicatorCheckBox) {
        // A check box: the text fields' border and corners, filled with the
        // accent and ticked in white when on.
        const bool enabled = option->state & State_Enabled;
        const bool on = option->state & (State_On | State_NoChange);
        const QPalette& palette = option->palette;
        const qreal side = std::min(option->rect.width(), option->rect.height());
        const QRectF box = QRectF(
            QPointF(option->rect.left(), option->rect.center().y() - side / 2 + 0.5), QSizeF(side, side))
                               .adjusted(0.5, 0.5, -0.5, -0.5);
        const qreal radius = 4;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (!enabled)
            painter->setOpacity(0.45);
        if (on) {
            const QColor fill
                = ThemeColor::legibleUnder(ThemeColor::accent().resolve(palette), Qt::white, 3.0);
            painter->setPen(Qt::NoPen);
            painter->setBrush((option->state & State_Sunken) ? fill.darker(115) : fill);
            painter->drawRoundedRect(box, radius, radius);
            if (option->state & State_NoChange) {
                QPen dash(Qt::white, std::max<qreal>(1.5, side / 8));
                dash.setCapStyle(Qt::RoundCap);
                painter->setPen(dash);
                painter->drawLine(QPointF(box.left() + side * 0.28, box.center().y()),
                    QPointF(box.right() - side * 0.28, box.center().y()));
            } else {
                paintTick(*painter, box, side, Qt::white);
            }
        } else {
            painter->setPen(QPen(controlOutline(palette), 1));
            painter->setBrush((option->state & State_Sunken)
                    ? ThemeColor::quaternary().resolve(palette)
                    : palette.color(QPalette::Active, QPalette::Base));
            painter->drawRoundedRect(box, radius, radius);
        }
        painter->restore();
        return;
    }
    if (element == PE_FrameFocusRect) {
        // The keyboard's place (a tool button, a tab, a check box's title, a
        // list's current row): the focus ring along the inside of the frame,
        // never a fill that could pass for a selection; and only when the focus
        // came by keyboard. A frame's background colour is the fill it lies on.
        if (option->state & State_KeyboardFocusChange) {
            const auto* frame = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
            QColor fill = frame ? frame->backgroundColor : QColor();
            QColor border;
            QRect rect = option->rect;
            if (const auto* tool = qobject_cast<const QToolButton*>(widget)) {
                rect = widget->rect();
                if (tool->autoRaise()) {
                    fill = raisedHighlight(*option);
                } else {
                    const bool sunken = option->state & State_Sunken;
                    const bool hovered = (option->state & State_Enabled) && (option->state & State_MouseOver);
                    const ButtonColors colors = buttonColors(
                        std::nullopt, ButtonRendering::bordered, option->palette, sunken, hovered);
                    fill = colors.fill;
                    border = colors.border;
                }
            }
            FocusRing::paintWithin(*painter, rect, Tokens::Radius::control, option->palette, fill, border);
        }
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void AppStyle::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    if (control == CC_ScrollBar) {
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
            // Only the handle; the bar itself lets what lies behind it show.
            if (bar->maximum <= bar->minimum)
                return;
            const bool horizontal = bar->orientation == Qt::Horizontal;
            const QRectF handle
                = QRectF(scrollBarRect(*bar, SC_ScrollBarSlider))
                      .adjusted(horizontal ? 1 : kScrollBarInset, horizontal ? kScrollBarInset : 1,
                          horizontal ? -1 : -kScrollBarInset, horizontal ? -kScrollBarInset : -1);
            const bool active = (bar->activeSubControls & SC_ScrollBarSlider)
                && (bar->state & (State_MouseOver | State_Sunken));
            const QColor color = ThemeColor::primary().withOpacity(active ? 0.5 : 0.3).resolve(bar->palette);
            const qreal radius = std::min(handle.width(), handle.height()) / 2;
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush(color);
            painter->drawRoundedRect(handle, radius, radius);
            painter->restore();
            return;
        }
    }
    if (control == CC_ComboBox) {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        if (combo && !combo->editable) {
            // A pop-up button: a bordered bezel in the controls' corners with a
            // chevron; the label is drawn on top as usual.
            const bool enabled = combo->state & State_Enabled;
            const bool sunken = combo->state & State_Sunken;
            const bool hovered = enabled && (combo->state & State_MouseOver);
            const qreal radius = Tokens::Radius::control;
            const ButtonColors colors
                = buttonColors(std::nullopt, ButtonRendering::bordered, combo->palette, sunken, hovered);
            const QRectF bezel = QRectF(combo->rect).adjusted(0.5, 0.5, -0.5, -0.5);
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            if (!enabled)
                painter->setOpacity(0.45);
            painter->setPen(QPen(colors.border, 1));
            painter->setBrush(colors.fill);
            painter->drawRoundedRect(bezel, radius, radius);
            const QRect arrow = subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget);
            const qreal side = std::min<qreal>(10, arrow.height());
            Symbols::paint(*painter,
                QRectF(arrow.center().x() - side / 2 + 0.5, arrow.center().y() - side / 2 + 0.5, side, side),
                QStringLiteral("chevron.down"), ThemeColor::secondary().resolve(combo->palette));
            if ((combo->state & State_HasFocus) && (combo->state & State_KeyboardFocusChange))
                FocusRing::paintWithin(
                    *painter, combo->rect, radius, combo->palette, colors.fill, colors.border);
            painter->restore();
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect AppStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
    SubControl subControl, const QWidget* widget) const
{
    if (control == CC_ScrollBar) {
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option))
            return scrollBarRect(*bar, subControl);
    }
    if (control == CC_ComboBox && subControl == SC_ComboBoxListBoxPopup) {
        // The list's titles start where the button's does; the ticks lie before it.
        const QRect button = QProxyStyle::subControlRect(control, option, subControl, widget);
        const QRect title = QProxyStyle::subControlRect(control, option, SC_ComboBoxEditField, widget);
        const QFont font = widget ? widget->font() : QApplication::font();
        const int lead = int(
            std::ceil(kPopupSelectionInset + kPopupPadding + popupCheckColumn(font) + Tokens::Space::xs));
        return button.adjusted(std::min(0, title.left() - button.left() - lead), 0, 0, 0);
    }
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

QRect AppStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    QRect rect = QProxyStyle::subElementRect(element, option, widget);
    // The text of a framed field keeps clear of the rounded corners.
    if (element == SE_LineEditContents) {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (frame && frame->lineWidth > 0)
            rect.adjust(int(Tokens::Space::xs), 0, -int(Tokens::Space::xs), 0);
    }
    return rect;
}

int AppStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return kScrollBarExtent;
    case PM_ScrollBarSliderMin:
        return kScrollBarMinimumHandle;
    case PM_ScrollView_ScrollBarOverlap:
        // The bar lies over the edge of what it scrolls, which keeps its whole
        // width whether or not the bar shows: nothing moves when it comes or goes.
        return kScrollBarExtent;
    case PM_MenuVMargin:
        if (qobject_cast<const QComboBox*>(widget))
            return kPopupMargin;
        return QProxyStyle::pixelMetric(metric, option, widget);
    case PM_DefaultFrameWidth:
        // Room for the pop-up list's outline beside its rows.
        if (isPopupList(widget))
            return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

void AppStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (isPopupList(widget))
        widget->installEventFilter(this);
}

void AppStyle::unpolish(QWidget* widget)
{
    if (isPopupList(widget)) {
        widget->removeEventFilter(this);
        widget->clearMask();
    }
    QProxyStyle::unpolish(widget);
}

bool AppStyle::eventFilter(QObject* watched, QEvent* event)
{
    // The pop-up list's window has the rounded corners of its surface.
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
        if (auto* popup = qobject_cast<QWidget*>(watched); isPopupList(popup)) {
            // Its rows lie on that surface, not on a list background of their
            // own (they fill themselves with the list's window colour).
            const QColor fill = popupFill(popup, popup->palette());
            for (QAbstractItemView* list :
                popup->findChildren<QAbstractItemView*>(Qt::FindDirectChildrenOnly)) {
                list->setAutoFillBackground(false);
                list->viewport()->setAutoFillBackground(false);
                QPalette palette = list->palette();
                if (palette.color(QPalette::Window) != fill) {
                    palette.setColor(QPalette::Window, fill);
                    list->setPalette(palette);
                }
            }
            const QPainterPath outline
                = ContinuousCorners::path(QRectF(popup->rect()), Tokens::Radius::control);
            popup->setMask(QRegion(outline.toFillPolygon().toPolygon()));
        }
    }
    return QProxyStyle::eventFilter(watched, event);
}

int AppStyle::styleHint(
    StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const
{
    // Buttons of dialogs carry their title only, as every other button does.
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QSize AppStyle::styledButtonSize(
    const ButtonStyling::Spec& spec, ButtonRendering rendering, const QFont& font)
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

void AppStyle::paintStyledButton(QPainter& painter, const QStyleOption& option,
    const ButtonStyling::Spec& spec, ButtonRendering rendering, const QFont& font)
{
    const ButtonMetrics metrics = buttonMetrics(spec.controlSize, rendering);
    const QPalette& palette = option.palette;
    const std::optional<ThemeColor>& tint = spec.tint;
    const bool enabled = option.state & QStyle::State_Enabled;
    const bool pressed = option.state & (QStyle::State_Sunken | QStyle::State_On);
    const bool hovered = enabled && (option.state & QStyle::State_MouseOver);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!enabled)
        painter.setOpacity(0.45);

    // With the keyboard's focus the bezel's outer edge is the focus ring, and
    // a gap where the surface shows separates it from the fill (which the
    // ring's room shrinks), so the ring reads on a fill of its own hue.
    const bool ringed
        = (option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_KeyboardFocusChange);
    const qreal inset = ringed ? FocusRing::kOutset : 0;
    const QRectF bezel
        = QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5).adjusted(inset, inset, -inset, -inset);
    const qreal bezelRadius = std::max<qreal>(0, metrics.cornerRadius - inset);
    QPainterPath shape;
    shape.addRoundedRect(bezel, bezelRadius, bezelRadius);

    const ButtonColors colors = buttonColors(tint, rendering, palette, pressed, hovered);
    if (colors.fill.alpha() > 0)
        painter.fillPath(shape, colors.fill);
    if (colors.border.alpha() > 0) {
        painter.setPen(QPen(colors.border, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape);
    }
    const QColor labelColor = colors.label;

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

    // A borderless button's ring has the corners its bordered twin would have.
    if (ringed) {
        const qreal radius = rendering == ButtonRendering::borderless
            ? buttonMetrics(spec.controlSize, ButtonRendering::bordered).cornerRadius
            : metrics.cornerRadius;
        FocusRing::paintWithin(painter, QRectF(option.rect), radius, palette, colors.fill);
    }
    painter.restore();
}

} // namespace mivo
