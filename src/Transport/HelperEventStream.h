#pragma once

#include "Base/Completion.h"
#include "Transport/HelperEvent.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <deque>
#include <memory>
#include <optional>

namespace mivo {

// Why an event stream ended for good.
enum class StreamEnd {
    cleanExit, // the helper exited with status 0
    gaveUp, // the helper crashed too often in a short time
    relaunchFailed, // the helper could not be started again after a crash
    clientReleased, // the client that fed the stream is gone
};

// The helper link's events, in the order they happened: an unbounded buffer
// with one consumer, which reads with `co_await stream.next()` until it gets
// nothing. Once finished, the stream delivers what it still holds and then
// ends; it is never reopened. Destroying the stream wakes a waiting consumer,
// which then sees the end.
class HelperEventStream : public QObject {
    Q_OBJECT

public:
    explicit HelperEventStream(QObject* parent = nullptr);
    ~HelperEventStream() override;

    // Appends an event; ignored once the stream has finished.
    void yield(HelperEvent event);
    // Ends the stream; only the first reason counts.
    void finish(StreamEnd reason);

    // The next event, waiting for one if need be; nothing once the stream has
    // finished and everything before the end has been read.
    QCoro::Task<std::optional<HelperEvent>> next();

    bool isFinished() const { return m_state->end.has_value(); }
    std::optional<StreamEnd> endReason() const { return m_state->end; }
    qsizetype bufferedCount() const { return qsizetype(m_state->buffer.size()); }

signals:
    void finished(mivo::StreamEnd reason);

private:
    struct State {
        std::deque<HelperEvent> buffer;
        std::optional<StreamEnd> end;
        QList<Completion<void>> waiters;

        void wake();
    };

    static QCoro::Task<std::optional<HelperEvent>> nextFrom(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state;
};

} // namespace mivo
