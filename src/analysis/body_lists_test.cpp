#include "analysis/body_lists.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ReadSjisText;
using testing::ScratchFolder;

TokenList Tokens(std::initializer_list<std::string_view> tokens) {
  TokenList list(tokens.size());
  size_t i = 0;
  for (std::string_view t : tokens) list.Set(i++, t);
  return list;
}

using V = std::vector<std::string>;

class BodyListsTest : public ::testing::Test {
 protected:
  BodyListsTest() { lists_.Reset(1); }
  ScratchFolder scratch_;
  AnalysisLog log_;
  BodyLists lists_{log_};
};

TEST_F(BodyListsTest, TextsOfEachOperation) {
  TokenList t = Tokens({"unsigned", "char", "buf", "[", "10", "]", "foo", "(", "a", ",", "b", ")"});
  lists_.SetValList(t, 0, 1, 2, 5);
  lists_.SetValList(t, 1, 1, 2, 2, "struct ");
  lists_.SetFuncList(t, 6, 11);
  lists_.SetRValList(t, 2, 5);
  lists_.SetWValList(t, 8, 8);
  lists_.SetRetValList(t, 10, 10);
  EXPECT_EQ(lists_.temporaries().entries(), (V{"unsigned\tchar\tbuf[10]", "struct char\tbuf"}));
  EXPECT_EQ(lists_.calls().entries(), (V{"foo(a,b)"}));
  EXPECT_EQ(lists_.reads().entries(), (V{"buf[10]"}));
  EXPECT_EQ(lists_.writes().entries(), (V{"a"}));
  EXPECT_EQ(lists_.returns().entries(), (V{"b"}));
  EXPECT_EQ(lists_.access(), (V{"buf[10] [R]", "a [w]", "b [RET]"}));
  // Calls, reads and writes are pieces; returned values are not.
  EXPECT_EQ(lists_.TakePieceLine(), "foo(a,b)buf[10]a");
  EXPECT_EQ(lists_.TakePieceLine(), "");
}

TEST_F(BodyListsTest, RangePastTheListIsCut) {
  TokenList t = Tokens({"x"});
  lists_.SetRValList(t, 0, 5);  // the end past the list is cut to it
  EXPECT_EQ(lists_.reads().entries(), (V{"x"}));
}

TEST_F(BodyListsTest, AccessListWarnsPastItsMarksAndStopsAtItsCapacity) {
  TokenList t = Tokens({"v"});
  for (int i = 0; i < 1999; ++i) lists_.SetWValList(t, 0, 0);
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"), "");
  lists_.SetWValList(t, 0, 0);  // the 2000th: the list holds 1999
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"), "SetWValList : 0 : UNITY VAL 配列OVER : -\n");
  for (int i = 0; i < 4000; ++i) lists_.SetRValList(t, 0, 0);
  EXPECT_EQ(lists_.access().size(), BodyLists::kAccessCapacity);
  EXPECT_EQ(lists_.reads().count(), 4000u);  // the read list itself has room for 4999
  std::string log = ReadSjisText("AnalyzeLog.txt");
  EXPECT_NE(log.find("SetRValList : 0 : UNITY VAL 配列OVER : -\n"), std::string::npos);
}

TEST_F(BodyListsTest, FullListRefusesEntriesAndReportsOnce) {
  TokenList t = Tokens({"int", "x"});
  for (int i = 0; i < 3005; ++i) lists_.SetValList(t, 0, 0, 1, 1);
  EXPECT_EQ(lists_.temporaries().count(), 2999u);  // place 0 stays empty
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"), "SetValList : 0 : UNITY VAL 配列OVER : -\n");
  lists_.Reset(2);  // the next function: emptied, twice the room
  for (int i = 0; i < 3005; ++i) lists_.SetValList(t, 0, 0, 1, 1);
  EXPECT_EQ(lists_.temporaries().count(), 3005u);
}

TEST_F(BodyListsTest, PieceListHoldsAThousandPieces) {
  for (int i = 0; i < 1200; ++i) lists_.AddPiece("+");
  EXPECT_EQ(lists_.TakePieceLine().size(), BodyLists::kPieceCapacity);
}

}  // namespace
}  // namespace kv
