// The DEF3 definition files as FUNC ALS3 consults them: one file per source
// file (its base name + "_DEF_C.dat", or "_DEF_H.dat" for a header), each
// line a definition record: the macro name, then each value token preceded
// by a tab, then a tab. `.\DefList.txt` lines come first, as written.
//
// Each file is read once and kept (within a memory budget) for the records
// of the same source file that follow.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "consolidate/key_index.h"

namespace kv {

class DefinitionFile {
 public:
  explicit DefinitionFile(std::string text);
  DefinitionFile(const DefinitionFile&) = delete;
  DefinitionFile& operator=(const DefinitionFile&) = delete;

  // The defined-name test: a line before the first empty line defines the
  // entry: the entry is the macro's own name (a word of some macro's value
  // or parameter list is no defined value).
  bool Defines(std::string_view entry) const;

  // The function-like macro test. Only the first line that holds "(" is
  // examined: the call is a macro when that line's text before its "("
  // equals the call's name.
  bool IsMacro(std::string_view call_name) const;
  // The macro's body: the token NextToken gives after the parameter list
  // closes ("" when it never closes).
  const std::string& macro_body() const { return macro_body_; }
  // Tokens taken to find the body.
  long macro_tokens() const { return macro_tokens_; }
  int invalid_sjis_count() const { return invalid_sjis_; }

  size_t memory_size() const;

 private:
  void IndexDefinedNames();
  void ReadMacroLine();

  std::string text_;
  std::vector<std::string_view> lines_;  // into text_
  size_t defined_lines_ = 0;             // lines before the first empty line
  // Names of the lines before the first empty line, with the first line
  // of each.
  std::unordered_map<std::string_view, uint32_t> names_;
  bool has_macro_line_ = false;
  std::string_view macro_name_;
  std::string macro_body_;
  long macro_tokens_ = 0;
  int invalid_sjis_ = 0;
};

// Definition files by path, most recently used kept within a budget.
class DefinitionFileCache {
 public:
  explicit DefinitionFileCache(size_t budget_bytes = 256u << 20) : budget_(budget_bytes) {}

  // The file at `path`, read when it is not held; nullptr when it does not
  // exist or cannot be read. `fresh` says whether it was read by this call.
  const DefinitionFile* Get(const std::string& path, bool* fresh = nullptr);

 private:
  struct Slot {
    std::unique_ptr<DefinitionFile> file;  // null: the file is missing
    std::list<std::string>::iterator age;
  };
  void Trim();

  size_t budget_;
  size_t used_ = 0;
  std::unordered_map<std::string, Slot> slots_;
  std::list<std::string> ages_;  // most recent first
};

// "DEF3/<base>_DEF_H.dat" for a source file whose extension holds ".h" or
// ".H", "_DEF_C.dat" otherwise: the name the preprocessor gave the file. The
// base name is the file name less everything from its last ".". Empty when
// the name would not be a safe file name.
std::string DefinitionFileName(std::string_view source_file);

// The name a definition line defines (MAX of "MAX\t10\t" and of a
// DefList.txt line "MAX(a,b)\tbody").
std::string_view DefinedName(std::string_view line);

}  // namespace kv
