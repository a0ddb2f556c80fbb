#pragma once

#include "Transport/HelperError.h"
#include "Transport/HelperEventStream.h"
#include "Transport/JSONValue.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/Request.h"
#include "Transport/ResultRecords.h"
#include "Transport/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <chrono>
#include <optional>
#include <type_traits>

namespace mivo {

// How the model and the stores talk to the helper. The real client and the
// design-time substitute both implement the raw primitives; the typed
// operations on top are shared, so that every implementation decodes results
// by the same rules.
class HelperClienting : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    static constexpr std::chrono::milliseconds kDefaultTimeout { 15000 };

    // The helper's events; one consumer.
    virtual HelperEventStream& events() = 0;

    // Sends the request and waits for its reply's result (nothing when the
    // reply had none, or null). Throws HelperError.
    virtual QCoro::Task<std::optional<JSONValue>> requestRaw(
        Request request, std::chrono::milliseconds timeout)
        = 0;

    // Sends the request without waiting for a reply; it has no time-out.
    // Throws HelperError.
    virtual QCoro::Task<void> notify(Request request) = 0;

    // Sends the request and decodes its result as T. An absent result counts
    // as JSON null. EmptyResult accepts any result; for any other T a result
    // that does not decode fails with
    // decodeFailure("result did not match <T>: <reason>").
    template <class T>
    QCoro::Task<T> request(Request request, std::chrono::milliseconds timeout = kDefaultTimeout);

    // A request whose result is ignored; errors still reach the caller.
    QCoro::Task<void> send(Request request, std::chrono::milliseconds timeout);

    // The tracks of one playlist. Asks for the {"tracks": [...]} wrapper first;
    // after any failure of that, asks again under a new id and reads the result
    // as the bare list, and only that second failure reaches the caller.
    QCoro::Task<QList<PreviewTrackDTO>> getPlaylistTracks(
        PlaylistSourceId source, QString id, std::optional<QString> name);

    // The decode rules of request<T>.
    template <class T> static T decodeResult(const std::optional<JSONValue>& result);
};

template <class T> T HelperClienting::decodeResult(const std::optional<JSONValue>& result)
{
    if constexpr (std::is_same_v<T, EmptyResult>) {
        return EmptyResult {};
    } else {
        try {
            return decodeValue<T>(result.value_or(JSONValue()));
        } catch (const std::exception& error) {
            // DecodeError, or EncodeError for a value JSON cannot carry.
            throw HelperError::decodeFailure(QStringLiteral("result did not match %1: %2")
                                                 .arg(wireTypeName<T>(), QString::fromUtf8(error.what())));
        }
    }
}

template <class T> QCoro::Task<T> HelperClienting::request(Request request, std::chrono::milliseconds timeout)
{
    const std::optional<JSONValue> result = co_await requestRaw(std::move(request), timeout);
    // Nothing of this object is touched after the wait: it may be gone.
    co_return decodeResult<T>(result);
}

} // namespace mivo
