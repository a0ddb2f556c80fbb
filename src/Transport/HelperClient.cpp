#include "Transport/HelperClient.h"

#include "Base/Log.h"
#include "Base/Utf8.h"
#include "Transport/NDJSONFramer.h"
#include "Transport/WireCoding.h"

#include <QPointer>

namespace mivo {

// The part of the client that works on the link's thread: it cuts the helper's
// output into lines and decodes each, and hands the main thread the decoded
// lines of each chunk as one batch. The client it hands them to is touched only
// by that work, on the main thread, and the work is dropped once the client
// goes (HelperProcess::dropOutputWork).
class HelperClient::LineDecoder final : public HelperOutputSink {
public:
    explicit LineDecoder(HelperClient* client)
        : m_client(client)
    {
    }

    // Set before the first launch, read on the link's thread only after it.
    std::function<void()> probe;

    MainThreadWork consume(QByteArrayView chunk) override
    {
        const quint64 droppedBefore = m_framer.droppedLineCount();
        QList<QByteArray> lines = m_framer.feed(chunk);
        const quint64 dropped = m_framer.droppedLineCount() - droppedBefore;
        if (lines.isEmpty() && dropped == 0)
            return {};
        // Copyable, as work must be; the lines are decoded once, here.
        auto batch = std::make_shared<QList<DecodedLine>>();
        batch->reserve(lines.size() + qsizetype(dropped));
        // Said once per line, when it passes the maximum: it may never end.
        for (quint64 i = 0; i < dropped; ++i)
            batch->append(DecodedLine { std::nullopt, std::nullopt, {}, 0, true });
        for (QByteArray& line : lines) {
            if (probe)
                probe();
            batch->append(decode(std::exchange(line, {})));
        }
        return [client = m_client, batch] { client->routeBatch(*batch); };
    }

