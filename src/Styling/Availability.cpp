#include "Styling/Availability.h"

namespace mivo::Availability {

bool systemGlass()
{
    return false;
}

} // namespace mivo::Availability
