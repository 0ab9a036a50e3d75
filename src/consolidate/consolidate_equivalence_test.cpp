// The indexed look-ups of the passes checked against the straightforward
// rules they replace, on generated names that are substrings of one another
// and on a generated project of thousands of records.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "run/work_folder.h"
#include "consolidate/call_list.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/consolidate_test_support.h"
#include "consolidate/definition_files.h"
#include "consolidate/func_als3.h"
#include "consolidate/prototype_list.h"
#include "consolidate/ram_acs_list.h"
#include "consolidate/synthetic_project.h"
#include "lex/keyword_tables.h"
#include "lex/name_match.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {
namespace {

using testing::ScratchFolder;
using testing::StageHarness;

// ---- The straightforward rules -------------------------------------------

std::optional<std::string> ReferenceReturnType(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    size_t pos = FindWholeName(line, name, "\t(");
    if (pos == std::string::npos) continue;
    std::string type = line.substr(0, pos);
    if (!type.empty()) type.pop_back();
    return type;
  }
  return std::nullopt;
}

const std::string* ReferenceDeclaration(const std::vector<std::string>& lines, const std::string& name) {
  if (name.empty()) return nullptr;
  const std::string key = "\t" + name;
  for (const std::string& line : lines) {
    const std::string head = line.substr(0, line.find('('));
    for (size_t p = head.find(key); p != std::string::npos; p = head.find(key, p + 1)) {
      const size_t after = p + key.size();
      if (after == head.size() || !IsIdentifierChar(head[after])) return &line;
    }
  }
  return nullptr;
}

struct Record {
  std::string name;
  std::vector<std::string> lines;
};

std::vector<std::string> ReferenceCallers(const std::vector<Record>& searched, std::string_view callee) {
  std::vector<std::string> callers;
  for (const Record& s : searched) {
    for (const std::string& entry : s.lines) {
      if (ContainsWholeName(entry, callee, "(")) {
        callers.push_back(s.name);
        break;
      }
    }
  }
  return callers;
}

bool ReferenceAccess(std::string_view line, std::string_view variable) {
  if (line.find('.') != std::string_view::npos) return ContainsWholeName(line, variable, ".");
  return ContainsWholeName(line, variable, " [");
}

// ---- Generated names --------------------------------------------------------

// Names and texts made of pieces that overlap: set7, reset7, g_set7,
// obj.set7(, p->set7, set7[i], tabs and blanks between them.
class Texts {
 public:
  explicit Texts(uint32_t seed) : rng_(seed) {}

  std::string Name() {
    static const char* const kStems[] = {"set", "reset", "main", "domain", "cnt", "count", "a", "x"};
    static const char* const kPrefixes[] = {"", "g_", "re", "p", "_"};
    std::string n = std::string(kPrefixes[Pick(5)]) + kStems[Pick(8)];
    if (Pick(2) == 0) n += std::to_string(Pick(4));
    return n;
  }
  // Also names that are not plain identifiers.
  std::string Key() {
    switch (Pick(9)) {
      case 8: {  // longer than the indexed keys
        std::string k = Name();
        while (k.size() <= 70) k += "+" + Name();
        return k;
      }
      case 0: return "p->" + Name();
      case 1: return Name() + "[]";
      case 2: return Name() + ")";
      case 3: return "";
      case 4: return "st." + Name();
      default: return Name();
    }
  }
  std::string Text(size_t pieces) {
    static const char* const kJoints[] = {"\t", " ", "(", ")", ".", "->", ",", "[", "] [", " [", "+", ";", "\t(\t"};
    std::string t;
    // Now and then a text too rich in keys to be indexed.
    if (Pick(40) == 0) t += std::string(200 + Pick(200), "(\t. ["[Pick(4)]) + "\t";
    if (Pick(40) == 0) {
      while (t.size() <= 150) t += Name() + "+";
      t += Name() + kJointsOf(Pick(13));
    }
    for (size_t i = 0; i < pieces; ++i) {
      t += Pick(6) == 0 ? std::string(kJoints[Pick(13)]) : Name();
      t += kJoints[Pick(13)];
    }
    return t;
  }
  static const char* kJointsOf(size_t i) {
    static const char* const kJoints[] = {"\t", " ", "(", ")", ".", "->", ",", "[", "] [", " [", "+", ";", "\t(\t"};
    return kJoints[i];
  }
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

 private:
  std::mt19937 rng_;
};

TEST(ConsolidateEquivalenceTest, PrototypeLookUpsAgreeWithTheLineScan) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    Texts texts(seed);
    std::vector<std::string> lines;
    for (int i = 0; i < 60; ++i) lines.push_back(texts.Text(1 + texts.Pick(8)));
    PrototypeList list;
    list.Assign(lines);
    for (int k = 0; k < 300; ++k) {
      const std::string key = texts.Key();
      EXPECT_EQ(list.ReturnType(key), ReferenceReturnType(lines, key)) << key;
      EXPECT_EQ(list.Declaration(key), ReferenceDeclaration(list.lines(), key)) << key;
    }
  }
}

