#include "app/progress_line.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/encoding.h"

namespace kv {
namespace {

// Decodes one UTF-8 character at `i` (advancing it); a broken sequence
// counts as one byte.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
  if (i + length > s.size()) length = 1;
  char32_t cp = length == 1 ? c : c & (0x7F >> length);
  for (int k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += length;
  return cp;
}

bool IsWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) || (cp >= 0xAC00 && cp <= 0xD7A3) ||
         (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// The longest head of `text` that takes at most `columns` columns.
std::string CutToWidth(std::string_view text, int columns) {
  size_t i = 0;
  int used = 0;
  while (i < text.size()) {
    size_t next = i;
    const int w = IsWide(NextCodePoint(text, next)) ? 2 : 1;
    if (used + w > columns) break;
    used += w;
    i = next;
  }
  return std::string(text.substr(0, i));
}

std::string Bar(int position, int width) {
  const int filled = position * width / 1000;
  return "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(width - filled), '-') +
         "]";
}

}  // namespace

std::string ElapsedText(long ticks) {
  long seconds = ticks / 2;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02ld：%02ld", seconds / 60, seconds % 60);
  return std::string("経過時間 ") + buffer;
}

int DisplayWidth(std::string_view utf8) {
  int width = 0;
  for (size_t i = 0; i < utf8.size();) width += IsWide(NextCodePoint(utf8, i)) ? 2 : 1;
  return width;
}

std::string ProgressLineText(int position, const std::string& status_cp932, long ticks, int columns) {
  if (position < 0) position = 0;
  if (position > 1000) position = 1000;
  constexpr int kFullBar = 30, kNarrowBar = 10;
  // The last column stays free: a terminal that wraps on the last column
  // would start a new line there.
  const int room = columns - 1;
  char percent[16];
  std::snprintf(percent, sizeof percent, "%5.1f%%", position / 10.0);
  const std::string status = ToUtf8(status_cp932);
  const std::string elapsed = ElapsedText(ticks);
  // bar + " " + percent + "  " + status + "  " + elapsed
  const int fixed = 1 + DisplayWidth(percent) + 2 + 2 + DisplayWidth(elapsed);
  const int status_width = DisplayWidth(status);
  int bar = kFullBar;
  if (bar + 2 + fixed + status_width > room) bar = std::max(kNarrowBar, room - 2 - fixed - status_width);
  if (bar + 2 + fixed <= room) {
    const std::string shown = CutToWidth(status, room - (bar + 2 + fixed));
    return Bar(position, bar) + " " + percent + "  " + shown + "  " + elapsed;
  }
  // Too narrow for the bar and the time: the percentage and what fits of the status.
  std::string line = std::string(percent) + " " + status;
  return CutToWidth(line, std::max(room, 0));
}

int TerminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* env = std::getenv("COLUMNS")) {
    const int value = std::atoi(env);
    if (value > 0) return value;
  }
  return 80;
}

}  // namespace kv
