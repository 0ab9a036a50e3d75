// The progress dialog of a run, drawn as one terminal line: the bar
// (0..1000), StatusCopy and "経過時間 mm：ss", redrawn every 500 ms.
#pragma once

#include <string>

#include "run/run_context.h"

namespace kv {

// The elapsed-time text of the progress dialogs: "経過時間 " + minutes + "："
// + seconds, each at least two digits; seconds are ticks / 2 (minutes are not
// wrapped). UTF-8.
std::string ElapsedText(long ticks);

// One progress line (UTF-8) for the given position, status and ticks.
std::string ProgressLineText(int position, const std::string& status_cp932, long ticks);

}  // namespace kv
