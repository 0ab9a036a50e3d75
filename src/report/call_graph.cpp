#include "report/call_graph.h"

#include <algorithm>
#include <unordered_map>

#include "lex/tokenizer.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {
namespace {

constexpr std::string_view kNotFound = "Not Found Function";

bool IsAsciiLetter(unsigned char c) { return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The names of a record's "[マクロ関数]" entries ("NAME(arguments)").
void AddMacroNames(std::string_view text, std::unordered_set<std::string>& macros) {
  const std::string& tag = SJ("[マクロ関数]");
  size_t at = 0;
  while ((at = text.find(tag, at)) != std::string_view::npos) {
    if (at == 0 || text[at - 1] == '\n') break;
    at += tag.size();
  }
  if (at == std::string_view::npos) return;
  size_t pos = text.find('\n', at);
  while (pos != std::string_view::npos && pos + 1 < text.size()) {
    size_t end = text.find('\n', pos + 1);
    std::string_view line = text.substr(pos + 1, end == std::string_view::npos ? std::string_view::npos : end - pos - 1);
    if (line.empty() || line == "NONE") return;
    std::string_view name = line.substr(0, line.find('('));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    if (IsGraphNodeName(name)) macros.emplace(name);
    pos = end;
  }
}

}  // namespace

bool IsGraphNodeName(std::string_view name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsShiftJisLead(c)) {
      if (i + 1 >= name.size()) return false;
      ++i;
      continue;
    }
    if (IsAsciiLetter(c) || (i > 0 && c >= '0' && c <= '9')) continue;
    return false;
  }
  return true;
}

CallGraphIndex::CallGraphIndex(RecordStore& records) : records_(records) {
  const int count = records.size();
  names_.reserve(count);
  has_body_.assign(count, false);
  callees_.resize(count);
  callers_.resize(count);
  for (int id = 0; id < count; ++id) {
    names_.push_back(records.name(id));
    LineReader file(JoinPath(records.folder(), records.name(id)));
    const std::string& text = file.text();
    has_body_[id] = file.is_open() && !std::string_view(text).starts_with(kNotFound);
    AddMacroNames(text, macros_);
    const CallRecord& record = records.Get(id);
    std::vector<std::string>& callees = callees_[id];
    for (size_t i = 0; i < record.callees.size(); ++i) {
      if (!IsGraphNodeName(record.callees[i])) continue;
      // A call found its record ignoring case: the record's name is the
      // one its page has.
      const int callee_id = record.callee_ids[i];
      const bool has_record = callee_id >= 0 && callee_id < count;
      const std::string& callee = has_record ? records.name(callee_id) : record.callees[i];
      if (std::find(callees.begin(), callees.end(), callee) != callees.end()) continue;
      callees.push_back(callee);
      if (has_record) {
        std::vector<int>& callers = callers_[callee_id];
        if (callers.empty() || callers.back() != id) callers.push_back(id);
      }
    }
  }
  for (std::vector<int>& callers : callers_) {
    std::sort(callers.begin(), callers.end(), [this](int a, int b) {
      return names_[a] != names_[b] ? names_[a] < names_[b] : a < b;
    });
    callers.erase(std::unique(callers.begin(), callers.end()), callers.end());
  }
}

int CallGraphIndex::Lookup(std::string_view name) const {
  const int id = records_.Lookup(name);
  return id < size() ? id : -1;
}

GraphNodeKind CallGraphIndex::KindOf(std::string_view name) const {
  const int id = Lookup(name);
  if (id >= 0 && has_body_[id]) return GraphNodeKind::kDefined;
  if (macros_.count(std::string(name))) return GraphNodeKind::kMacro;
  return GraphNodeKind::kUndefined;
}

namespace {

// Fills the picture level by level; knows which names are drawn already.
class GraphBuilder {
 public:
  explicit GraphBuilder(CallGraphModel& model) : model_(model) {}

  int Add(std::string name, GraphNodeKind kind, int level) {
    const int node = static_cast<int>(model_.nodes.size());
    drawn_.emplace(name, node);
    model_.nodes.push_back({std::move(name), kind, level});
    return node;
  }
  int Find(const std::string& name) const {
    auto it = drawn_.find(name);
    return it == drawn_.end() ? -1 : it->second;
  }
  void Edge(int from, int to) {
    for (const GraphEdge& edge : model_.edges)
      if (edge.from == from && edge.to == to) return;
    model_.edges.push_back({from, to, model_.nodes[to].level <= model_.nodes[from].level});
  }
  int More(int left_out, int level) { return Add("+" + std::to_string(left_out) + " more", GraphNodeKind::kMore, level); }

 private:
  CallGraphModel& model_;
  std::unordered_map<std::string, int> drawn_;
};

}  // namespace

CallGraphModel BuildCallGraph(const CallGraphIndex& index, int id) {
  CallGraphModel model;
  model.function = index.name(id);
  GraphBuilder graph(model);
  const int center = graph.Add(index.name(id), GraphNodeKind::kCenter, 0);

  // Callers, by name.
  int shown = 0, left_out = 0;
  for (int caller : index.callers(id)) {
    if (caller == id) continue;  // recursion: the self edge below
    if (shown == kGraphLevelCap) {
      ++left_out;
      continue;
    }
    ++shown;
    graph.Edge(graph.Add(index.name(caller), GraphNodeKind::kDefined, -1), center);
  }
  if (left_out > 0) graph.Edge(graph.More(left_out, -1), center);

  // Direct callees, in call order.
  std::vector<int> first_level;
  shown = left_out = 0;
  for (const std::string& callee : index.callees(id)) {
    const int drawn = graph.Find(callee);
    if (drawn >= 0) {
      graph.Edge(center, drawn);
      continue;
    }
    if (shown == kGraphLevelCap) {
      ++left_out;
      continue;
    }
    ++shown;
    const int node = graph.Add(callee, index.KindOf(callee), 1);
    graph.Edge(center, node);
    first_level.push_back(node);
  }
  if (left_out > 0) graph.Edge(center, graph.More(left_out, 1));

  // Their callees; a name left out is counted once.
  shown = 0;
  std::unordered_set<std::string> cut;
  std::vector<int> cut_from;
  for (int node : first_level) {
    const int callee_id = index.Lookup(model.nodes[node].name);
    if (model.nodes[node].kind != GraphNodeKind::kDefined || callee_id < 0) continue;
    for (const std::string& callee : index.callees(callee_id)) {
      const int drawn = graph.Find(callee);
      if (drawn >= 0) {
        graph.Edge(node, drawn);
        continue;
      }
      if (shown == kGraphLevelCap) {
        cut.insert(callee);
        if (cut_from.empty() || cut_from.back() != node) cut_from.push_back(node);
        continue;
      }
      ++shown;
      graph.Edge(node, graph.Add(callee, index.KindOf(callee), 2));
    }
  }
  if (!cut.empty()) {
    const int more = graph.More(static_cast<int>(cut.size()), 2);
    for (int node : cut_from) graph.Edge(node, more);
  }
  return model;
}

}  // namespace kv
