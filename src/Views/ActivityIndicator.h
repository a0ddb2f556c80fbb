#pragma once

#include <QBasicTimer>
#include <QWidget>

class QPainter;
class QRectF;

namespace mivo {

// An indeterminate progress indicator: a ring of spokes whose brightness turns,
// animated only while the indicator is visible.
class ActivityIndicator : public QWidget {
    Q_OBJECT

public:
    explicit ActivityIndicator(qreal diameter = 20, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    static constexpr int kSpokes = 8;
    static constexpr int kIntervalMs = 90;
    // The leading spoke of every indicator drawn from a shared clock (rows of a list).
    static int stepNow();
    // Draws the spokes into the largest square centred in `rect`, `step` leading.
    static void paint(QPainter& painter, const QRectF& rect, int step, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    qreal m_diameter;
    int m_step = 0;
    QBasicTimer m_timer;
};

} // namespace mivo
