#pragma once

#include "Base/Log.h"
#include "Transport/HelperClienting.h"
#include "Transport/HelperError.h"
#include "Transport/Request.h"
#include "Transport/WireVocabulary.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

namespace mivo {

// The rule of every read that fetches a record from the helper: ask for the
// result as its one-key wrapper object ({"tracks": [...]}, {"config": {...}});
// after any failure of that request (time-out, engine error, crash or a result
// that does not decode) ask again under a new id and read the result as the
// bare value, or as the wrapper again: a first request that timed out behind a
// burst of events says nothing of the form the helper answers in. Only the
// second failure reaches the caller.
//
// `stillWanted` is asked before the second request: a caller that has been
// superseded meanwhile answers false, and then nothing more is sent and the read
// fails with HelperError::cancelled(). Once the client is gone the read fails
// with helperUnavailable.
template <class Wrapper, class Bare>
QCoro::Task<Bare> readWithFallback(HelperClienting& client, Request request, Bare Wrapper::*field,
    std::function<bool()> stillWanted = {},
    std::chrono::milliseconds timeout = HelperClienting::kDefaultTimeout)
{
    const QPointer<HelperClienting> guard(&client);
    std::optional<Bare> wrapped;
    try {
        // Each request is made as a named task before it is awaited: the compiler
        // mishandles some temporaries that live across a co_await.
        QCoro::Task<Wrapper> first = client.request<Wrapper>(request, timeout);
        Wrapper result = co_await std::move(first);
        wrapped = std::move(result.*field);
    } catch (const std::exception& error) {
        qCDebug(lcClient, "%s: asking again for a bare value after: %s", rawValue(request.method()).data(),
            error.what());
    }
    if (wrapped)
        co_return std::move(*wrapped);
    if (stillWanted && !stillWanted())
        throw HelperError::cancelled();
    if (!guard)
        throw HelperError::helperUnavailable();
    QCoro::Task<Bare> second = guard->requestEitherForm(std::move(request), field, timeout);
    co_return co_await std::move(second);
}

} // namespace mivo
