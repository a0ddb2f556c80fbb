#pragma once

#include "Transport/HelperClienting.h"
#include "Transport/ReadWithFallback.h"
#include "Transport/Request.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QString>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

// The request rules every store follows.
//
// Reads with fallback: see readWithFallback(); the stores pass a "still wanted"
// check so that a read superseded by a newer one sends no second request.
//
// Writes with re-read: a write is sent with the store time-out and its result
// ignored; on success the store re-reads its state from the helper, on failure it
// records the error's text, which only a successful re-read clears. A write
// reports whether the helper took it, so a caller can act on the outcome.
//
// Store operations never throw to their callers; what they show of a failure is
// errorText().
namespace mivo::StoreRequests {

// The time-out of every store request.
inline constexpr std::chrono::milliseconds kTimeout = HelperClienting::kDefaultTimeout;

// The text a store shows for a failure: a HelperError's user-facing text, else
// the error's own description.
QString errorText(const std::exception& error);

// The client, or HelperError::helperUnavailable() once it is gone.
HelperClienting& requireClient(const QPointer<HelperClienting>& client);

// Sends a write and, on success, awaits `reread`; on failure hands the error's
// text to `recordFailure`. Nothing of the store is touched once it is gone.
// True when the helper took the write (whatever came of the re-read).
template <class Store>
QCoro::Task<bool> writeWithReread(Store* store, QPointer<HelperClienting> client, Request request,
    QCoro::Task<void> (Store::*reread)(), void (Store::*recordFailure)(const QString&))
{
    const QPointer<Store> self(store);
    std::optional<QString> failure;
    try {
        QCoro::Task<void> sent = requireClient(client).send(std::move(request), kTimeout);
        co_await std::move(sent);
    } catch (const std::exception& error) {
        failure = errorText(error);
    }
    if (!self)
        co_return !failure;
    if (failure) {
        (store->*recordFailure)(*failure);
        co_return false;
    }
    co_await (store->*reread)();
    co_return true;
}

} // namespace mivo::StoreRequests
