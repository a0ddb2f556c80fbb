#include "Support/Rounding.h"

#include <cmath>

namespace mivo {

std::optional<qint64> roundedHalfAwayFromZero(double value)
{
    // -2^63 and 2^63 are exact doubles; every double in [-2^63, 2^63) fits a qint64.
    constexpr double kLowest = -9223372036854775808.0;
    constexpr double kBeyondHighest = 9223372036854775808.0;
    const double rounded = std::round(value); // std::round rounds halves away from zero
    if (!(rounded >= kLowest && rounded < kBeyondHighest))
        return std::nullopt;
    return qint64(rounded);
}

} // namespace mivo
