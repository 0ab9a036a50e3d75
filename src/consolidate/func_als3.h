// FUNC ALS3: every record checked against what the whole project knows: the
// return type from the prototype list, #define names moved out of the read
// variables into "[定義値]", local variables dropped from the read and write
// lists (unless the user keeps them), subscripts emptied, and the calls
// sorted into calls of defined functions, of functions found nowhere, and of
// function-like macros.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "consolidate/local_declarations.h"

namespace kv {

class DefinitionFileCache;
class LineReader;
class DefinitionHeaders;
class DefinitionIndex;
class DefinitionFilePaths;
class MemberNames;
class PrototypeList;
class ProjectMacros;
class RunContext;
class TextWriter;

// EmptyBrackets: removes the characters between every outermost "[" and its
// matching "]" (the brackets stay). True when every "[" was closed.
bool EmptyBrackets(std::string& text);

// The same for an access line ("buf[i] [R]" gives "buf[] [R]"), except that
// a pair whose "]" is the line's last character (the access mark) keeps its
// contents.
void EmptyAccessBrackets(std::string& line);

// The arguments of a call text (its "(" at `open`), blanks around each
// trimmed: "f(a, g(b,c))" gives a and g(b,c).
std::vector<std::string_view> CallArguments(std::string_view call, size_t open);

// The arguments a call text ("DO(tzh_magic)", its "(" at `open`) passes at
// the given positions, added to `words`.
void AddMemberArguments(std::string_view call, size_t open, const std::vector<size_t>& positions,
                        std::unordered_set<std::string>& words);

// Replaces every occurrence of `name` standing whole in `text` by
// `replacement`.
std::string ReplaceWholeName(std::string_view text, std::string_view name, std::string_view replacement);

// One record of func_als2 written into func_als3. `record` is its file name
// (for the log).
class InterFileCheck {
 public:
  InterFileCheck(RunContext& ctx, const PrototypeList& prototypes, const DefinitionHeaders& headers,
                 DefinitionFileCache& definitions, const ProjectMacros& project_macros)
      : ctx_(ctx),
        prototypes_(prototypes),
        headers_(headers),
        definitions_(definitions),
        project_macros_(project_macros) {}

  void Run(const std::string& record, LineReader& in, TextWriter& out);
  // Where each function is defined: a record of a name several files define
  // takes the return type of its own definition's header.
  void set_definition_index(const DefinitionIndex* index) { index_ = index; }
  // The DEF3 tables of source files that share a base name.
  void set_definition_file_paths(const DefinitionFilePaths* paths) { file_paths_ = paths; }
  // The names the project's bodies use as members.
  void set_member_names(const MemberNames* members) { members_ = members; }

 private:
  struct Record;
  void FunctionName(Record& r, LineReader& in, TextWriter& out);
  void Locals(Record& r, LineReader& in, TextWriter& out);
  void Variables(Record& r, bool reads, LineReader& in, TextWriter& out);
  void Calls(Record& r, LineReader& in, TextWriter& out);
  void Accesses(LineReader& in, TextWriter& out);
  void MemberDesignators(Record& r, std::string_view entry, size_t open);
  const class DefinitionFile* Definitions(Record& r);

  RunContext& ctx_;
  const PrototypeList& prototypes_;
  const DefinitionHeaders& headers_;
  DefinitionFileCache& definitions_;
  const ProjectMacros& project_macros_;
  const DefinitionIndex* index_ = nullptr;
  const DefinitionFilePaths* file_paths_ = nullptr;
  const MemberNames* members_ = nullptr;
  std::unordered_set<std::string> sjis_reported_;  // definition files whose bad bytes were reported
};

}  // namespace kv
