#pragma once

#include <qcoro/qcorotask.h>

namespace mivo {

class AccountModel;

// The service face of the Spotify sign-in, which the helper performs itself:
// it only hands over to the application model.
class SpotifyAuthService {
public:
    // The process-wide instance.
    static SpotifyAuthService& shared();

    // Runs the model's Spotify sign-in. Never throws; a failure is shown by the
    // model's banner.
    QCoro::Task<void> connect(AccountModel& model);
};

} // namespace mivo
