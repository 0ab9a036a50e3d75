#include "app/log_findings.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

// Lines as the stages write them (UTF-8 here; the log holds CP932).
const char* const kLog[] = {
    "ANALYSYS START     : 24.05.01 10:00:00",
    "HEADER LIST START    : 24.05.01 10:00:00",
    "",
    "proj/x.c : 0 : SearchFile : NOT A REGULAR FILE SKIP",
    "プリプロ解析 proj/a.c:12: #if IS_ENABLED(X) : EvaluateCondition Syntax Error",
    "プリプロ解析 proj/a.c:30: #if A / 0 : EvaluateCondition Zero Divide",
    "プリプロ解析 proj/b.h:1: #include \"a.h\" : Include Cycle Skip proj/a.h",
    "プリプロ解析 proj/c.c:7: /* : Comment Not Closed",
    "プリプロ解析 proj/d.c:3: Array 10000 Over : DefineDirective MORE",
    "proj/u.c : 2 : 〓 : CP932にない文字を〓に置換",
    "proj/s.c : 1 : 失敗! : NextToken",
    "proj/a.c : 0 : f : 同名関数 定義ごとの記録 f@a.c",
    "proj/b.c : 0 : f : 同名関数 定義ごとの記録 f@b.c",
    "proj/y/util.c : 0 : util.c : 同名ファイル F_/INF_置換 proj/x/util.c -> proj/y/util.c",
    "proj/e.c : 5 : operator/ : ファイル名に使えない関数名 出力せず",
    "SetValList : 0 : 例外発生080 : -",
    "proj/f.c : 3 : x = y; : メモリオーバーWordAlsFuncltion",
    "プログラム解析 ./vcwk012345/func_als/*.* : FILE NOT OPEN",
    "WriteCallTree : 0 : コールツリー簡略形式で出力 展開時の行数 2000000 : -",
    "something : 0 : nobody : expected",
    "FUNC INFO END        : 24.05.01 10:00:09",
};

TEST(LogFindingsTest, KindsCountTheirLinesAndKeepTheFirstAsExample) {
  FindingTally tally;
  for (const char* line : kLog) tally.Add(ToCp932(line));
  EXPECT_EQ(tally.total(), 17);  // banners and the empty line are no findings
  std::vector<std::pair<std::string, long>> counts;
  for (const FindingKind& kind : tally.Kinds()) counts.emplace_back(kind.label, kind.count);
  EXPECT_EQ(counts, (std::vector<std::pair<std::string, long>>{
                        {"functions defined more than once (one record per definition)", 2},
                        {"source files sharing one name (the later file's F_/INF_ files are kept)", 1},
                        {"files with characters CP932 cannot hold (replaced by 〓)", 1},
                        {"files with bytes that are no Shift-JIS text (失敗!)", 1},
                        {"#if/#elif conditions that could not be evaluated (taken as false)", 2},
                        {"#includes skipped (a cycle, too deep, or too many lines)", 1},
                        {"comments or #if blocks still open at the end of a file", 1},
                        {"other preprocessor findings (#define values, full tables)", 1},
                        {"files or folders left out of the analysis", 1},
                        {"names that cannot be file names (nothing written for them)", 1},
                        {"fixed capacities reached", 1},
                        {"call trees written in brief form", 1},
                        {"files that could not be opened or written", 1},
                        {"internal errors (例外発生)", 1},
                        {"other findings", 1},
                    }));
  const std::vector<FindingKind> kinds = tally.Kinds();
  EXPECT_EQ(ToUtf8(kinds[0].example), "proj/a.c : 0 : f : 同名関数 定義ごとの記録 f@a.c");
  EXPECT_EQ(ToUtf8(kinds[4].example), "プリプロ解析 proj/a.c:12: #if IS_ENABLED(X) : EvaluateCondition Syntax Error");
}

TEST(LogFindingsTest, ALogOfBannersHasNoKinds) {
  FindingTally tally;
  tally.Add(ToCp932("ANALYSYS START     : 24.05.01 10:00:00"));
  tally.Add("");
  EXPECT_EQ(tally.total(), 0);
  EXPECT_TRUE(tally.Kinds().empty());
}

}  // namespace
}  // namespace kv
