#pragma once

#include <QtGlobal>
#include <optional>

namespace mivo {

// `value` rounded to the nearest whole number, halves away from zero (2.5 → 3,
// −2.5 → −3); nothing when the value is not finite or its rounded value does not
// does not fit a qint64.
std::optional<qint64> roundedHalfAwayFromZero(double value);

} // namespace mivo
