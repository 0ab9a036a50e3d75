// The variable pages of the report: for every file-level variable of
// ValList.txt, RAM/<variable> (the accesses counted per function along the
// call tree) and HTML/RAM/<variable>.html (the access lines, linked to the
// functions' source pages).
//
// The pages walk the functions in the order the whole-run tree
// (call_tree.txt) first names them, each function once per variable. The
// tree listing and the records are read once for all variables: an index from
// every name that stands whole in an access line to its places gives each
// variable its candidate lines without looking at every function again.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "run/run_context.h"
#include "run/stage.h"
#include "report/call_tree.h"

namespace kv {

class RecordStore;

// An access line of the variable pages: a line holding "." matches the name
// followed by "."; any other line the name followed by a blank. The name
// must stand whole (not preceded by a letter, digit, "_", "." or "->").
bool VariablePageLineMatches(std::string_view line, std::string_view variable);

// The functions of the whole-run tree with their access lines.
class TreeAccessIndex {
 public:
  struct Function {
    std::string name;      // as the tree line names it
    bool root = false;     // its first line holds no tab followed by "|"
    const std::vector<std::string>* accesses = nullptr;  // null: no record
    std::string file;  // its record's source file
  };
  struct Place {
    int function;
    int line;
  };

  // From the lines of the tree, in order (depth-limit lines left out).
  TreeAccessIndex(const std::vector<TreeLine>& tree, RecordStore& records);

  // The lines of a tree text (call_tree.txt, lines ending in "\n").
  static std::vector<TreeLine> ReadTree(std::string_view tree_text);

  const std::vector<Function>& functions() const { return functions_; }
  // The matching access lines of `variable`, in tree order and line order.
  std::vector<Place> Matches(std::string_view variable) const;

 private:
  std::vector<Function> functions_;
  std::unordered_map<std::string, std::vector<Place>> places_;
};

// Step 9 of the report stage, from the functions of call_tree.txt in the
// order the stage wrote them (its first lines per function, kept while the
// trees were written, so the tree listing is not read back). kStopRun when
// stopped.
StageOutcome WriteVariablePages(RunContext& ctx, RecordStore& records,
                                const std::vector<TreeLine>& tree);

}  // namespace kv
