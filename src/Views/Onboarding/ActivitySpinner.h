#pragma once

#include <QWidget>

class QTimer;

namespace mivo {

// A small indeterminate progress indicator: a rotating arc in the secondary
// colour. It turns only while visible. paint() draws one frame for delegates.
class ActivitySpinner : public QWidget {
    Q_OBJECT

public:
    // The side of the small control size.
    static constexpr int kSmallSide = 16;
    // How often a frame advances.
    static constexpr int kFrameMs = 50;

    explicit ActivitySpinner(int side = kSmallSide, QWidget* parent = nullptr);

    // `phase` in 0...1 is the turn of the arc.
    static void paint(QPainter& painter, const QRectF& rect, qreal phase, const QColor& color);
    // The phase for a moment, so that every spinner turns in step.
    static qreal phaseAt(qint64 msecsSinceEpoch);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_side;
    QTimer* m_timer;
};

} // namespace mivo
