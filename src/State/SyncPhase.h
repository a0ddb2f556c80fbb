#pragma once

namespace mivo {

// The phase of the current or last sync run. A run counts as running while it is
// preparing, running or finishing.
enum class SyncPhase { idle, preparing, running, finishing, done, cancelled, interrupted };

} // namespace mivo
