#include "Transport/HelperClient.h"

#include "Base/Log.h"
#include "Base/Utf8.h"
#include "Base/WorkerThread.h"
#include "Transport/WireCoding.h"

#include <QPointer>

namespace mivo {

namespace {

QByteArray printable(const QByteArray& line)
{
    return decodeUtf8Strict(line) ? line : QByteArrayLiteral("<non-utf8>");
}

} // namespace

HelperClient::HelperClient(std::unique_ptr<HelperProcess> process, MonotonicClock& clock, QObject* parent)
    : HelperClienting(parent)
    , m_process(std::move(process))
    , m_clock(clock)
{
    connect(m_process.get(), &HelperProcess::outputReceived, this, &HelperClient::handleOutput);
}

HelperClient::~HelperClient()
{
    disconnect(m_process.get(), nullptr, this, nullptr);
    m_relaunchTimer.cancel();
    m_relaunchWait.resolve();
    failAllPending(HelperError::helperUnavailable());
    m_events.finish(StreamEnd::clientReleased);
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
    // The process belongs to this client, so its callback never outlives it.
    QCoro::Task<void> launched = m_process->start(
        [this](const HelperProcess::Termination& termination) { handleTermination(termination); });
    co_await std::move(launched);
    // A child that already ended again has been reported as such.
    if (self && self->m_process->isRunning())
        self->m_events.yield(HelperEvent::helperReady());
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
    const ScheduledCall timer
        = m_clock.callAfter(timeout, this, [this, id] { dropPending(id, HelperError::requestTimedOut()); });
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
        co_await m_process->write(std::move(line));
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
    co_await m_process->write(std::move(line));
}

void HelperClient::handleOutput(const QByteArray& chunk)
{
    const quint64 droppedBefore = m_framer.droppedLineCount();
    const QList<QByteArray> lines = m_framer.feed(chunk);
    // Said once per line, when it passes the maximum: it may never end.
    for (quint64 dropped = droppedBefore; dropped < m_framer.droppedLineCount(); ++dropped)
        qCWarning(lcClient, "dropping line longer than %lld bytes", qlonglong(m_framer.maxLineBytes()));
    for (const QByteArray& line : lines) {
        if (m_decodingOnWorker || !m_waitingLines.isEmpty() || line.size() >= kWorkerLineBytes)
            m_waitingLines.append(line);
        else
            route(decode(line));
    }
    routeWaitingLines();
}

HelperClient::DecodedLine HelperClient::decode(QByteArray line)
{
    DecodedLine decoded { std::move(line), std::nullopt, std::nullopt };
    std::optional<nlohmann::json> json;
    // A long reply is nearly all result: its array or object stays unparsed in
    // the line for the reader of the result, which may take its records
    // straight from the text.
    bool resultLeftOut = false;
    try {
        if (decoded.line.size() >= kWorkerLineBytes && decoded.line.contains("\"result\""))
            json = parseJsonLineWithout(decoded.line, "result", resultLeftOut);
        else
            json = parseJsonLine(decoded.line);
    } catch (const std::exception&) {
        // Not JSON at all; logged when routed.
        return decoded;
    }
    if (resultLeftOut) {
        try {
            decoded.reply = Response::fromJson(*json);
            decoded.reply->result = JSONValue::unparsedMember(decoded.line, "result");
            return decoded;
        } catch (const std::exception&) {
            // Not a reply: the whole line is read below, as any other.
        }
        try {
            json = parseJsonLine(decoded.line);
        } catch (const std::exception&) {
            return decoded;
        }
    }
    // Without both keys a line cannot be a reply; skipping the attempt spares
    // every event line a failed decode.
    if (json->is_object() && json->contains("id") && json->contains("ok")) {
        try {
            decoded.reply = Response::fromJson(std::move(*json));
            return decoded;
        } catch (const std::exception&) {
            // Not a reply; it may be an event.
        }
    }
    try {
        decoded.event = ServerEvent::fromJson(*json);
    } catch (const std::exception&) {
        // Neither; logged when routed.
    }
    return decoded;
}

void HelperClient::routeWaitingLines()
{
    while (!m_decodingOnWorker && !m_waitingLines.isEmpty()) {
        QByteArray line = m_waitingLines.takeFirst();
        if (line.size() >= kWorkerLineBytes)
            decodeOnWorker(std::move(line));
        else
            route(decode(std::move(line)));
    }
    if (!m_decodingOnWorker && m_waitingTermination)
        handleTermination(*std::exchange(m_waitingTermination, std::nullopt));
}

QCoro::Task<void> HelperClient::decodeOnWorker(QByteArray line)
{
    const QPointer<HelperClient> self = this;
    m_decodingOnWorker = true;
    auto work = [line = std::move(line)]() mutable { return decode(std::exchange(line, {})); };
    QCoro::Task<DecodedLine> decoding = runInWorkerThread(std::move(work));
    DecodedLine decoded = co_await std::move(decoding);
    if (!self)
        co_return;
    m_decodingOnWorker = false;
    route(std::move(decoded));
    routeWaitingLines();
}

void HelperClient::route(DecodedLine decoded)
{
    if (decoded.reply && m_pending.contains(decoded.reply->id)) {
        complete(*decoded.reply);
        return;
    }
    if (decoded.reply) {
        // A reply nobody waits for any more may still read as an event.
        try {
            decoded.event = ServerEvent::decode(decoded.line);
        } catch (const std::exception&) {
            // Neither; logged below.
        }
    }
    if (decoded.event) {
        m_events.yield(HelperEvent::server(std::move(*decoded.event)));
        return;
    }
    qCWarning(lcClient, "dropping undecodable line: %s", printable(decoded.line).constData());
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
    if (m_decodingOnWorker) {
        // The lines printed before the end are routed first.
        m_waitingTermination = termination;
        return;
    }
    // Every line the child printed has been routed by now; whatever still
    // waits will get no reply from it.
    failAllPending(HelperError::helperCrashed());

    if (!termination.isCrash()) {
        qCInfo(lcClient, "helper exited cleanly");
        m_events.finish(StreamEnd::cleanExit);
        return;
    }

    qCWarning(lcClient, "helper crashed: status=%d reason=%s", termination.status,
        qUtf8Printable(termination.reason));
    m_events.yield(HelperEvent::helperCrashed());
    m_framer.clear();

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
