#include "run/analysis_log.h"

#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/text_file.h"

namespace kv {

void AnalysisLog::Append(std::string_view text) {
  // Never through a symlink planted at the log's name: the open fails, and
  // the failure ends the command like any refused write.
  TextWriter out(path_, WriteMode::kAppend, LastLink::kNoFollow);
  out.Write(text);
}

void AnalysisLog::Banner(std::string_view word) {
  std::string line(word);
  line += " : ";
  line += FormatLocalTime("%y.%m.%d %H:%M:%S");
  line += "\n";
  Append(line);
}

void AnalysisLog::Note(std::string_view subject, std::string_view text) {
  std::string line = SJ("プログラム解析 ");
  line += subject;
  line += " : ";
  line += text;
  Append(line);
}

void AnalysisLog::Finding(std::string_view a, long n, std::string_view b, std::string_view c) {
  std::string line(a);
  line += " : ";
  line += std::to_string(n);
  line += " : ";
  line += b;
  line += " : ";
  line += c;
  line += "\n";
  Append(line);
}

void AnalysisLog::Delete() { DeleteFile(path_); }

}  // namespace kv