    MainThreadWork ended() override
    {
        // A partial line of a child that has gone is not glued to the next one's.
        m_framer.clear();
        return {};
    }

private:
    HelperClient* m_client;
    NDJSONFramer m_framer;
};

HelperClient::HelperClient(std::unique_ptr<HelperProcess> process, MonotonicClock& clock, QObject* parent)
    : HelperClienting(parent)
    , m_process(std::move(process))
    , m_clock(clock)
    , m_decoder(std::make_shared<LineDecoder>(this))
{
    m_process->setOutputSink(m_decoder);
}

HelperClient::~HelperClient()
{
    m_process->dropOutputWork();
    m_relaunchTimer.cancel();
    m_relaunchWait.resolve();
    failAllPending(HelperError::helperUnavailable());
    m_events.finish(StreamEnd::clientReleased);
}

void HelperClient::setDecodeProbe(std::function<void()> probe)
{
    Q_ASSERT(!m_started);
    m_decoder->probe = std::move(probe);
}

QCoro::Task<void> HelperClient::start()
{
    if (m_started)
        co_return;
    m_started = true;
    QCoro::Task<void> launched = launch();
    co_await std::move(launched);
}

QCoro::Task<void> HelperClient::launch()
{
    const QPointer<HelperClient> self = this;
    m_announced = false;
    // The process belongs to this client, so its callback never outlives it.
    QCoro::Task<void> launched = m_process->start(
        [this](const HelperProcess::Termination& termination) { handleTermination(termination); });
    co_await std::move(launched);
    if (!self)
        co_return;
    // A child that already ended again has been reported as such.
    if (self->m_process->isRunning()) {
        self->m_events.yield(HelperEvent::helperReady());
        self->releaseHeldLines();
    }
}

void HelperClient::releaseHeldLines()
{
    // What the child printed before it was announced follows the announcement.
    m_announced = true;
    QList<DecodedLine> held = std::exchange(m_held, {});
    for (DecodedLine& line : held)
        route(line);
}

QString HelperClient::takeNextId()
{
    ++m_nextId;
    return QStringLiteral("r%1").arg(m_nextId);
}

QCoro::Task<std::optional<JSONValue>> HelperClient::requestRaw(
    Request request, std::chrono::milliseconds timeout)
{
    const QString id = takeNextId();
    QByteArray line = request.encodedLine(id);
    line.append('\n');

    // The entry exists before anything is written, so a reply always finds it.
    Completion<std::optional<JSONValue>> reply;
    const ScheduledCall timer = m_clock.callAfter(timeout, this, [this, id] { timeOut(id); });
    m_pending.insert(id, Pending { reply, timer });
    writeRequestLine(id, std::move(line));

    // Nothing of this object is touched after the wait: it may be gone.
    co_return co_await reply;
}

QCoro::Task<void> HelperClient::writeRequestLine(QString id, QByteArray line)
{
    const QPointer<HelperClient> self = this;
    std::optional<HelperError> failure;
    try {
        QCoro::Task<void> written = m_process->write(std::move(line));
        co_await std::move(written);
    } catch (const HelperError& error) {
        failure = error;
    }
    if (failure && self)
        self->dropPending(id, *failure);
}

QCoro::Task<void> HelperClient::notify(Request request)
{
    const QString id = takeNextId();
    QByteArray line = request.encodedLine(id);
    line.append('\n');
    QCoro::Task<void> written = m_process->write(std::move(line));
    co_await std::move(written);
}

HelperClient::DecodedLine HelperClient::decode(QByteArray line)
{
    DecodedLine decoded;
    decoded.size = line.size();
    std::optional<nlohmann::json> json;
    // A long reply is nearly all result: its array or object stays unparsed in
    // the line for the reader of the result, which may take its records
    // straight from the text.
    bool resultLeftOut = false;
    try {
        if (line.size() >= kLongLineBytes && line.contains("\"result\""))
            json = parseJsonLineWithout(line, "result", resultLeftOut);
        else
            json = parseJsonLine(line);
    } catch (const std::exception&) {
        // Not JSON at all.
        decoded.excerpt = excerptOf(line);
        return decoded;
    }
    if (resultLeftOut) {
        try {
            decoded.reply = Response::fromJson(*json);
            decoded.reply->result = JSONValue::unparsedMember(line, "result");
        } catch (const std::exception&) {
            // Not a reply: the whole line is read below, as any other.
            try {
                json = parseJsonLine(line);
            } catch (const std::exception&) {
                decoded.excerpt = excerptOf(line);
                return decoded;
            }
        }
    }
    // Without both keys a line cannot be a reply, nor an event without its
    // key; skipping the attempts spares every line a failed decode.
    const bool isObject = json->is_object();
    if (!decoded.reply && isObject && json->contains("id") && json->contains("ok")) {
        try {
            decoded.reply = Response::fromJson(*json);
        } catch (const std::exception&) {
            // Not a reply; it may be an event.
        }
    }
    if (isObject && json->contains("event")) {
        try {
            decoded.event = ServerEvent::fromJson(*json);
        } catch (const std::exception&) {
            // Not an event.
        }
    }
    // A reply nobody waits for any more is logged; so is a line that is neither.
    if (!decoded.event)
        decoded.excerpt = excerptOf(line);
    return decoded;
}

QByteArray HelperClient::excerptOf(QByteArrayView line)
{
    qsizetype end = std::min(line.size(), kExcerptBytes);
    // A character cut at the end is left out whole.
    if (end < line.size()) {
        while (end > 0 && (uchar(line[end]) & 0xC0) == 0x80)
            --end;
    }
    const QByteArrayView head = line.first(end);
    if (!decodeUtf8Strict(head))
        return QByteArrayLiteral("<non-utf8>");
    return end < line.size() ? head.toByteArray() + "\u2026" : head.toByteArray();
}

void HelperClient::routeBatch(QList<DecodedLine>& lines)
{
    // The link's thread reads a new child at once; its lines wait until the
    // child has been announced as ready, so that no event comes before that.
    if (!m_announced) {
        for (DecodedLine& line : lines)
            m_held.append(std::move(line));
        return;
    }
    for (DecodedLine& line : lines)
        route(line);
}

void HelperClient::route(DecodedLine& decoded)
{
    if (decoded.overlong) {
        qCWarning(
            lcClient, "dropping line longer than %lld bytes", qlonglong(NDJSONFramer::kDefaultMaxLineBytes));
        return;
    }
    if (decoded.reply && m_pending.contains(decoded.reply->id)) {
        complete(*decoded.reply);
        return;
    }
    if (decoded.event) {
        m_events.yield(HelperEvent::server(std::move(*decoded.event)));
        return;
    }
    if (decoded.reply && m_timedOutIds.contains(decoded.reply->id)) {
        qCWarning(lcClient, "dropping late reply to %s, which timed out (%lld bytes)",
            qUtf8Printable(decoded.reply->id), qlonglong(decoded.size));
        return;
    }
    qCWarning(lcClient, "dropping undecodable line: %s (%lld bytes)", decoded.excerpt.constData(),
        qlonglong(decoded.size));
}

void HelperClient::complete(Response& response)
{
    const auto it = m_pending.find(response.id);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(*it);
    m_pending.erase(it);
    pending.timeout.cancel();
    if (response.ok)
        pending.reply.resolve(std::move(response.result));
    else if (response.error)
        pending.reply.fail(HelperError::engineError(response.error->code, response.error->message));
    else
        pending.reply.fail(HelperError::decodeFailure(QStringLiteral("ok:false with no error payload")));
}

void HelperClient::timeOut(const QString& id)
{
    if (!m_pending.contains(id))
        return;
    dropPending(id, HelperError::requestTimedOut());
    m_timedOutIds.insert(id);
    m_timedOutOrder.push_back(id);
    if (qsizetype(m_timedOutOrder.size()) > kTimedOutIdsKept) {
        m_timedOutIds.remove(m_timedOutOrder.front());
        m_timedOutOrder.pop_front();
    }
}

void HelperClient::dropPending(const QString& id, const HelperError& error)
{
    const auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(*it);
    m_pending.erase(it);
    pending.timeout.cancel();
    pending.reply.fail(error);
}

void HelperClient::failAllPending(const HelperError& error)
{
    QHash<QString, Pending> pending = std::exchange(m_pending, {});
    for (Pending& entry : pending) {
        entry.timeout.cancel();
        entry.reply.fail(error);
    }
}

void HelperClient::handleTermination(const HelperProcess::Termination& termination)
{
    // Every line the child printed has been handed over by now (a child that
    // ended before it was announced leaves its lines held); whatever still
    // waits will get no reply from it.
    releaseHeldLines();
    failAllPending(HelperError::helperCrashed());

    if (!termination.isCrash()) {
        qCInfo(lcClient, "helper exited cleanly");
        m_events.finish(StreamEnd::cleanExit);
        return;
    }

    qCWarning(lcClient, "helper crashed: status=%d reason=%s", termination.status,
        qUtf8Printable(termination.reason));
    // The dead child's partial line has been let go on the link's thread.
    m_events.yield(HelperEvent::helperCrashed());

    if (!m_process->registerCrashAndShouldRestart()) {
        m_events.finish(StreamEnd::gaveUp);
        return;
    }
    const double delay = m_process->nextBackoffDelay();
    qCInfo(lcClient, "restarting helper in %.2fs", delay);
    relaunchAfter(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(delay)));
}

QCoro::Task<void> HelperClient::relaunchAfter(std::chrono::nanoseconds delay)
{
    const QPointer<HelperClient> self = this;
    // The wait ends when the delay has passed or when the client goes; the
    // guard below tells which.
    Completion<void> elapsed;
    m_relaunchWait = elapsed;
    m_relaunchTimer = m_clock.callAfter(delay, this, [elapsed]() mutable { elapsed.resolve(); });
    co_await elapsed;
    if (!self)
        co_return;
    try {
        QCoro::Task<void> launched = self->launch();
        co_await std::move(launched);
    } catch (const std::exception& error) {
        qCCritical(lcClient, "helper relaunch failed: %s", error.what());
        if (self)
            self->m_events.finish(StreamEnd::relaunchFailed);
    }
}

} // namespace mivo
