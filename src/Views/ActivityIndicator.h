#pragma once

#include <QBasicTimer>
#include <QWidget>

namespace mivo {

// An indeterminate progress indicator: a ring of spokes whose brightness turns,
// animated only while the indicator is visible.
class ActivityIndicator : public QWidget {
    Q_OBJECT

public:
    explicit ActivityIndicator(qreal diameter = 20, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    static constexpr int kSpokes = 8;
    qreal m_diameter;
    int m_step = 0;
    QBasicTimer m_timer;
};

} // namespace mivo
