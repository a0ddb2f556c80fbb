#pragma once

#include "Styling/ThemeColor.h"

#include <QWidget>

namespace mivo {

// A linear gauge of a match confidence between 0 and 1, labelled "Confidence",
// optionally with its percentage; orange below 0.5, yellow below 0.75, else green.
// Read by assistive technology as "Match confidence", value "<p> percent".
class ConfidenceMeter : public QWidget {
    Q_OBJECT

public:
    ConfidenceMeter(double value, bool showsPercent, QWidget* parent = nullptr);

    // The stored value: clamped to 0...1 (a value that is not a number counts as 0).
    double value() const { return m_value; }
    bool showsPercent() const { return m_showsPercent; }

    // The shown percentage: the value × 100 rounded, halves away from zero.
    int percent() const { return percentOf(m_value); }
    ThemeColor tint() const { return tintFor(m_value); }
    // "87%"
    QString percentText() const;
    // "87 percent"
    QString accessibleValue() const;

    static double clampValue(double value);
    static int percentOf(double value);
    static ThemeColor tintFor(double value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont labelFont() const;

    double m_value;
    bool m_showsPercent;
};

} // namespace mivo
