#pragma once

#include <QtGlobal>

namespace mivo::Inflection {

// The count tr() takes to choose a text's plural form ("%n track(s)" gives
// "1 track", "0 tracks", "2 tracks" through the English translation). A count
// beyond what an int holds, which no list here reaches, is held at its end.
int forTr(qint64 n);

} // namespace mivo::Inflection
