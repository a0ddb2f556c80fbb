#include "TestSupport/ScriptedHelperClient.h"

#include "Base/Completion.h"
#include "Transport/WireCoding.h"

#include <QCoreApplication>
#include <QPointer>

namespace mivo::test {

ScriptedHelperClient::Outcome ScriptedHelperClient::Outcome::result(const char* json)
{
    return result(JSONValue::fromJson(parseJsonLine(QByteArrayView(json))));
}

ScriptedHelperClient::ScriptedHelperClient(QObject* parent)
    : HelperClienting(parent)
    , m_events(new HelperEventStream(this))
{
}

ScriptedHelperClient::~ScriptedHelperClient()
{
    // Requests still held end with the client.
    m_gone = true;
    release();
}

void ScriptedHelperClient::release()
{
    for (auto& [method, held] : std::exchange(m_held, {}))
        held.resolve();
}

bool ScriptedHelperClient::release(Method method)
{
    for (qsizetype i = 0; i < m_held.size(); ++i) {
        if (m_held[i].first == method) {
            Completion<void> held = m_held.takeAt(i).second;
            held.resolve();
            return true;
        }
    }
    return false;
}

void ScriptedHelperClient::enqueue(Method method, Outcome outcome)
{
    m_outcomes[method].enqueue(std::move(outcome));
}

void ScriptedHelperClient::enqueue(Method method, QList<Outcome> outcomes)
{
    for (Outcome& outcome : outcomes)
        enqueue(method, std::move(outcome));
}

QList<Method> ScriptedHelperClient::sentMethods() const
{
    QList<Method> methods;
    for (const Sent& sent : m_sent)
        methods.append(sent.request.method());
    return methods;
}

QCoro::Task<std::optional<JSONValue>> ScriptedHelperClient::requestRaw(
    Request request, std::chrono::milliseconds timeout)
{
    const Method method = request.method();
    m_sent.append(Sent { std::move(request), timeout });
    emit requestReceived(method);

    QQueue<Outcome>& queue = m_outcomes[method];
    std::optional<Outcome> outcome;
    if (!queue.isEmpty())
        outcome = queue.dequeue();

    const QPointer<ScriptedHelperClient> self(this);
    ++m_waiting;
    // Replies on a later turn of the event loop, like a helper would; a held
    // reply once it is released.
    Completion<void> turn;
    if (m_hold)
        m_held.append({ method, turn });
    else
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [turn]() mutable { turn.resolve(); }, Qt::QueuedConnection);
    co_await turn;
    if (!self || self->m_gone)
        throw HelperError::helperUnavailable();
    --m_waiting;

    if (!outcome)
        throw HelperError::engineError(
            QStringLiteral("unscripted"), QStringLiteral("no scripted outcome for ") + rawString(method));
    if (const auto* error = std::get_if<HelperError>(&outcome->value))
        throw *error;
    co_return std::get<std::optional<JSONValue>>(outcome->value);
}

QCoro::Task<void> ScriptedHelperClient::notify(Request request)
{
    const Method method = request.method();
    m_sent.append(Sent { std::move(request), std::nullopt });
    emit requestReceived(method);
    co_return;
}

} // namespace mivo::test
