#pragma once

#include "LineWriter.h"

#include <string>
#include <vector>

namespace mivo::standin {

// Lines that a misbehaving helper might print before it serves, one per kind, in the
// order given: nonjson, badutf8, crlf, lonecr, split, huge, empty.
void writeNoise(LineWriter& out, const std::vector<std::string>& kinds);

// `count` event lines as fast as possible (download progress, steps and logs of a run
// "flood"), then the log event "flood done".
void writeFlood(LineWriter& out, long count);

} // namespace mivo::standin
