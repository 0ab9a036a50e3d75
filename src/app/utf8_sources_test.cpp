// Sources in UTF-8: the sample project saved in UTF-8 (with and without a
// byte-order mark) gives the very bytes its CP932 original gives, and a
// character CP932 cannot hold becomes "〓" with one finding for its file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/analyze_test_run.h"
#include "platform/encoding.h"
#include "support/test_folder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Every file below `root` (relative path -> bytes).
std::map<std::string, std::string> FilesBelow(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), root).string();
    files[relative] = testing::ReadFile(entry.path().string());
  }
  return files;
}

// The sample project copied into ./engine_ctl, its text in UTF-8 when asked.
void CopySample(bool utf8, bool bom) {
  const std::string from = testing::SourceRoot() + "/samples/engine_ctl";
  for (const auto& [relative, bytes] : FilesBelow(from)) {
    std::string text = bytes;
    if (utf8) {
      ASSERT_TRUE(TryToUtf8(bytes, text)) << relative;
      if (bom) text = "\xEF\xBB\xBF" + text;
    }
    testing::WriteFile("engine_ctl/" + relative, text);
  }
}

// What one whole run of the sample writes into the work folder.
std::map<std::string, std::string> RunSample(bool utf8, bool bom, SourceEncoding encoding) {
  testing::ScratchFolder scratch;
  CopySample(utf8, bom);
  testing::WriteFile("out/.keep", "");
  testing::AnalyzeTestRun run("engine_ctl", "out");
  run.options.source_encoding = encoding;
  EXPECT_EQ(run.Run(), AnalyzeResult::Status::kCompleted);
  return FilesBelow("vcwk012345");
}

void ExpectSameFiles(const std::map<std::string, std::string>& expected,
                     const std::map<std::string, std::string>& actual) {
  ASSERT_FALSE(expected.empty());
  for (const auto& [path, bytes] : expected) {
    auto found = actual.find(path);
    if (found == actual.end()) {
      ADD_FAILURE() << "missing " << path;
    } else if (found->second != bytes) {
      ADD_FAILURE() << "differs " << path;
    }
  }
  for (const auto& [path, bytes] : actual)
    if (!expected.count(path)) ADD_FAILURE() << "extra " << path;
}

TEST(Utf8SourcesTest, SampleInUtf8GivesTheBytesOfItsCp932Original) {
  const auto original = RunSample(false, false, SourceEncoding::kAuto);
  ExpectSameFiles(original, RunSample(true, false, SourceEncoding::kAuto));
  ExpectSameFiles(original, RunSample(true, true, SourceEncoding::kAuto));
  ExpectSameFiles(original, RunSample(true, true, SourceEncoding::kUtf8));
  // CP932 sources read as CP932 whatever the choice but utf-8.
  ExpectSameFiles(original, RunSample(false, false, SourceEncoding::kCp932));
}

TEST(Utf8SourcesTest, CharactersCp932CannotHoldBecomeStandInsWithOneFindingPerFile) {
  testing::ScratchFolder scratch;
  testing::WriteFile("proj/a.c",
                     "/* caf\xC3\xA9 \xF0\x9F\x98\x80 \xE8\xA8\xAD\xE5\xAE\x9A */\n"
                     "void f(void)\n{\n\t/*\n\t * \xE2\x86\x92 \xC3\xA9\n\t */\n\tk();\n}\n");
  testing::WriteFile("proj/b.c", "void g(void)\n{\n\tm();\n}\n");
  testing::WriteFile("out/.keep", "");
  testing::AnalyzeTestRun run("proj", "out");
  ASSERT_EQ(run.Run(), AnalyzeResult::Status::kCompleted);
  const std::string copy = testing::ReadSjisText("vcwk012345/DEF/proj/a.c");
  EXPECT_NE(copy.find("/* caf〓 〓 設定 */"), std::string::npos) << copy;
  EXPECT_NE(copy.find("* → 〓"), std::string::npos) << copy;
  const std::string log = testing::ReadSjisText("AnalyzeLog.txt");
  size_t findings = 0;
  for (size_t at = log.find("CP932にない文字"); at != std::string::npos; at = log.find("CP932にない文字", at + 1))
    ++findings;
  EXPECT_EQ(findings, 1u) << log;
  EXPECT_NE(log.find("a.c : 3 : 〓 : CP932にない文字を〓に置換"), std::string::npos) << log;
  EXPECT_NE(testing::ReadSjisText("vcwk012345/func_als/f").find("k()"), std::string::npos);
}

// A byte-order mark goes whatever the encoding: in a file read as CP932 (a
// byte that is no UTF-8, or --source-encoding cp932) it would stick to the
// first token and lose the first definition. The log says so, once.
TEST(Utf8SourcesTest, AByteOrderMarkIsDroppedWhateverTheEncoding) {
  for (SourceEncoding encoding : {SourceEncoding::kAuto, SourceEncoding::kCp932}) {
    testing::ScratchFolder scratch;
    testing::WriteFile("proj/a.c", "\xEF\xBB\xBF#define LIMIT 10\nint g; /* \x83\x5c */\nvoid f(void)\n{\n\tk();\n}\n");
    testing::WriteFile("proj/b.c", "\xEF\xBB\xBFvoid h(void)\n{\n}\n");  // UTF-8 as well: no finding
    testing::WriteFile("out/.keep", "");
    testing::AnalyzeTestRun run("proj", "out");
    run.options.source_encoding = encoding;
    ASSERT_EQ(run.Run(), AnalyzeResult::Status::kCompleted);
    EXPECT_EQ(testing::ReadFile("vcwk012345/DEF/proj/a.c").rfind("#define LIMIT 10", 0), 0u);
    EXPECT_NE(testing::ReadFile("vcwk012345/DEF3/a_DEF_C.dat").find("LIMIT\t10"), std::string::npos);
    EXPECT_TRUE(testing::Exists("vcwk012345/func_als/h"));
    const std::string log = testing::ReadFile("AnalyzeLog.txt");
    EXPECT_NE(log.find("a.c : 0 : BOM : UTF-8 BOM REMOVED, FILE READ AS CP932"), std::string::npos) << log;
    EXPECT_EQ(log.find("b.c : 0 : BOM"), std::string::npos) << log;
  }
}

TEST(Utf8SourcesTest, ChoiceOfEncodingIsParsed) {
  SourceEncoding e = SourceEncoding::kCp932;
  EXPECT_TRUE(ParseSourceEncoding("auto", e));
  EXPECT_EQ(e, SourceEncoding::kAuto);
  EXPECT_TRUE(ParseSourceEncoding("UTF-8", e));
  EXPECT_EQ(e, SourceEncoding::kUtf8);
  EXPECT_TRUE(ParseSourceEncoding("cp932", e));
  EXPECT_EQ(e, SourceEncoding::kCp932);
  EXPECT_FALSE(ParseSourceEncoding("latin1", e));
}

}  // namespace
}  // namespace kv
