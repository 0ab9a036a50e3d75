#include "run/source_descriptions.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

FileDescriptions Sample() {
  FileDescriptions f;
  f.file_name = "main.c";
  f.folder_name = "PROJ";
  f.path = "proj/main.c";
  f.summary = {ToCp932("制御"), "second"};
  DescribedFunction fn;
  fn.name = "start";
  fn.is_static = true;
  fn.description.summary = {ToCp932("開始する")};
  fn.description.returns = {{"", {"general"}}, {"0", {"ok", "really"}}, {"-1", {"fail\twith tab"}}};
  fn.description.parameters = {{"n", {"count"}}};
  fn.description.locals = {{"i", {"index"}}};
  fn.description.notes = {"note"};
  fn.indents = std::vector<int>(40, 4);
  f.functions.push_back(fn);
  DescribedFunction bare;
  bare.name = "bare";
  f.functions.push_back(bare);
  DescribedFunction proto;
  proto.name = "send";
  proto.description.details = {"sends"};
  f.prototypes.push_back(proto);
  f.items = {{ItemKind::kDefine, "N(x)", "", "((x) + 1)", {ToCp932("一"), ToCp932("二")}},
             {ItemKind::kInternalVariable, "s_buf[4]", "unsigned char", "", {}},
             {ItemKind::kConstant, "MODE_A", "MODE", "", {"a"}}};
  return f;
}

TEST(SourceDescriptionsTest, TheDescriptionFileGivesBackWhatWasWritten) {
  const FileDescriptions f = Sample();
  const std::string text = FormatDescriptionFile(f);
  EXPECT_EQ(ParseDescriptionFile(text), f);
  // CR LF line ends (as the work folder's files have them) read the same.
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ParseDescriptionFile(crlf), f);
  // Empty sections are "NONE", and every section ends with an empty line.
  EXPECT_NE(text.find(ToCp932("[ファイル備考]\nNONE\n\n")), std::string::npos);
  // Indents go 32 to a line.
  std::string indents = ToCp932("[字下げ]\n");
  for (int i = 0; i < 32; ++i) indents += i < 31 ? "4," : "4\n";
  EXPECT_NE(text.find(indents + "4,4,4,4,4,4,4,4\n\n"), std::string::npos);
}

TEST(SourceDescriptionsTest, RecordSectionsComeInTheirOrder) {
  FunctionDescription d;
  d.summary = {"a"};
  d.parameters = {{"x", {"first", "second"}}};
  std::string out;
  AppendDescriptionSections(out, d);
  EXPECT_EQ(ToUtf8(out),
            "[関数説明]\na\n\n[処理説明]\nNONE\n\n[戻り値説明]\nNONE\n\n[引数説明]\nx\tfirst\nx\tsecond\n\n"
            "[テンポラリ変数説明]\nNONE\n\n[備考]\nNONE\n\n");
  FunctionDescription back;
  EXPECT_TRUE(ReadDescriptionSection(description_tag::Parameters(), {"x\tfirst", "x\tsecond", "y\tthird"}, back));
  EXPECT_EQ(back.parameters, (std::vector<NamedText>{{"x", {"first", "second"}}, {"y", {"third"}}}));
  EXPECT_TRUE(ReadDescriptionSection(description_tag::Summary(), {"NONE"}, back));
  EXPECT_TRUE(back.summary.empty());
  EXPECT_FALSE(ReadDescriptionSection(ToCp932("[コール元]"), {"main"}, back));
}

TEST(SourceDescriptionsTest, DamagedFilesAreReadAsFarAsTheyMakeSense) {
  // Unknown tags, items of unknown kinds, indents that are no numbers,
  // sections before any function.
  const std::string text = ToCp932(
      "[なにか]\nx\n\n[関数説明]\nlost\n\n[変数一覧]\n謎\ta\tb\tc\td\n公開変数\tonly\n公開変数\tg\tint\t\ttext\n\n"
      "[関数]\nf\n\n[字下げ]\n4,x,8\n\n");
  FileDescriptions f = ParseDescriptionFile(text);
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(f.items[0].name, "g");
  ASSERT_EQ(f.functions.size(), 1u);
  EXPECT_EQ(f.functions[0].indents, std::vector<int>{4});
  EXPECT_TRUE(f.functions[0].description.empty());
  EXPECT_EQ(ParseDescriptionFile("").functions.size(), 0u);
}

TEST(SourceDescriptionsTest, SecondFilesOfANameGetANumber) {
  EXPECT_EQ(DescriptionFilePath("main.c", 1), "./vcwk012345/COMMENT/main.c");
  EXPECT_EQ(DescriptionFilePath("main.c", 3), "./vcwk012345/COMMENT/main.c~3");
}

}  // namespace
}  // namespace kv
