#pragma once

namespace mivo {

// The display role of a row's status pill.
enum class StatusRole { queued, working, review, done, failed, skipped, present };

} // namespace mivo
