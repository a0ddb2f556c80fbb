#pragma once

#include <QString>
#include <QStringView>

namespace mivo::Inflection {

// A count with its noun in grammatical agreement: the singular noun for exactly
// one, the plural otherwise ("1 track", "0 tracks", "2 tracks"). The number is
// plain decimal without grouping.
QString count(qint64 n, QStringView singular, QStringView plural);

} // namespace mivo::Inflection
