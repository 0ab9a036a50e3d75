#include "app/progress_line.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

TEST(ProgressLine, DisplayWidthCountsWideCharactersTwice) {
  EXPECT_EQ(DisplayWidth("abc"), 3);
  EXPECT_EQ(DisplayWidth("経過時間 00：01"), 15);
  EXPECT_EQ(DisplayWidth("ｶﾅ"), 2);  // half-width kana
  EXPECT_EQ(DisplayWidth(""), 0);
}

// The line never reaches the last column, however narrow the terminal: a
// line that wraps is redrawn as a new line at every tick.
TEST(ProgressLine, FitsTheTerminalWidth) {
  const std::string status = SJ("ファイル間の整合解析中");
  EXPECT_EQ(ProgressLineText(500, status, 125, 120),
            "[###############---------------]  50.0%  ファイル間の整合解析中  経過時間 01：02");
  for (int columns : {100, 80, 60, 50, 40, 30, 20, 10, 2, 1, 0}) {
    const std::string line = ProgressLineText(500, status, 125, columns);
    EXPECT_LT(DisplayWidth(line), std::max(columns, 1)) << columns << ": " << line;
  }
  // At 50 columns the bar narrows and the status is cut, the time stays.
  const std::string narrow = ProgressLineText(500, status, 125, 50);
  EXPECT_EQ(narrow.rfind("[#####-----]  50.0%  ", 0), 0u) << narrow;
  EXPECT_NE(narrow.find("経過時間 01：02"), std::string::npos) << narrow;
  // Too narrow for bar and time: the percentage and the head of the status.
  EXPECT_EQ(ProgressLineText(500, status, 125, 20), " 50.0% ファイル間の");
}

}  // namespace
}  // namespace kv
