#pragma once

#include "Styling/ButtonStyling.h"
#include "Styling/Typography.h"

#include <QProxyStyle>

class QStyleOptionMenuItem;

namespace mivo {

// The application's widget style: Fusion, plus the design system's controls. A
// QPushButton given a ButtonStyle (ButtonStyling) is drawn as a prominent,
// bordered or borderless button with its tint and control size, following the
// glass policy of its window; a push button given none (a dialog's, say) is a
// bordered one. Text fields, pop-up buttons and tool buttons share the
// controls' corner radius; text fields have a hairline border, scroll bars
// are a thin handle without arrow buttons laid over the edge of what they
// scroll; a pop-up button's list is a
// floating surface in those corners, its rows selected as the sidebar's are,
// the current one ticked; everything else is drawn by Fusion.
class AppStyle : public QProxyStyle {
    Q_OBJECT

public:
    AppStyle();

    // An instance for buttons that live under another style; owned by the application.
    static AppStyle& shared();

    struct ButtonMetrics {
        qreal height = 0; // the least height of the bezel
        qreal horizontalPadding = 0;
        qreal cornerRadius = 0;
        TextStyle textStyle = TextStyle::body;
    };
    static ButtonMetrics buttonMetrics(ControlSize size, ButtonRendering rendering);

    // The colours of a button's bezel and label. The label reaches a contrast of
    // 4.5 : 1 against the bezel laid over the window or a content background.
    struct ButtonColors {
        QColor fill; // transparent for a borderless button
        QColor label;
        QColor border; // transparent where there is none
    };
    static ButtonColors buttonColors(const std::optional<ThemeColor>& tint, ButtonRendering rendering,
        const QPalette& palette, bool pressed = false, bool hovered = false);

    // The style a push button is drawn in: its own, else bordered.
    static std::optional<ButtonStyle> effectiveStyle(const QWidget* widget);

    // The size and drawing of a styled button, for a widget or a delegate's cell.
    static QSize styledButtonSize(
        const ButtonStyling::Spec& spec, ButtonRendering rendering, const QFont& font);
    static void paintStyledButton(QPainter& painter, const QStyleOption& option,
        const ButtonStyling::Spec& spec, ButtonRendering rendering, const QFont& font);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contentsSize,
        const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
        const QWidget* widget = nullptr) const override;
    QRect subElementRect(
        SubElement element, const QStyleOption* option, const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
        const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
        QStyleHintReturn* returnData = nullptr) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void drawPopupItem(const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget);
    void drawStyledButton(
        const QStyleOption* option, QPainter* painter, const QWidget* widget, ButtonStyle style) const;
};

} // namespace mivo
