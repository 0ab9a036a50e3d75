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

#include "app/run_context.h"
#include "app/stage.h"

namespace kv {

class RecordStore;

// An access line of the variable pages: a line holding "." matches the name
// followed by "."; any other line the name followed by a blank. The name
// must stand whole (not preceded by a letter, digit, "_", "." or "->").
bool VariablePageLineMatches(std::string_view line, std::string_view variable);

// The function a line of call_tree.txt names, as the variable pages take it:
// tabs and "|" removed, then "[non]", "--" and the brief marker.
std::string VariablePageTreeName(std::string_view line);

// The functions of the whole-run tree with their access lines.
class TreeAccessIndex {
 public:
  struct Function {
    std::string name;      // as the tree line names it
    bool root = false;     // its first line holds no tab followed by "|"
    const std::vector<std::string>* accesses = nullptr;  // null: no record
  };
  struct Place {
    int function;
    int line;
  };

  // Reads the tree text (lines ending in "\n") once.
  TreeAccessIndex(std::string_view tree_text, RecordStore& records);

  const std::vector<Function>& functions() const { return functions_; }
  // The matching access lines of `variable`, in tree order and line order.
  std::vector<Place> Matches(std::string_view variable) const;

 private:
  std::vector<Function> functions_;
  std::unordered_map<std::string, std::vector<Place>> places_;
};

// Step 9 of the report stage. kStopRun when stopped.
StageOutcome WriteVariablePages(RunContext& ctx, RecordStore& records);

}  // namespace kv
