#pragma once

#include "Styling/ButtonStyling.h"
#include "Styling/Typography.h"

#include <QProxyStyle>

namespace mivo {

// The application's widget style: Fusion, plus the design system's buttons. A
// QPushButton given a ButtonStyle (ButtonStyling) is drawn as a prominent,
// bordered or borderless button with its tint and control size, following the
// glass policy of its window; every other widget is drawn by Fusion unchanged.
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

    // The size and drawing of a styled button, for a widget or a delegate's cell.
    static QSize styledButtonSize(const ButtonStyling::Spec& spec, ButtonRendering rendering, const QFont& font);
    static void paintStyledButton(QPainter& painter, const QStyleOption& option, const ButtonStyling::Spec& spec,
        ButtonRendering rendering, const QFont& font);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contentsSize,
        const QWidget* widget = nullptr) const override;

private:
    void drawStyledButton(
        const QStyleOption* option, QPainter* painter, const QWidget* widget, ButtonStyle style) const;
};

} // namespace mivo
