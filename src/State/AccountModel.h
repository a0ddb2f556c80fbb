#pragma once

#include "Transport/WireVocabulary.h"

#include <QObject>
#include <QString>
#include <qcoro/qcorotask.h>

#include <optional>

namespace mivo {

class SettingsStore;
class SyncStore;

// What the account sign-in services need of the application model: its banner,
// its settings, and the two account operations that talk to the helper.
class AccountModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual SyncStore& sync() = 0;
    virtual SettingsStore* settings() const = 0;

    // Never throws; a failure is shown by the sync banner.
    virtual QCoro::Task<void> connectSpotify() = 0;
    // Throws the helper's error, or "not available" without a helper.
    virtual QCoro::Task<void> storeAccountToken(
        AccountService service, QString token, std::optional<QString> clientId) = 0;
};

} // namespace mivo