TEST(ConsolidateEquivalenceTest, CallerAndAccessIndexesAgreeWithTheScan) {
  Texts texts(7);
  std::vector<Record> records;
  CallerIndex callers;
  AccessIndex accesses;
  for (int r = 0; r < 400; ++r) {
    Record record{"r" + std::to_string(r), {}};
    for (size_t k = texts.Pick(6); k > 0; --k) record.lines.push_back(texts.Text(1 + texts.Pick(4)));
    callers.AddRecord(record.name, record.lines);
    accesses.AddRecord(record.name, record.lines);
    records.push_back(record);
  }
  for (int k = 0; k < 400; ++k) {
    const std::string key = texts.Key();
    std::vector<std::string> fast;
    for (size_t i : callers.Callers(key)) fast.push_back(callers.name(i));
    EXPECT_EQ(fast, ReferenceCallers(records, key)) << key;

    std::vector<std::string> fast_lines, reference_lines;
    for (const AccessIndex::Match& m : accesses.Matches(key)) fast_lines.push_back(accesses.name(m.record) + ":" + accesses.line(m));
    for (const Record& record : records) {
      for (const std::string& line : record.lines) {
        if (ReferenceAccess(line, key)) reference_lines.push_back(record.name + ":" + line);
      }
    }
    EXPECT_EQ(fast_lines, reference_lines) << key;
  }
}

// ---- A generated project through the passes -------------------------------

std::vector<Record> ReadRecords(const std::string& folder, const std::string& tag, bool stop_at_none) {
  std::vector<Record> records;
  for (const DirEntry& e : ListDirectory(folder, "*.*").entries) {
    LineReader in(JoinPath(folder, e.name));
    Record r{e.name, {}};
    std::string line;
    while (in.ReadLineNoEol(line) && line != tag) {
    }
    while (in.ReadLineNoEol(line) && !line.empty() && !(stop_at_none && line == "NONE")) r.lines.push_back(line);
    records.push_back(r);
  }
  return records;
}

std::string FileText(const std::string& path) {
  std::string bytes;
  ReadFileBytes(path, bytes);
  return StripCarriageReturns(bytes);
}

TEST(ConsolidateEquivalenceTest, GeneratedProjectGivesTheReferenceCallersAndAccessFiles) {
  ScratchFolder scratch;
  synthetic::ProjectShape shape;
  shape.records = 2400;
  synthetic::WriteProject(shape);
  StageHarness run;
  RunContext& ctx = run.ctx();
  ASSERT_EQ(RunFuncAls15Stage(ctx), StageOutcome::kContinue);
  ASSERT_EQ(RunFuncAls2Stage(ctx), StageOutcome::kContinue);
  ASSERT_EQ(RunFuncAls3Stage(ctx), StageOutcome::kContinue);
  ASSERT_EQ(RunFuncAls4Stage(ctx), StageOutcome::kContinue);

  // CALL LIST: every final record gets exactly what the per-record scan of
  // func_als2 gives.
  const std::string finals = work::Path(work::kFunctionList4);
  const std::vector<Record> searched = ReadRecords(work::Path(work::kFuncAls2), SJ("[コール関数]"), true);
  std::map<std::string, std::string> expected;
  size_t with_callers = 0;
  for (const DirEntry& e : ListDirectory(finals, "*.*").entries) {
    std::string text = FileText(JoinPath(finals, e.name)) + SJ("[コール元]") + "\n";
    const std::vector<std::string> callers = ReferenceCallers(searched, e.name);
    for (const std::string& c : callers) text += c + "\n";
    text += callers.empty() ? "NONE_CALLER\n" : "\n";
    with_callers += !callers.empty();
    expected[e.name] = text;
  }
  ASSERT_EQ(expected.size(), shape.records);
  EXPECT_GT(with_callers, shape.records / 2);
  ASSERT_EQ(RunCallListStage(ctx), StageOutcome::kContinue);
  size_t differing = 0;
  for (const auto& [name, text] : expected) differing += FileText(JoinPath(finals, name)) != text;
  EXPECT_EQ(differing, 0u);

  // RAM ACS LIST: every variable's file as the per-variable scan writes it.
  ASSERT_EQ(RunRamAcsListStage(ctx), StageOutcome::kContinue);
  std::vector<Record> final_records = ReadRecords(finals, SJ("[変数アクセス情報]"), false);
  // A record's accesses of its own parameters and locals are no accesses of
  // a file-level variable.
  const std::vector<Record> arguments = ReadRecords(finals, SJ("[引数定義]"), false);
  const std::vector<Record> temporaries = ReadRecords(finals, SJ("[テンポラリ変数]"), false);
  for (size_t i = 0; i < final_records.size(); ++i) {
    LocalDeclarations locals;
    for (const std::string& line : arguments[i].lines) locals.Add(line);
    for (const std::string& line : temporaries[i].lines) locals.Add(line);
    std::erase_if(final_records[i].lines, [&](const std::string& line) { return locals.Declares(line); });
  }
  LineReader declarations(work::Path(work::kValList));
  std::string declaration;
  size_t variables = 0, accessed = 0;
  differing = 0;
  while (declarations.ReadLineNoEol(declaration)) {
    std::string type, variable;
    SplitTypeAndName(declaration, type, variable);
    std::string text = SJ("変数アクセス箇所一覧") + "\n\n";
    for (const Record& r : final_records) {
      bool first = true;
      for (const std::string& line : r.lines) {
        if (!ReferenceAccess(line, variable)) continue;
        if (first) text += r.name + "\n";
        first = false;
        text += "    " + line + "\n";
      }
      if (!first) text += "\n";
    }
    ++variables;
    accessed += text.size() > SJ("変数アクセス箇所一覧").size() + 2;
    differing += FileText(JoinPath(work::Path(work::kRamAll), variable)) != text;
  }
  EXPECT_EQ(variables, shape.records / 2 + 8);
  EXPECT_GT(accessed, variables / 3);
  EXPECT_EQ(differing, 0u);
}

}  // namespace
}  // namespace kv
