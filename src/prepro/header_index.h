// Header_List.txt as the directive processor searches it: one line per
// header of the project, "file name<TAB>full path", in the order the walk met
// them. It is read once per PREPRO stage and indexed by file name, and a
// lookup gives the same first match as a scan from the first line would.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv {

// IncludePath: the folder of the including file followed by the include
// token with every double quote removed ("\"a.h" -> "<folder>/a.h").
std::string IncludePath(std::string_view include_token, std::string_view including_path);

// A path or include name for comparison: ASCII letters lower-cased, "\"
// written "/", a run of separators as one (Shift-JIS characters left whole:
// their second byte may be 0x5C or a letter).
std::string NormalizePathForMatch(std::string_view path);

class HeaderIndex {
 public:
  // Reads Header_List.txt; an unreadable list leaves the index empty.
  void Load(std::string_view list_path);
  void LoadText(std::string_view text);

  // LookupHeader: the first listed header whose full path ends with the
  // include name at a folder boundary, ignoring case, "\" and "/" alike
  // ("a.h" finds .../a.h but not .../data.h; "sub/a.h" finds .../sub/a.h).
  // Leading "./" and "../" of the name are not part of the match.
  bool LookupHeader(std::string_view include_name, std::string& full_path) const;

  size_t size() const { return headers_.size(); }

 private:
  struct Header {
    std::string match_path;  // normalized full path
    std::string full_path;   // as listed
  };
  std::vector<Header> headers_;
  std::unordered_map<std::string, std::vector<size_t>> by_file_name_;  // normalized last component
};

}  // namespace kv
