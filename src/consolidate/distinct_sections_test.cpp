// FUNC ALS2 and FUNC ALS4: first-kept de-duplication of their sections.
#include <gtest/gtest.h>

#include "consolidate/consolidate_test_support.h"
#include "consolidate/distinct_entries.h"
#include "consolidate/func_als2.h"
#include "consolidate/func_als4.h"
#include "platform/encoding.h"

namespace kv {
namespace {

using testing::ReadSjisText;
using testing::RewriteText;
using testing::ScratchFolder;
using testing::StageHarness;

TEST(DistinctEntriesTest, CountsTheComparisonsOfTheInOrderScan) {
  DistinctEntries d;
  EXPECT_EQ(d.Add("a"), 1u);  // the sentinel
  EXPECT_EQ(d.Add("b"), 2u);
  EXPECT_EQ(d.Add("a"), 1u);
  EXPECT_EQ(d.Add("b"), 2u);
  EXPECT_EQ(d.Add("eeed"), 3u);  // an entry like any other
  EXPECT_EQ(d.entries(), (std::vector<std::string>{"a", "b", "eeed"}));
}

TEST(RemoveRepeatedEntriesTest, KeepsTheFirstOfEachInItsThreeSections) {
  ScratchFolder scratch;
  auto als2 = [](LineReader& in, TextWriter& out) { RemoveRepeatedEntries(in, out); };
  EXPECT_EQ(RewriteText("[参照変数]\nb\na\nb\nB\nb \neeed\neeed\n\n[戻り値]\nx\nx\n\n[コール関数]\nf()\nf()\n\n", als2),
            "[参照変数]\nb\na\nB\nb \neeed\n\n[戻り値]\nx\nx\n\n[コール関数]\nf()\n\n");
  // "NONE" is kept; the second empty line left by FUNC ALS1.5 is copied.
  EXPECT_EQ(RewriteText("[参照変数]\nNONE\n\n\n[書込み変数]\n\n", als2), "[参照変数]\nNONE\n\n\n[書込み変数]\n\n");
  EXPECT_EQ(RewriteText("[書込み変数]\nw\nw", als2), "[書込み変数]\nw\n\n");
}

TEST(OptimiseRecordTest, DeduplicatesExactlyItsFiveSections) {
  ScratchFolder scratch;
  StageHarness run;
  auto als4 = [&](LineReader& in, TextWriter& out) { OptimiseRecord(run.ctx(), in, out); };
  EXPECT_EQ(RewriteText("[戻り値]\nx\nx\n\n[マクロ関数]\nM\tb\nM\tb\n\n[コール関数（定義あり）]\nint f ( ) \nint f ( ) \n\n"
                        "[定義値]\nA\nA\n\n[変数アクセス情報]\nx [R]\nx [R]\n\n",
                        als4),
            "[戻り値]\nx\n\n[マクロ関数]\nM\tb\nM\tb\n\n[コール関数（定義あり）]\nint f ( ) \n\n"
            "[定義値]\nA\nA\n\n[変数アクセス情報]\nx [R]\nx [R]\n\n");
}

TEST(OptimiseRecordTest, GuardLogsOnceForAnEntryScannedPastTheLimit) {
  ScratchFolder scratch;
  StageHarness run;
  std::string record = "[参照変数]\n";
  for (size_t i = 0; i < kDuplicateCheckLimit; ++i) record += "v" + std::to_string(i) + "\n";
  record += "late\nv0\nlate\n\n";
  const std::string out =
      RewriteText(record, [&](LineReader& in, TextWriter& o) { OptimiseRecord(run.ctx(), in, o); });
  EXPECT_EQ(out.size(), record.size() - std::string("v0\nlate\n").size());
  // "late" takes 65,537 comparisons when added and again when repeated; the
  // repeat of v0 takes one.
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"), "重複チェック : 0 : late : -\n重複チェック : 0 : late : -\n");
}

}  // namespace
}  // namespace kv
