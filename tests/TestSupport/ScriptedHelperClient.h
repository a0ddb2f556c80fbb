#pragma once

#include "Base/Completion.h"
#include "Transport/HelperClienting.h"
#include "Transport/HelperError.h"
#include "Transport/HelperEventStream.h"
#include "Transport/JSONValue.h"
#include "Transport/Request.h"
#include "Transport/WireCoding.h"
#include "Transport/WireVocabulary.h"

#include <QList>
#include <QMap>
#include <QQueue>
#include <chrono>
#include <optional>
#include <variant>

namespace mivo::test {

// A helper client whose every request is answered from a per-method queue of
// scripted outcomes: a result (any JSON, also one that will not decode), an
// absent result, or an error (engine error, time-out, crash). Answers come on a
// later event-loop turn, as a real helper's would; while replies are held, every
// request waits until release() is called. A request with no outcome left fails
// with the engine error "unscripted".
class ScriptedHelperClient : public HelperClienting {
    Q_OBJECT

public:
    struct Outcome {
        std::variant<std::optional<JSONValue>, HelperError> value;

        static Outcome result(JSONValue json) { return { std::optional<JSONValue>(std::move(json)) }; }
        static Outcome result(const char* json); // parsed from JSON text
        // A record as the helper would send it.
        template <class T> static Outcome encoded(const T& record)
        {
            return result(JSONValue::fromJson(parseJsonLine(dumpJson(encodeValue(record)))));
        }
        static Outcome absent() { return { std::optional<JSONValue>() }; }
        static Outcome failure(HelperError error) { return { std::move(error) }; }
        static Outcome engineError(const QString& code, const QString& message)
        {
            return failure(HelperError::engineError(code, message));
        }
        static Outcome timeout() { return failure(HelperError::requestTimedOut()); }
        static Outcome crash() { return failure(HelperError::helperCrashed()); }
    };

    // One request or notification as it was received.
    struct Sent {
        Request request;
        std::optional<std::chrono::milliseconds> timeout; // none for a notification
    };

    explicit ScriptedHelperClient(QObject* parent = nullptr);
    ~ScriptedHelperClient() override;

    void enqueue(Method method, Outcome outcome);
    void enqueue(Method method, QList<Outcome> outcomes);

    // While held, requests wait for release(); the notification is sent anyway.
    void setHoldReplies(bool hold) { m_hold = hold; }
    void release();
    // Lets the oldest held request of `method` have its reply; false when none is held.
    bool release(Method method);
    int waiting() const { return m_waiting; }

    const QList<Sent>& sent() const { return m_sent; }
    QList<Method> sentMethods() const;
    void clearSent() { m_sent.clear(); }

    HelperEventStream& events() override { return *m_events; }
    QCoro::Task<std::optional<JSONValue>> requestRaw(
        Request request, std::chrono::milliseconds timeout) override;
    QCoro::Task<void> notify(Request request) override;

signals:
    void requestReceived(mivo::Method method);

private:
    HelperEventStream* m_events;
    QMap<Method, QQueue<Outcome>> m_outcomes;
    QList<Sent> m_sent;
    bool m_hold = false;
    bool m_gone = false;
    QList<std::pair<Method, Completion<void>>> m_held;
    int m_waiting = 0;
};

} // namespace mivo::test
