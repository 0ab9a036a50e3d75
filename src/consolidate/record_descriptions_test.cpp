#include "consolidate/record_descriptions.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

RecordHead Head(const std::string& file, const std::string& name, std::vector<std::string> parameters = {},
                std::vector<std::string> locals = {}) {
  RecordHead head;
  head.folder_name = "SRC";
  head.file_name = file;
  head.function_name = name;
  head.parameters = std::move(parameters);
  head.locals = std::move(locals);
  return head;
}

FileDescriptions File(const std::string& name, const std::string& folder = "SRC") {
  FileDescriptions f;
  f.file_name = name;
  f.folder_name = folder;
  return f;
}

DescribedFunction Function(const std::string& name, const std::string& summary) {
  DescribedFunction f;
  f.name = name;
  if (!summary.empty()) f.description.summary = {summary};
  return f;
}

TEST(RecordDescriptionsTest, ReadsTheHeadOfAFinalRecord) {
  const std::string record = ToCp932(
      "[フォルダ名]\nSRC\n\n[ファイル名]\nmain.c\n\n[関数名称]\nf\n\n[関数型]\nint\n\n[引数定義]\nint\tn\t\nchar\t*\tbuf[]\t\n\n"
      "[テンポラリ変数]\nint\ti\nchar\tname[16]\n\n[コール関数]\nNONE\n\n[コール元]\nNONE_CALLER\n");
  RecordHead head = ReadRecordHead(record);
  EXPECT_EQ(head.folder_name, "SRC");
  EXPECT_EQ(head.file_name, "main.c");
  EXPECT_EQ(head.function_name, "f");
  EXPECT_EQ(head.parameters, (std::vector<std::string>{"n", "buf"}));
  EXPECT_EQ(head.locals, (std::vector<std::string>{"i", "name"}));
  EXPECT_FALSE(head.ends_with_empty_line);  // "NONE_CALLER" has no empty line after it
  EXPECT_TRUE(ReadRecordHead(ToCp932("[引数定義]\nvoid\n\n[テンポラリ変数]\nNONE\n\n")).parameters.empty());
  EXPECT_TRUE(ReadRecordHead(ToCp932("[コール元]\nmain\n\n")).ends_with_empty_line);
}

TEST(RecordDescriptionsTest, DefinitionFirstThenAPrototypeByPlace) {
  DescriptionIndex index;
  FileDescriptions c = File("motor.c");
  c.functions = {Function("said", "definition"), Function("quiet", "")};
  c.functions[1].description.parameters = {{"n", {"from the definition"}}};
  index.Add(c);
  FileDescriptions other = File("other.h");
  other.prototypes = {Function("quiet", "any header"), Function("lonely", "any header")};
  index.Add(other);
  FileDescriptions own_header = File("motor.h");
  DescribedFunction proto = Function("quiet", "own header");
  proto.description.parameters = {{"n", {"from the prototype"}}, {"m", {"m"}}};
  own_header.prototypes = {proto};
  index.Add(own_header);
  FileDescriptions source = File("use.c");
  source.prototypes = {Function("lonely", "in a source"), Function("stray", "in a source")};
  index.Add(source);

  EXPECT_EQ(index.Describe(Head("motor.c", "said")).summary, TextLines{"definition"});
  // No comment above the definition: the header of the same stem wins over
  // any other header; the definition's own parameter text stays.
  FunctionDescription quiet = index.Describe(Head("motor.c", "quiet", {"m", "n"}));
  EXPECT_EQ(quiet.summary, TextLines{"own header"});
  EXPECT_EQ(quiet.parameters, (std::vector<NamedText>{{"m", {"m"}}, {"n", {"from the definition"}}}));
  EXPECT_EQ(index.Describe(Head("x.c", "lonely")).summary, TextLines{"any header"});
  EXPECT_EQ(index.Describe(Head("x.c", "stray")).summary, TextLines{"in a source"});
  // Another folder's file of the same name is another file.
  EXPECT_TRUE(index.Describe(Head("motor.c", "said")).summary.size() == 1);
  RecordHead elsewhere = Head("motor.c", "said");
  elsewhere.folder_name = "OTHER";
  EXPECT_TRUE(index.Describe(elsewhere).empty());
}

TEST(RecordDescriptionsTest, LocalsFollowTheRecordParametersKeepTheRest) {
  DescriptionIndex index;
  FileDescriptions c = File("a.c");
  DescribedFunction f = Function("f", "");
  f.description.parameters = {{"typo", {"misspelt"}}, {"b", {"second"}}, {"a", {"first"}}};
  f.description.locals = {{"gone", {"not in the record"}}, {"i", {"index"}}};
  c.functions = {f};
  index.Add(c);
  FunctionDescription d = index.Describe(Head("a.c", "f", {"a", "b"}, {"i", "j"}));
  EXPECT_EQ(d.parameters, (std::vector<NamedText>{{"a", {"first"}}, {"b", {"second"}}, {"typo", {"misspelt"}}}));
  EXPECT_EQ(d.locals, (std::vector<NamedText>{{"i", {"index"}}}));
}

}  // namespace
}  // namespace kv
