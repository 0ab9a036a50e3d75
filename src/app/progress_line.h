// The progress dialog of a run, drawn as one terminal line: the bar
// (0..1000), StatusCopy and "経過時間 mm：ss", redrawn every 500 ms.
#pragma once

#include <string>
#include <string_view>

#include "run/run_context.h"

namespace kv {

// The elapsed-time text of the progress dialogs: "経過時間 " + minutes + "："
// + seconds, each at least two digits; seconds are ticks / 2 (minutes are not
// wrapped). UTF-8.
std::string ElapsedText(long ticks);

// One progress line (UTF-8) for the given position, status and ticks that
// takes fewer than `columns` terminal columns, so that it never wraps (a
// wrapped line is redrawn as a new line every time): the bar narrows first,
// then the status is cut, then the elapsed time and the bar are left out.
std::string ProgressLineText(int position, const std::string& status_cp932, long ticks, int columns = 80);

// Terminal columns a UTF-8 text takes: 2 for wide (CJK, full-width)
// characters, 1 for the others.
int DisplayWidth(std::string_view utf8);

// The width of the terminal on `fd`; $COLUMNS or 80 when it cannot be asked.
int TerminalColumns(int fd);

}  // namespace kv
