#pragma once

#include "Transport/HelperClienting.h"
#include "Transport/HelperEvent.h"
#include "Transport/HelperEventStream.h"
#include "Transport/JSONValue.h"
#include "Transport/Request.h"
#include "Transport/WireVocabulary.h"

#include <QList>
#include <QMap>

namespace mivo {

// Stands in for the helper client in design-time previews of the windows: answers
// every request from a table of canned results by method, records what was sent
// and plays a scripted list of events. Results are decoded by the same typed
// request as the real client's.
class MockHelperClient : public HelperClienting {
    Q_OBJECT

public:
    explicit MockHelperClient(
        QMap<Method, JSONValue> responses = {}, QList<HelperEvent> script = {}, QObject* parent = nullptr);

    HelperEventStream& events() override { return *m_events; }

    // The canned result of the request's method, or JSON null without one. The
    // time-out is ignored.
    QCoro::Task<std::optional<JSONValue>> requestRaw(
        Request request, std::chrono::milliseconds timeout) override;
    QCoro::Task<void> notify(Request request) override;

    // Yields helperReady, then every scripted event in order; finishes the stream
    // afterwards when `finishing` is true.
    void play(bool finishing);
    // Yields one event.
    void emitEvent(HelperEvent event);
    // Finishes the event stream.
    void finish();

    // Every request and notification received, in order.
    const QList<Request>& sent() const { return m_sent; }

protected:
    // "mock result mismatch for <method>", followed by the reason.
    std::optional<QString> resultMismatchText(const Request& request) const override;

private:
    HelperEventStream* m_events;
    QMap<Method, JSONValue> m_responses;
    QList<HelperEvent> m_script;
    QList<Request> m_sent;
};

} // namespace mivo
