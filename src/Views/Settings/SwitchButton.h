#pragma once

#include <QAbstractButton>

class QPainter;
class QRectF;

namespace mivo {

// An on/off switch: a rounded track in the accent colour when on, with a round
// knob. Checkable; toggled by a click or the space bar. Its accessible name is
// the setting it switches.
class SwitchButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit SwitchButton(const QString& accessibleName = {}, QWidget* parent = nullptr);

    static QSize switchSize();
    // Draw a switch into `rect` (its natural size, vertically centred at the right edge).
    static void paint(QPainter& painter, const QRectF& rect, bool on, bool enabled, const QPalette& palette);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace mivo
