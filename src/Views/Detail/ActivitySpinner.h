#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

class QPainter;
class QRectF;

namespace mivo {

// An indeterminate progress indicator: spokes around a centre, their brightness
// turning. Every spinner of the window turns in step, so painting one needs only
// the current time.
class ActivitySpinner : public QWidget {
    Q_OBJECT

public:
    // The repaint interval of a turning spinner.
    static constexpr int kFrameInterval = 80;

    explicit ActivitySpinner(qreal side, QWidget* parent = nullptr);

    // Whether the spinner is drawn; a hidden spinner keeps its place.
    void setShown(bool shown);
    bool isShown() const { return m_shown; }

    // The phase (0...1) of every spinner at this moment.
    static qreal phaseNow();
    // Draw a spinner into the largest square centred in `rect`.
    static void paint(QPainter& painter, const QRectF& rect, qreal phase, const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateTimer();

    qreal m_side;
    bool m_shown = true;
    QTimer m_timer;
};

} // namespace mivo
