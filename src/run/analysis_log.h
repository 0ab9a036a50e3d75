// The analysis log ./AnalyzeLog.txt. Every write opens the file for
// appending (never following a symlink at its name), writes one piece and
// closes it again, so the lines of all stages (and of the later commands)
// accumulate in time order.
#pragma once

#include <string>
#include <string_view>

namespace kv {

class AnalysisLog {
 public:
  explicit AnalysisLog(std::string path = "./AnalyzeLog.txt") : path_(std::move(path)) {}

  // LogBanner: word, " : ", "yy.mm.dd HH:MM:SS", line end. Banner words are
  // 20 characters wide ("FUNC ALS2 START     "), the run's "ANALYSYS START    "
  // is 18.
  void Banner(std::string_view word);
  // LogNote: "プログラム解析 ", subject, " : ", text; nothing appended (the
  // callers' texts end with "\n").
  void Note(std::string_view subject, std::string_view text);
  // LogFinding: a, " : ", n, " : ", b, " : ", c, line end.
  void Finding(std::string_view a, long n, std::string_view b, std::string_view c);
  // A piece exactly as given (the preprocessor's "プリプロ解析 " lines).
  void Append(std::string_view text);
  // Deletes the log (start of a run).
  void Delete();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kv
