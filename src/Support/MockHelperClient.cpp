#include "Support/MockHelperClient.h"

namespace mivo {

MockHelperClient::MockHelperClient(
    QMap<Method, JSONValue> responses, QList<HelperEvent> script, QObject* parent)
    : HelperClienting(parent)
    , m_events(new HelperEventStream(this))
    , m_responses(std::move(responses))
    , m_script(std::move(script))
{
}

QCoro::Task<std::optional<JSONValue>> MockHelperClient::requestRaw(Request request, std::chrono::milliseconds)
{
    const Method method = request.method();
    m_sent.append(std::move(request));
    const auto found = m_responses.constFind(method);
    if (found == m_responses.cend() || found->isNull())
        co_return std::nullopt;
    co_return *found;
}

QCoro::Task<void> MockHelperClient::notify(Request request)
{
    m_sent.append(std::move(request));
    co_return;
}

void MockHelperClient::play(bool finishing)
{
    m_events->yield(HelperEvent { HelperEvent::HelperReady {} });
    for (const HelperEvent& event : std::as_const(m_script))
        m_events->yield(event);
    if (finishing)
        finish();
}

void MockHelperClient::emitEvent(HelperEvent event)
{
    m_events->yield(std::move(event));
}

void MockHelperClient::finish()
{
    m_events->finish(StreamEnd::cleanExit);
}

std::optional<QString> MockHelperClient::resultMismatchText(const Request& request) const
{
    return QStringLiteral("mock result mismatch for ") + rawString(request.method());
}

} // namespace mivo
