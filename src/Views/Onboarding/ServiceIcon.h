#pragma once

#include "Styling/ThemeColor.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace mivo {

// The logo of a service (a playlist service, a download source, the matching
// service, the VPN) in a square of `size`: the named asset image when the
// application has one, else the fallback symbol at 80 % of the glyph's side.
// With a brand chip the glyph is drawn white at 58 % of the size on a rounded
// square of the chip colour; without one it is drawn bare in the tint. Either
// way the glyph is a single colour. Read by assistive technology as its name.
class ServiceIcon : public QWidget {
    Q_OBJECT

public:
    struct Look {
        QString assetName;
        qreal size = 0;
        ThemeColor tint;
        std::optional<ThemeColor> brandChip;
        QString fallbackSymbol;
        QString accessibilityName;

        bool operator==(const Look&) const = default;
    };

    ServiceIcon(const QString& assetName, qreal size, const ThemeColor& tint,
        const std::optional<ThemeColor>& brandChip, const QString& fallbackSymbol,
        const QString& accessibilityName, QWidget* parent = nullptr);
    explicit ServiceIcon(Look look, QWidget* parent = nullptr);

    const Look& look() const { return m_look; }
    // The bare logo's colour; changes nothing else.
    void setTint(const ThemeColor& tint);
    // The chip's colour, or none for a bare logo; changes nothing else.
    void setBrandChip(const std::optional<ThemeColor>& chip);

    // Where the glyph goes in a square of side `size`, and the chip's corner radius.
    static qreal glyphSide(qreal size, bool chip) { return chip ? size * 0.58 : size; }
    static qreal chipCornerRadius(qreal size) { return size * 0.28; }
    // The fallback symbol's share of the glyph's side.
    static constexpr qreal kSymbolScale = 0.8;

    // Draws the icon into the largest square centred in `rect`, for delegates.
    static void paint(QPainter& painter, const QRectF& rect, const Look& look, const QPalette& palette);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
};

} // namespace mivo
