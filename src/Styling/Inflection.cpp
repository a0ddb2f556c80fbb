#include "Styling/Inflection.h"

#include <algorithm>
#include <limits>

namespace mivo::Inflection {

int forTr(qint64 n)
{
    return int(std::clamp<qint64>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace mivo::Inflection
