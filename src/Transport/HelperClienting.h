#pragma once

#include "Base/WorkerThread.h"
#include "Transport/HelperError.h"
#include "Transport/HelperEventStream.h"
#include "Transport/JSONValue.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/Request.h"
#include "Transport/ResultRecords.h"
#include "Transport/StreamedRecords.h"
#include "Transport/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <chrono>
#include <exception>
#include <functional>
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

    // Sends the request and reads its result in either form a record may come
    // in: the bare value, or the one-key wrapper object that carries it in
    // `field`. A result that is neither fails as request<Bare> would.
    template <class Wrapper, class Bare>
    QCoro::Task<Bare> requestEitherForm(
        Request request, Bare Wrapper::*field, std::chrono::milliseconds timeout = kDefaultTimeout);

    // A request whose result is ignored; errors still reach the caller.
    QCoro::Task<void> send(Request request, std::chrono::milliseconds timeout);

    // The tracks of one playlist. Asks for the {"tracks": [...]} wrapper first;
    // after any failure of that, asks again under a new id and reads the result
    // as the bare list, and only that second failure reaches the caller.
    // `stillWanted` is asked before the second request; a caller that answers
    // false gets HelperError::cancelled() and nothing more is sent.
    QCoro::Task<QList<PreviewTrackDTO>> getPlaylistTracks(PlaylistSourceId source, QString id,
        std::optional<QString> name, std::function<bool()> stillWanted = {});

    // The decode rules of request<T>. `mismatch` replaces the start
    // "result did not match <T>" of the failure text; the reason follows ": ".
    template <class T>
    static T decodeResult(
        const std::optional<JSONValue>& result, const std::optional<QString>& mismatch = {});

protected:
    // The start of the failure text for a result of `request` that does not
    // decode; none keeps "result did not match <T>". Asked before the request is
    // sent, never after.
    virtual std::optional<QString> resultMismatchText(const Request& request) const
    {
        Q_UNUSED(request);
        return std::nullopt;
    }
};

// A result of many records that the client left unparsed in its line (see
// JSONValue::unparsedMember) is read straight from the text; nothing when it is
// not, or when the text is better left to decodeValue (which reads it alike).
template <class T> std::optional<T> decodeStreamed(const std::optional<JSONValue>& result)
{
    const JSONValue::Unparsed* text = result ? result->unparsed() : nullptr;
    if (!text)
        return std::nullopt;
    if constexpr (std::is_same_v<T, PreviewTracksResult>) {
        // Its only field is the list: a field added to it must be read here too.
        static_assert(sizeof(PreviewTracksResult) == sizeof(QList<PreviewTrackDTO>));
        if (auto tracks = StreamedRecords::read<PreviewTrackDTO>(text->line, text->key, "tracks"))
            return PreviewTracksResult { std::move(*tracks) };
    } else if constexpr (std::is_same_v<T, QList<PreviewTrackDTO>>) {
        return StreamedRecords::read<PreviewTrackDTO>(text->line, text->key);
    }
    return std::nullopt;
}

template <class T>
T HelperClienting::decodeResult(
    const std::optional<JSONValue>& result, const std::optional<QString>& mismatch)
{
    if constexpr (std::is_same_v<T, EmptyResult>) {
        return EmptyResult {};
    } else {
        if (std::optional<T> streamed = decodeStreamed<T>(result))
            return std::move(*streamed);
        try {
            return decodeValue<T>(result.value_or(JSONValue()));
        } catch (const std::exception& error) {
            // DecodeError, or EncodeError for a value JSON cannot carry.
            const QString start
                = mismatch.value_or(QStringLiteral("result did not match ") + wireTypeName<T>());
            throw HelperError::decodeFailure(start + QStringLiteral(": ") + QString::fromUtf8(error.what()));
        }
    }
}

// Results that may hold thousands of records (a playlist's tracks) are decoded,
// and their JSON released, on a worker thread, so the main thread never stalls on them.
template <class T> inline constexpr bool kDecodesOnWorker = false;
template <> inline constexpr bool kDecodesOnWorker<PreviewTracksResult> = true;
template <> inline constexpr bool kDecodesOnWorker<QList<PreviewTrackDTO>> = true;

template <class T> QCoro::Task<T> HelperClienting::request(Request request, std::chrono::milliseconds timeout)
{
    const std::optional<QString> mismatch = resultMismatchText(request);
    QCoro::Task<std::optional<JSONValue>> reply = requestRaw(std::move(request), timeout);
    std::optional<JSONValue> result = co_await std::move(reply);
    // Nothing of this object is touched after the wait: it may be gone.
    // A result still held as the text of a long line is read there too, whatever
    // its type: reading it means parsing the whole line.
    bool onWorker = kDecodesOnWorker<T>;
    if constexpr (!std::is_same_v<T, EmptyResult>)
        onWorker = onWorker || (result && result->unparsed());
    if (!onWorker)
        co_return decodeResult<T>(result, mismatch);
    // The worker holds the only reference to the JSON, so it is freed there too,
    // once the records are handed back.
    auto work = [result = std::exchange(result, std::nullopt), mismatch]() mutable {
        return decodeResult<T>(result, mismatch);
    };
    QCoro::Task<T> decoding = runInWorkerThread(std::move(work));
    co_return co_await std::move(decoding);
}

template <class Wrapper, class Bare>
QCoro::Task<Bare> HelperClienting::requestEitherForm(
    Request request, Bare Wrapper::*field, std::chrono::milliseconds timeout)
{
    const std::optional<QString> mismatch = resultMismatchText(request);
    QCoro::Task<std::optional<JSONValue>> reply = requestRaw(std::move(request), timeout);
    std::optional<JSONValue> result = co_await std::move(reply);
    // Nothing of this object is touched after the wait: it may be gone.
    auto decode = [field, mismatch](const std::optional<JSONValue>& value) -> Bare {
        std::exception_ptr bareFailure;
        try {
            return decodeResult<Bare>(value, mismatch);
        } catch (const HelperError&) {
            bareFailure = std::current_exception();
        }
        try {
            Wrapper wrapper = decodeResult<Wrapper>(value, mismatch);
            return std::move(wrapper.*field);
        } catch (const HelperError&) {
            std::rethrow_exception(bareFailure);
        }
    };
    const bool onWorker
        = kDecodesOnWorker<Bare> || kDecodesOnWorker<Wrapper> || (result && result->unparsed());
    if (!onWorker)
        co_return decode(result);
    auto work = [result = std::exchange(result, std::nullopt), decode]() mutable { return decode(result); };
    QCoro::Task<Bare> decoding = runInWorkerThread(std::move(work));
    co_return co_await std::move(decoding);
}

} // namespace mivo
