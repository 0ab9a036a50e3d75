// The findings of AnalyzeLog.txt sorted into the kinds a user asks about
// ("how many functions were defined twice? which #if could not be read?"),
// each with its count and its first line as an example, for the summary
// `analyze` prints at its end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct FindingKind {
  std::string label;    // UTF-8
  long count = 0;
  std::string example;  // the first line of the kind, CP932 as logged
};

class FindingTally {
 public:
  FindingTally();
  // One log line (CP932, without its line end). Banners and empty lines are
  // not findings.
  void Add(std::string_view line);
  long total() const { return total_; }
  // The kinds met, in the order of the kind table (the most telling first).
  std::vector<FindingKind> Kinds() const;

 private:
  std::vector<FindingKind> kinds_;
  long total_ = 0;
};

}  // namespace kv
