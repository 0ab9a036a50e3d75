#include "prepro/typedef_extraction.h"

#include <gtest/gtest.h>

#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "prepro/prepro_stages.h"
#include "support/test_folder.h"

#include <filesystem>

namespace kv {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteFile;

class TypedefExtractionTest : public ::testing::Test {
 protected:
  TypedefExtractionTest() : ctx_(session_, ui_, log_, RunOptions{}) {
    MakeFolder(work::kRoot);
    MakeFolder(work::Path(work::kDef));
    ctx_.source_folder_name = "proj";
    ctx_.mirror_root = work::Path("DEF/proj");
    MakeFolder(ctx_.mirror_root);
    ctx_.types().Reset();
  }

  // Runs the extraction on one file of the mirror holding `text`.
  void Extract(const std::string& name, const std::string& text) {
    WriteFile("vcwk012345/DEF/proj/" + name, text);
    TypedefExtractor extractor(ctx_);
    extractor.ExtractFile(ctx_.mirror_root + "/" + name);
  }

  std::string Typedefs() { return ReadSjisText("vcwk012345/Typedef.txt"); }
  bool IsType(const std::string& name) { return ctx_.types().Contains(name); }

  ScratchFolder scratch_;
  Session session_;
  RecordingUi ui_;
  AnalysisLog log_;
  RunContext ctx_;
};

TEST_F(TypedefExtractionTest, BaseTypesSignsAndKnownTypes) {
  Extract("t.h",
          "typedef unsigned char UCHAR;\n"
          "typedef int INT32, *PINT32;\n"     // state 30 records the first name and resets
          "typedef UCHAR BYTE, *PBYTE;\n"     // state 10 records every identifier
          "typedef const char CCHAR;\n"       // the qualifier is skipped in state 1
          "typedef unsigned const BYTE UB;\n" // states 20, 40, 41, 42
          "typedef signed const SC;\n");      // states 20, 40, 42: the token before ";"
  EXPECT_EQ(Typedefs(), "UCHAR\nINT32\nBYTE\nPBYTE\nCCHAR\nUB\nSC\n");
  for (const char* name : {"UCHAR", "INT32", "BYTE", "PBYTE", "CCHAR", "UB", "SC"}) EXPECT_TRUE(IsType(name)) << name;
  EXPECT_FALSE(IsType("PINT32"));
  // Every line ends in CR LF on disk.
  EXPECT_EQ(ReadFile("vcwk012345/Typedef.txt").substr(0, 7), "UCHAR\r\n");
}

TEST_F(TypedefExtractionTest, StructsAndUnions) {
  Extract("s.h",
          "typedef struct { int a; struct { int b; } in; } POINT, *PPOINT;\n"
          "typedef struct tag { int a; } NAME;\n"
          "struct node { int v; };\n"
          "typedef UCHAR U2;\n"
          "union u { int i; char c; } one;\n"
          "typedef struct POINT ALIAS;\n");  // states 2, 5, 6: a known type's alias
  EXPECT_EQ(Typedefs(), "POINT\nPPOINT\nNAME\nnode\nU2\nu\nALIAS\n");
  EXPECT_FALSE(IsType("tag"));
}

TEST_F(TypedefExtractionTest, EnumerationRecordsGoToTheDefinitionFileOfTheBaseName) {
  WriteFile("vcwk012345/DEF/colors_DEF_C.dat", "MAX\t10\t\r\n");  // PREPRO wrote this one
  Extract("colors.h",
          "typedef enum { RED, GREEN = 5, BLUE } COLOR;\n"
          "enum { A = 0x10, B };\n"
          "enum mode { M0, M1 = X, M2 } cur;\n"  // a value that is no number: no record
          "enum late { L0 };\n");
  EXPECT_EQ(ReadFile("vcwk012345/DEF/colors_DEF_C.dat"),
            "MAX\t10\t\r\nRED\t0\r\nGREEN\t5\r\nBLUE\t6\r\nA\t0x10\r\nB\t17\r\nM0\t0\r\nM2\t1\r\nL0\t0\r\n");
  // The enum variable after the body is recorded like a typedef name; so are the tags.
  EXPECT_EQ(Typedefs(), "COLOR\nmode\ncur\nlate\n");
}

TEST_F(TypedefExtractionTest, BaseNameIsTheTextUpToTheFirstDot) {
  EXPECT_EQ(EnumRecordPath("a.b.c"), "./vcwk012345/DEF/a_DEF_C.dat");
  EXPECT_EQ(EnumRecordPath("x.h"), "./vcwk012345/DEF/x_DEF_C.dat");
}

TEST_F(TypedefExtractionTest, FunctionPointersCommentsDirectivesAndSplitDeclarations) {
  Extract("f.c",
          "typedef int (*FUNC)(int);\n"
          "typedef MYT (*FP2)(void);\n"
          "/* typedef int HIDDEN;\n"
          "   typedef int HIDDEN2; */\n"
          "// typedef int HIDDEN3;\n"
          "#define typedef_like typedef int NOTME;\n"
          "typedef\n"
          "\n"
          "    unsigned long\n"
          "    SPLIT;\n"
          "typedef struct {\n"
          "    int a;\n"
          "} MULTI;\n");
  EXPECT_EQ(Typedefs(), "SPLIT\nMULTI\n");
  EXPECT_FALSE(IsType("FUNC"));
}

TEST_F(TypedefExtractionTest, EnumTagOfAFunctionDeclarationIsRecorded) {
  Extract("g.c", "enum result compute(int x);\nenum result r;\n");
  EXPECT_EQ(Typedefs(), "result\n");
}

TEST_F(TypedefExtractionTest, MissingFileIsReportedAndSkipped) {
  TypedefExtractor extractor(ctx_);
  EXPECT_EQ(extractor.ExtractFile(ctx_.mirror_root + "/none.c"), 0);
  EXPECT_EQ(ui_.MessagesUtf8(), std::vector<std::string>{"[終了] ファイル開けず./vcwk012345/DEF/proj/none.c"});
}

TEST_F(TypedefExtractionTest, InvalidShiftJisIsReportedOncePerFile) {
  Extract("bad.c", "typedef int \x81" " A;\n/* \x82" "\n */ typedef int \x83" " Z;\n");
  EXPECT_EQ(ui_.MessagesUtf8(), std::vector<std::string>{"[終了] 失敗!"});
}

TEST_F(TypedefExtractionTest, StageWalksSourceExtensionsOnlyAndStopsOnRequest) {
  WriteFile("vcwk012345/DEF/proj/a.c", "typedef int A1;\n");
  WriteFile("vcwk012345/DEF/proj/sub/b.H", "typedef int B1;\n");
  WriteFile("vcwk012345/DEF/proj/c.Cpp", "typedef int C1;\n");
  WriteFile("vcwk012345/DEF/proj/d.hpp", "typedef int D1;\n");
  EXPECT_EQ(RunDefineAlsStage(ctx_), StageOutcome::kContinue);
  EXPECT_EQ(Typedefs(), "A1\nB1\n");
  EXPECT_EQ(ui_.Texts(RecordingUi::Kind::kDetail), (std::vector<std::string>{"a.c", "c.Cpp", "d.hpp", "b.H"}));

  std::filesystem::remove("vcwk012345/Typedef.txt");
  ctx_.progress.stop_flag = 1;
  EXPECT_EQ(RunDefineAlsStage(ctx_), StageOutcome::kContinue);
  EXPECT_FALSE(Exists("vcwk012345/Typedef.txt"));
}

}  // namespace
}  // namespace kv
