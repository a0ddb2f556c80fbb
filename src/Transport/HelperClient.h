#pragma once

#include "Base/Completion.h"
#include "Base/MonotonicClock.h"
#include "Transport/HelperClienting.h"
#include "Transport/HelperProcess.h"
#include "Transport/NDJSONFramer.h"
#include "Transport/Response.h"
#include "Transport/ServerEvent.h"

#include <QHash>
#include <QList>
#include <memory>
#include <optional>

namespace mivo {

// The client that talks to a real helper: numbers requests ("r1", "r2", ...,
// shared with notifications), keeps the requests waiting for a reply, races
// each against its time-out, routes every line the helper prints to the
// waiting request or to the event stream, and relaunches the helper after a
// crash with a growing back-off.
//
// Lives on the main thread; its work runs on the main event loop one piece at
// a time, so nothing in it is ever touched concurrently. A long line (a playlist
// of thousands of tracks) is decoded on a worker thread so that the main thread
// never stalls on it; the lines after it wait for it, so every line is still
// routed in the order the helper printed it, and so is the helper's end. The
// decoding itself touches nothing of the client. A caller never waits
// beyond its reply, its time-out or the end of the helper; releasing the
// client fails the requests still waiting with helperUnavailable and finishes
// the event stream (StreamEnd::clientReleased).
class HelperClient : public HelperClienting {
    Q_OBJECT

public:
    explicit HelperClient(std::unique_ptr<HelperProcess> process,
        MonotonicClock& clock = MonotonicClock::system(), QObject* parent = nullptr);
    ~HelperClient() override;

    // Launches the helper the first time, without blocking; later calls do
    // nothing, even when the first launch failed or is still under way. Throws
    // HelperError::helperUnavailable().
    QCoro::Task<void> start();

    HelperEventStream& events() override { return m_events; }
    QCoro::Task<std::optional<JSONValue>> requestRaw(
        Request request, std::chrono::milliseconds timeout) override;
    QCoro::Task<void> notify(Request request) override;

    HelperProcess& process() { return *m_process; }

    // Lines at least this long are decoded on a worker thread.
    static constexpr qsizetype kWorkerLineBytes = 64 * 1024;
    qsizetype pendingCount() const { return m_pending.size(); }

private:
    struct Pending {
        Completion<std::optional<JSONValue>> reply;
        ScheduledCall timeout;
    };

    // A line read as a reply (when it has the shape of one) or else as an event.
    struct DecodedLine {
        QByteArray line;
        std::optional<Response> reply;
        std::optional<ServerEvent> event;
    };

    QCoro::Task<void> launch();
    void handleOutput(const QByteArray& chunk);
    static DecodedLine decode(QByteArray line);
    // Routes the lines held back, in order, until one has to go to a worker.
    void routeWaitingLines();
    QCoro::Task<void> decodeOnWorker(QByteArray line);
    void route(DecodedLine decoded);
    // Hands the result over to the waiting request.
    void complete(Response& response);
    void handleTermination(const HelperProcess::Termination& termination);
    QCoro::Task<void> relaunchAfter(std::chrono::nanoseconds delay);
    QCoro::Task<void> writeRequestLine(QString id, QByteArray line);
    void dropPending(const QString& id, const HelperError& error);
    void failAllPending(const HelperError& error);
    QString takeNextId();

    std::unique_ptr<HelperProcess> m_process;
    MonotonicClock& m_clock;
    NDJSONFramer m_framer;
    // Lines held back behind a line being decoded on a worker, and the helper's
    // end when it came meanwhile.
    QList<QByteArray> m_waitingLines;
    bool m_decodingOnWorker = false;
    std::optional<HelperProcess::Termination> m_waitingTermination;
    QHash<QString, Pending> m_pending;
    quint64 m_nextId = 0;
    HelperEventStream m_events;
    bool m_started = false;
    // The wait before the next relaunch, ended early when the client goes.
    Completion<void> m_relaunchWait;
    ScheduledCall m_relaunchTimer;
};

} // namespace mivo
