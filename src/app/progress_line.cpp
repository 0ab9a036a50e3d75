#include "app/progress_line.h"

#include <cstdio>

#include "platform/encoding.h"

namespace kv {

std::string ElapsedText(long ticks) {
  long seconds = ticks / 2;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02ld：%02ld", seconds / 60, seconds % 60);
  return std::string("経過時間 ") + buffer;
}

std::string ProgressLineText(int position, const std::string& status_cp932, long ticks) {
  if (position < 0) position = 0;
  if (position > 1000) position = 1000;
  constexpr int kWidth = 30;
  int filled = position * kWidth / 1000;
  std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(kWidth - filled), '-') + "]";
  char percent[16];
  std::snprintf(percent, sizeof percent, "%5.1f%%", position / 10.0);
  return bar + " " + percent + "  " + ToUtf8(status_cp932) + "  " + ElapsedText(ticks);
}

}  // namespace kv
