// The DEF3 definition files as FUNC ALS3 consults them: one file per source
// file (named as run/definition_file_names.h says), each
// line a definition record: the macro name, then each value token preceded
// by a tab, then a tab. `.\DefList.txt` lines come first, as written.
//
// Each file is read once and kept (within a memory budget) for the records
// of the same source file that follow.
#pragma once

#include <list>
#include <memory>
#include <optional>
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

  // The macro test: the call's name is a macro of the file (its own
  // definitions, its includes' and DefList.txt's). Its body is the first
  // token of its value: for a function-like macro (a parameter list follows
  // the name) the token NextToken gives after the list closes, for any
  // other the first value token (#define my_alloc kmalloc). nullopt when no
  // line defines the name.
  struct Macro {
    std::string body;
    bool function_like = false;  // a parameter list follows the name
    // Parameters (by position) the body uses only as member names: after
    // "." or "->", or pasted with "##" (DO(field): tzh.field). What a call
    // passes there names a member, no variable.
    std::vector<size_t> member_parameters;
    long tokens = 0;       // tokens taken to find the body
    int invalid_sjis = 0;  // bytes of the line that are no Shift-JIS text
  };
  std::optional<Macro> FindMacro(std::string_view call_name) const;

  size_t memory_size() const;

 private:
  void IndexDefinedNames();

  std::string text_;
  std::vector<std::string_view> lines_;  // into text_
  size_t defined_lines_ = 0;             // lines before the first empty line
  // Names of the lines before the first empty line, with the first line
  // of each.
  std::unordered_map<std::string_view, uint32_t> names_;
};

// A definition line read as a macro: its body's first token.
DefinitionFile::Macro ReadMacroLine(std::string_view line);

// The function-like macros of the whole project: every DEF3 file's, the
// first definition of each name. A file's own definitions miss those of
// the headers it includes with <...>, which the preprocessor does not
// follow; a call of such a macro is still a macro call.
class ProjectMacros {
 public:
  void Load(std::string_view folder);
  // The macro; nullptr when no file defines the name as a function-like
  // macro.
  const DefinitionFile::Macro* Find(std::string_view name) const;

 private:
  std::unordered_map<std::string, DefinitionFile::Macro> macros_;
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

// The name a definition line defines (MAX of "MAX\t10\t" and of a
// DefList.txt line "MAX(a,b)\tbody").
std::string_view DefinedName(std::string_view line);

}  // namespace kv
