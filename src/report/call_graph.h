// The call-graph picture of one function, as a model: the function in the
// middle, the functions that call it one level to the left, what it calls
// one level to the right and what those call a second level further.
//
// A picture stays readable and its layout cheap only while it is small, so
// every level keeps at most kGraphLevelCap names (in record order) and the
// rest of the level becomes one "+N more" node. A name is drawn once: a call
// that reaches a name already drawn (recursion, a cycle, a callee that is
// also a caller) is an edge back to that node, never a new expansion. Only
// the middle function and its direct callees are expanded; callers and
// second-level callees show no further calls.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "report/call_records.h"

namespace kv {

inline constexpr int kGraphLevelCap = 12;

enum class GraphNodeKind {
  kCenter,     // the function of the picture
  kDefined,    // a function with a record: a link to its source page
  kUndefined,  // called, but no record (or only a "Not Found Function" one)
  kMacro,      // named in a record's "[マクロ関数]" list
  kMore,       // "+N more": the names a level left out
};

struct GraphNode {
  std::string name;  // CP932; for kMore the label "+N more"
  GraphNodeKind kind = GraphNodeKind::kDefined;
  int level = 0;     // -1 callers, 0 the function, 1 and 2 callees
};

struct GraphEdge {
  int from = 0;
  int to = 0;
  // Points to a node at the same level or to the left of `from` (a cycle or
  // recursion): drawn without moving the node out of its column.
  bool back = false;
};

struct CallGraphModel {
  std::string function;
  std::vector<GraphNode> nodes;  // nodes[0] is the function
  std::vector<GraphEdge> edges;  // in the order the levels are filled
};

// What every picture of a run needs from the records, read once.
class CallGraphIndex {
 public:
  // Reads every record of `records` (and the macro lists of the record
  // files). Callees that are not identifiers (expressions the body analysis
  // kept as calls) are left out.
  explicit CallGraphIndex(RecordStore& records);

  int size() const { return static_cast<int>(names_.size()); }
  const std::string& name(int id) const { return names_[id]; }
  // A record with a body: the functions that get a picture.
  bool has_body(int id) const { return has_body_[id]; }
  const std::vector<std::string>& callees(int id) const { return callees_[id]; }
  const std::vector<int>& callers(int id) const { return callers_[id]; }

  GraphNodeKind KindOf(std::string_view name) const;
  int Lookup(std::string_view name) const;

 private:
  std::vector<std::string> names_;
  std::vector<bool> has_body_;
  std::vector<std::vector<std::string>> callees_;
  std::vector<std::vector<int>> callers_;  // by name, then id
  std::unordered_set<std::string> macros_;
  RecordStore& records_;
};

// A C identifier (Shift-JIS letters allowed): what a node of a picture must be
// named. A damaged work folder's records may list "/" or "]" as calls; the
// picture leaves them out.
bool IsGraphNodeName(std::string_view name);

CallGraphModel BuildCallGraph(const CallGraphIndex& index, int id);

}  // namespace kv
