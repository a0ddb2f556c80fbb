#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace mivo {

// Counts how late a 1 ms timer fires: the longest gap, and the 60 Hz frames lost.
class StallProbe : public QObject {
public:
    static constexpr double kFrameMs = 1000.0 / 60.0;

    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const double now = double(m_clock.nsecsElapsed()) / 1e6;
            const double gap = now - m_last;
            m_last = now;
            m_longest = std::max(m_longest, gap);
            m_windowLongest = std::max(m_windowLongest, gap);
            if (gap > kFrameMs) {
                m_missedFrames += int(gap / kFrameMs);
                m_windowMissed += int(gap / kFrameMs);
            }
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestMs() const { return m_longest; }
    // The longest gap, and the frames missed, since the last call of beginWindow.
    void beginWindow()
    {
        m_windowLongest = 0;
        m_windowMissed = 0;
    }
    double windowLongestMs() const { return m_windowLongest; }
    int windowMissedFrames() const { return m_windowMissed; }
    int missedFrames() const { return m_missedFrames; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    double m_longest = 0;
    double m_windowLongest = 0;
    int m_missedFrames = 0;
    int m_windowMissed = 0;
};

} // namespace mivo
