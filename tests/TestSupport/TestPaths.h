#pragma once

#include <QString>

namespace mivo::test {

// The stand-in helper built alongside the tests.
inline QString standInHelperPath() { return QStringLiteral(MIVO_TEST_HELPER_PATH); }

} // namespace mivo::test
