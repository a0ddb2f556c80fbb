#pragma once

#include "Styling/ThemeColor.h"

#include <QWidget>
#include <optional>

class QPainter;
class QRectF;

namespace mivo {

// A determinate linear progress bar: a thin rounded track filled from the
// leading edge. Read by assistive technology as its label and "N percent".
class LinearProgress : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kThickness = 5;

    explicit LinearProgress(QWidget* parent = nullptr);

    // 0...1; values outside are drawn clamped.
    void setFraction(double fraction);
    double fraction() const { return m_fraction; }
    // The fill colour; none is the accent colour.
    void setTint(std::optional<ThemeColor> tint);

    // "N percent" for the fraction, rounded halves away from zero.
    QString accessibleValue() const { return spokenPercent(m_fraction); }

    // The fraction as a whole percentage, halves away from zero; 0 for a value that
    // is not a number a percentage can be made of.
    static qint64 wholePercent(double fraction);
    // The whole percentage followed by " percent", as assistive technology reads it.
    static QString spokenPercent(double fraction);

    // Draw a bar vertically centred in `rect`, as wide as `rect`.
    static void paint(
        QPainter& painter, const QRectF& rect, double fraction, const QColor& fill, const QPalette& palette);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_fraction = 0;
    std::optional<ThemeColor> m_tint;
};

} // namespace mivo
