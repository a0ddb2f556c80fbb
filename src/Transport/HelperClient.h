#pragma once

#include "Base/Completion.h"
#include "Base/MonotonicClock.h"
#include "Transport/HelperClienting.h"
#include "Transport/HelperProcess.h"
#include "Transport/Response.h"
#include "Transport/ServerEvent.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace mivo {

// The client that talks to a real helper: numbers requests ("r1", "r2", ...,
// shared with notifications), keeps the requests waiting for a reply, races
// each against its time-out, routes every line the helper prints to the
// waiting request or to the event stream, and relaunches the helper after a
// crash with a growing back-off.
//
// Lives on the main thread, where its work runs one piece at a time: the table
// of waiting requests, the id counter, the time-outs, the relaunches and the
// event stream are touched only there. The helper's output is read, cut into
// lines and decoded on the link's own thread (see HelperProcess); the main
// thread gets only the decoded replies and events, a batch at a time, in the
// order the helper printed them, and the helper's end after its last line. A
// caller never waits beyond its reply, its time-out or the end of the helper;
// releasing the client fails the requests still waiting with
// helperUnavailable and finishes the event stream (StreamEnd::clientReleased).
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

    // A reply at least this long leaves its result unparsed in the line, for
    // the reader of the result (see JSONValue::unparsedMember).
    static constexpr qsizetype kLongLineBytes = 64 * 1024;
    // The most of a line that is not understood that its log message shows.
    static constexpr qsizetype kExcerptBytes = 100;
    // How many ids of requests that timed out are kept, so that their late
    // replies are known for what they are.
    static constexpr qsizetype kTimedOutIdsKept = 256;
    qsizetype pendingCount() const { return m_pending.size(); }

    // Called on the thread that decodes the helper's lines, once per line as
    // it is decoded; set before start(). For tests.
    void setDecodeProbe(std::function<void()> probe);

private:
    class LineDecoder;

    struct Pending {
        Completion<std::optional<JSONValue>> reply;
        ScheduledCall timeout;
    };

    // A line read as a reply (when it has the shape of one) and as an event
    // (when it has the shape of one), with what a log message shows of it.
    struct DecodedLine {
        std::optional<Response> reply;
        std::optional<ServerEvent> event;
        QByteArray excerpt;
        qsizetype size = 0;
        // The framer let a line go for passing its maximum, at this place.
        bool overlong = false;
    };

    QCoro::Task<void> launch();
    static DecodedLine decode(QByteArray line);
    static QByteArray excerptOf(QByteArrayView line);
    void routeBatch(QList<DecodedLine>& lines);
    void releaseHeldLines();
    void route(DecodedLine& decoded);
    // Hands the result over to the waiting request.
    void complete(Response& response);
    void timeOut(const QString& id);
    void handleTermination(const HelperProcess::Termination& termination);
    QCoro::Task<void> relaunchAfter(std::chrono::nanoseconds delay);
    QCoro::Task<void> writeRequestLine(QString id, QByteArray line);
    void dropPending(const QString& id, const HelperError& error);
    void failAllPending(const HelperError& error);
    QString takeNextId();

    std::unique_ptr<HelperProcess> m_process;
    MonotonicClock& m_clock;
    // Works on the link's thread; shared with the process, which calls it there.
    std::shared_ptr<LineDecoder> m_decoder;
    QHash<QString, Pending> m_pending;
    // The ids of the latest requests that timed out, oldest first.
    QSet<QString> m_timedOutIds;
    std::deque<QString> m_timedOutOrder;
    quint64 m_nextId = 0;
    HelperEventStream m_events;
    bool m_started = false;
    // Whether the running child has been announced as ready; until then its
    // decoded lines are held, in order.
    bool m_announced = false;
    QList<DecodedLine> m_held;
    // The wait before the next relaunch, ended early when the client goes.
    Completion<void> m_relaunchWait;
    ScheduledCall m_relaunchTimer;
};

} // namespace mivo
