#include "app/log_findings.h"

#include <initializer_list>

#include "app/run_summary.h"
#include "platform/encoding.h"

namespace kv {
namespace {

// A kind is known by a piece of its lines' text (UTF-8 here, compared as
// CP932); the first rule whose piece a line holds takes it, and rules with
// the same label count together. `prefix` rules hold only for lines that
// start with it. The last rule takes every line.
struct KindRule {
  const char* label;
  const char* prefix;
  std::initializer_list<const char*> pieces;  // empty: any line
};

const KindRule kRules[] = {
    {"functions defined more than once (one record per definition)", "", {"同名関数 定義ごとの記録"}},
    {"calls of a name defined in several files, linked to the nearest definition", "", {"定義から最も近い記録"}},
    {"source files sharing one name (the later file's F_/INF_ files are kept)", "", {"同名ファイル F_/INF_置換"}},
    {"files with characters CP932 cannot hold (replaced by 〓)", "", {" : 〓 : "}},
    {"files with bytes that are no Shift-JIS text (失敗!)", "", {" : 失敗! : "}},
    {"#if/#elif conditions that could not be evaluated (taken as false)", "プリプロ解析 ", {"EvaluateCondition"}},
    {"#includes skipped (a cycle, too deep, or too many lines)",
     "プリプロ解析 ",
     {"Include Cycle Skip", "Include Nest Over", "Include Line Over"}},
    {"comments or #if blocks still open at the end of a file", "プリプロ解析 ", {"Comment Not Closed", "Endif Missing"}},
    {"other preprocessor findings (#define values, full tables)", "プリプロ解析 ", {}},
    {"files or folders left out of the analysis", "", {" : SearchFile : ", "UNSAFE NAME SKIP"}},
    {"names that cannot be file names (nothing written for them)",
     "",
     {"ファイル名に使えない関数名", "ファイル名にできない名前", "FILE NAME REFUSED", "NAME NOT SAFE"}},
    {"fixed capacities reached", "", {"メモリオーバー", "配列OVER", "引数30個超過", "重複チェック", "Macro FUnc CHK"}},
    {"call trees written in brief form", "", {"WriteCallTree"}},
    {"call-graph pictures not drawn", "", {"コールグラフ作成失敗"}},
    {"files that could not be opened or written",
     "",
     {"プログラム解析 ", "DEFFILE NOT OPEN", "FILE OPEN ERROR", " : 作業フォルダ : "}},
    {"internal errors (例外発生)", "", {"例外発生"}},
    {"other findings", "", {}},
};

struct CompiledRule {
  size_t kind;  // index into the tally's kinds
  std::string prefix;
  std::vector<std::string> pieces;
};

const std::vector<CompiledRule>& Rules(std::vector<std::string>* labels) {
  static const std::vector<std::string> kind_labels = [] {
    std::vector<std::string> out;
    for (const KindRule& rule : kRules) {
      bool known = false;
      for (const std::string& label : out) known = known || label == rule.label;
      if (!known) out.emplace_back(rule.label);
    }
    return out;
  }();
  static const std::vector<CompiledRule> rules = [] {
    std::vector<CompiledRule> out;
    for (const KindRule& rule : kRules) {
      CompiledRule compiled;
      for (size_t i = 0; i < kind_labels.size(); ++i)
        if (kind_labels[i] == rule.label) compiled.kind = i;
      compiled.prefix = ToCp932(rule.prefix);
      for (const char* piece : rule.pieces) compiled.pieces.push_back(ToCp932(piece));
      out.push_back(std::move(compiled));
    }
    return out;
  }();
  if (labels != nullptr) *labels = kind_labels;
  return rules;
}

bool Matches(const CompiledRule& rule, std::string_view line) {
  if (!line.starts_with(rule.prefix)) return false;
  if (rule.pieces.empty()) return true;
  for (const std::string& piece : rule.pieces)
    if (line.find(piece) != std::string_view::npos) return true;
  return false;
}

}  // namespace

FindingTally::FindingTally() {
  std::vector<std::string> labels;
  Rules(&labels);
  for (std::string& label : labels) kinds_.push_back({std::move(label), 0, {}});
}

void FindingTally::Add(std::string_view line) {
  if (line.empty() || IsBannerLine(line)) return;
  ++total_;
  for (const CompiledRule& rule : Rules(nullptr)) {
    if (!Matches(rule, line)) continue;
    FindingKind& kind = kinds_[rule.kind];
    if (kind.count++ == 0) kind.example = std::string(line);
    return;
  }
}

std::vector<FindingKind> FindingTally::Kinds() const {
  std::vector<FindingKind> met;
  for (const FindingKind& kind : kinds_)
    if (kind.count > 0) met.push_back(kind);
  return met;
}

}  // namespace kv
