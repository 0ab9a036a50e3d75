#include "run/member_names.h"

#include <algorithm>
#include <vector>

#include "lex/name_match.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"
#include "run/work_folder.h"

namespace kv {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void MemberNames::NoteEntry(std::string_view entry) {
  size_t i = 0;
  while (i < entry.size()) {
    const char c = entry[i];
    if (c == '"' || c == '\'') {
      i = LiteralEnd(entry, i) + 1;
      continue;
    }
    size_t start = std::string_view::npos;
    if (c == '-' && i + 1 < entry.size() && entry[i + 1] == '>') {
      start = i + 2;
    } else if (c == '.') {
      start = i + 1;
    } else if (IsDigit(c)) {
      // A number whole (1.5f, 0x1.8p3): its "." is no member access.
      while (i < entry.size() && (IsIdentifierChar(entry[i]) || entry[i] == '.')) ++i;
      continue;
    } else if (IsIdentifierChar(c)) {
      while (i < entry.size() && IsIdentifierChar(entry[i])) ++i;
      continue;
    }
    if (start == std::string_view::npos) {
      ++i;
      continue;
    }
    while (start < entry.size() && entry[start] == ' ') ++start;
    size_t end = start;
    if (end < entry.size() && !IsDigit(entry[end]))
      while (end < entry.size() && IsIdentifierChar(entry[end])) ++end;
    if (end > start) names_.emplace(entry.substr(start, end - start));
    i = std::max(end, i + 1);
  }
}

bool MemberNames::Write() const {
  std::vector<std::string_view> sorted(names_.begin(), names_.end());
  std::sort(sorted.begin(), sorted.end());
  TextWriter out;
  if (!out.Open(work::Path(work::kMemberNames), WriteMode::kTruncate)) return false;
  for (std::string_view name : sorted) out.WriteLine(name);
  return out.Close();
}

void MemberNames::Load() {
  LineReader in;
  if (!in.Open(work::Path(work::kMemberNames))) return;
  std::string line;
  while (in.ReadLineNoEol(line))
    if (!line.empty()) names_.insert(line);
}

}  // namespace kv
