#pragma once

#include "Base/Bundle.h"

#include <QHash>
#include <QString>

namespace mivo {

// Finds the helper executable.
namespace HelperLocator {

// The first of, in order: the path in the environment variable
// "MIVO_HELPER_PATH"; "Contents/Helpers/mivo" inside the bundle; the bundle's
// auxiliary executable "mivo" unless that is the application itself. Only a
// regular file (after following links) that the user may execute counts;
// anything else falls through to the next candidate silently.
// Throws HelperError::helperMissing() when none qualifies.
QString locate(const Bundle& bundle, const QHash<QString, QString>& environment);

// The current process environment as a map.
QHash<QString, QString> processEnvironment();

} // namespace HelperLocator

} // namespace mivo
