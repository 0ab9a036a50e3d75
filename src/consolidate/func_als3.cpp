#include "consolidate/func_als3.h"

#include <algorithm>

#include "run/definition_file_names.h"
#include "run/definition_index.h"
#include "run/member_names.h"
#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "consolidate/definition_files.h"
#include "consolidate/prototype_list.h"
#include "consolidate/record_tags.h"
#include "consolidate/record_walk.h"
#include "lex/callee_name.h"
#include "lex/name_match.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {
namespace {

// The runaway guard of the macro-body tokenizing.
constexpr long kMacroTokenLimit = 65536;

// Walks `text` with a depth counter and drops what stands between each
// outermost "[" and the "]" that closes it; `keep` may spare a pair (by the
// position of its "]" in `text`). Returns the depth at the end.
template <typename Keep>
int EmptyPairs(std::string& text, Keep keep) {
  std::string out;
  out.reserve(text.size());
  int depth = 0;
  size_t open = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '[') {
      if (depth == 0) open = out.size();
      ++depth;
    } else if (c == ']') {
      if (--depth == 0 && open != std::string::npos && !keep(i)) out.resize(open + 1);
    }
    out.push_back(c);
  }
  text = std::move(out);
  return depth;
}

void WriteList(TextWriter& out, const std::string& tag, const std::vector<std::string>& entries) {
  out.WriteLine(tag);
  if (entries.empty()) out.WriteLine(record_tag::kNone);
  for (const std::string& e : entries) out.WriteLine(e);
  out.WriteLine("");
}

}  // namespace

bool EmptyBrackets(std::string& text) {
  return EmptyPairs(text, [](size_t) { return false; }) == 0;
}

void EmptyAccessBrackets(std::string& line) {
  if (line.empty()) return;
  const size_t last = line.size() - 1;
  EmptyPairs(line, [last](size_t close) { return close == last; });
}

std::vector<std::string_view> CallArguments(std::string_view call, size_t open) {
  std::vector<std::string_view> arguments;
  int depth = 0;
  size_t start = open + 1;
  for (size_t i = open; i < call.size(); ++i) {
    const char c = call[i];
    if (c == '(' || c == '[') ++depth;
    const bool closes = (c == ')' || c == ']') && --depth == 0;
    if (!closes && !(c == ',' && depth == 1)) continue;
    std::string_view argument = call.substr(start, i - start);
    while (!argument.empty() && argument.front() == ' ') argument.remove_prefix(1);
    while (!argument.empty() && argument.back() == ' ') argument.remove_suffix(1);
    arguments.push_back(argument);
    start = i + 1;
    if (closes) break;
  }
  return arguments;
}

void AddMemberArguments(std::string_view call, size_t open, const std::vector<size_t>& positions,
                        std::unordered_set<std::string>& words) {
  if (positions.empty()) return;
  const std::vector<std::string_view> arguments = CallArguments(call, open);
  for (size_t position : positions)
    if (position < arguments.size() && !arguments[position].empty()) words.emplace(arguments[position]);
}

std::string ReplaceWholeName(std::string_view text, std::string_view name, std::string_view replacement) {
  std::string out;
  size_t from = 0;
  for (size_t pos = FindWholeName(text, name); pos != std::string_view::npos;
       pos = FindWholeName(text, name, {}, from)) {
    out.append(text.substr(from, pos - from));
    out.append(replacement);
    from = pos + name.size();
  }
  out.append(text.substr(from));
  return out;
}

struct InterFileCheck::Record {
  std::string name;         // the record's file name
  const Definition* own = nullptr;  // its definition, when the index knows it
  std::string source_file;  // the line after "[ファイル名]"
  LocalDeclarations locals;
  bool definitions_looked_up = false;
  const DefinitionFile* definitions = nullptr;
  std::string definitions_path;
  // What the record's macro calls pass as member names (DO(tzh_magic)):
  // the body analysis read them as variables.
  std::unordered_set<std::string> member_words;
};

void InterFileCheck::Run(const std::string& record, LineReader& in, TextWriter& out) {
  Record r;
  r.name = record;
  if (index_ != nullptr) r.own = index_->ByRecord(record);
  std::string line;
  while (in.ReadLineNoEol(line)) {
    if (line == record_tag::FileName()) {
      out.WriteLine(line);
      if (!in.ReadLineNoEol(line)) break;
      out.WriteLine(line);
      r.source_file = line;
    } else if (line == record_tag::FunctionName()) {
      FunctionName(r, in, out);
    } else if (line == record_tag::Temporaries() || line == record_tag::Arguments()) {
      out.WriteLine(line);
      Locals(r, in, out);
    } else if (line == record_tag::Reads()) {
      Variables(r, true, in, out);
    } else if (line == record_tag::Writes()) {
      Variables(r, false, in, out);
    } else if (line == record_tag::Calls()) {
      Calls(r, in, out);
    } else if (line == record_tag::Accesses()) {
      Accesses(in, out);
    } else {
      out.WriteLine(line);
    }
  }
}

// The name, an empty line, and "[関数型]" with the function's own return
// type: from its definition's header, else from a prototype of it; that
// section is closed by the empty line that follows in the record.
void InterFileCheck::FunctionName(Record& r, LineReader& in, TextWriter& out) {
  out.WriteLine(record_tag::FunctionName());
  std::string name;
  if (!in.ReadLineNoEol(name)) return;
  out.WriteLine(name);
  out.WriteLine("");
  // One of several definitions of the name: the nth of them (walk order)
  // is the nth header of the name.
  int nth = -1;
  if (r.own != nullptr && index_->Several('F', r.own->name)) {
    const std::vector<const Definition*> all = index_->Definitions('F', r.own->name);
    nth = static_cast<int>(std::find(all.begin(), all.end(), r.own) - all.begin());
  }
  std::optional<std::string> type = headers_.ReturnType(name, nth);
  if (!type) type = prototypes_.ReturnType(name);
  if (type) {
    out.WriteLine(record_tag::ReturnType());
    out.WriteLine(*type);
  }
}

void InterFileCheck::Locals(Record& r, LineReader& in, TextWriter& out) {
  std::string line;
  while (in.ReadLineNoEol(line) && !line.empty()) {
    out.WriteLine(line);
    r.locals.Add(line);
  }
  out.WriteLine("");
}

// The record's definition file, looked up once per record. A source file
// without one (nothing was preprocessed under that name) is logged once and
// has no definitions.
const DefinitionFile* InterFileCheck::Definitions(Record& r) {
  if (r.definitions_looked_up) return r.definitions;
  r.definitions_looked_up = true;
  const std::string file = r.own != nullptr && file_paths_ != nullptr
                               ? file_paths_->NameFor(r.own->path, r.source_file)
                               : PlainDefinitionFileName(r.source_file);
  const std::string path = file.empty() ? std::string() : JoinPath(work::Path(work::kDef3), file);
  r.definitions_path = path;
  if (!path.empty()) r.definitions = definitions_.Get(path);
  if (r.definitions == nullptr)
    ctx_.log.Finding("DEFFILE NOT OPEN", 0, path.empty() ? r.source_file : path, r.name);
  return r.definitions;
}

// "[参照変数]" (reads, followed by "[定義値]") or "[書込み変数]" (writes).
void InterFileCheck::Variables(Record& r, bool reads, LineReader& in, TextWriter& out) {
  out.WriteLine(reads ? record_tag::Reads() : record_tag::Writes());
  const bool keep_locals = ctx_.options.keep_locals;
  std::vector<std::string> defined;
  bool written = false;
  std::string entry;
  while (in.ReadLineNoEol(entry) && !entry.empty() && entry != record_tag::kNone) {
    if (reads) {
      const DefinitionFile* definitions = Definitions(r);
      if (definitions != nullptr && definitions->Defines(entry)) {
        defined.push_back(entry);
        continue;
      }
    }
    if (r.member_words.count(entry) != 0) continue;  // a member name, no variable
    if (!keep_locals) {
      const size_t arrow = entry.find("->");
      if (arrow != std::string::npos) entry.erase(arrow);
      // An entry that was all member access is gone (the in-order test found
      // the empty text in every declaration).
      if (entry.empty() || r.locals.Declares(entry)) continue;
    }
    if (entry.find('[') != std::string::npos) EmptyBrackets(entry);
    out.WriteLine(entry);
    written = true;
  }
  if (!written) out.WriteLine(record_tag::kNone);
  out.WriteLine("");
  if (reads) WriteList(out, record_tag::DefinedValues(), defined);
}

// "[コール関数]" and the three sections that sort its calls: a callee
// declared by a prototype or defined in the project is 定義あり (the
// prototype's text, else the definition header's in the same form); one
// that is a macro of the file, or a function-like macro elsewhere in the
// project, is a macro call; only the rest is 定義なし. A
// member call (x->ops->init(a)) names no function of the project.
void InterFileCheck::Calls(Record& r, LineReader& in, TextWriter& out) {
  out.WriteLine(record_tag::Calls());
  std::vector<std::string> defined;
  std::vector<std::string> undefined;
  std::vector<std::string> macros;
  std::string entry;
  while (in.ReadLineNoEol(entry) && !entry.empty()) {
    const size_t paren = entry.find('(');
    if (paren == std::string::npos) {
      undefined.push_back(entry);
      out.WriteLine(entry);
      continue;
    }
    const std::string name = entry.substr(0, paren);
    const std::string* declaration = prototypes_.Declaration(name);
    if (declaration == nullptr) declaration = headers_.Header(name);
    if (declaration != nullptr) {
      defined.push_back(DeclarationText(*declaration));
      out.WriteLine(entry);
      continue;
    }
    MemberDesignators(r, entry, paren);
    const DefinitionFile* definitions = Definitions(r);
    std::optional<DefinitionFile::Macro> macro = definitions != nullptr ? definitions->FindMacro(name) : std::nullopt;
    if (!macro) {
      if (const DefinitionFile::Macro* found = project_macros_.Find(name)) macro = *found;
    }
    if (macro) {
      AddMemberArguments(entry, paren, macro->member_parameters, r.member_words);
      if (macro->invalid_sjis > 0 && sjis_reported_.insert(r.definitions_path).second)
        ctx_.ReportInvalidShiftJis(r.definitions_path, macro->invalid_sjis, "FUNC ALS3");
      if (macro->tokens > kMacroTokenLimit) ctx_.log.Finding(SJ("[コール関数]-Macro FUnc CHK"), 0, entry, "-");
      macros.push_back(name + "\t" + macro->body);
      // The call as the macro's body names it (pr_err(x) under a body that
      // begins with printk reads printk(x)); a body that begins with no
      // function's name (do, "(") leaves the call as written.
      out.WriteLine(IsCalleeName(macro->body) ? ReplaceWholeName(entry, name, macro->body) : entry);
      continue;
    }
    undefined.push_back(entry);
    out.WriteLine(entry);
  }
  out.WriteLine("");
  WriteList(out, record_tag::DefinedCalls(), defined);
  WriteList(out, record_tag::UndefinedCalls(), undefined);
  WriteList(out, record_tag::MacroCalls(), macros);
}

// Only a macro takes a member's name as an argument. A bare argument of a
// callee the project does not define as a function is one when the bodies
// use it as a member, no variable of that name is in reach (the function's
// own, or a file-level one its file sees: a static one of another file is
// not), it is the last argument, and an argument before it is a struct or
// union of the function, passed whole: list_for_each_entry(pos, head,
// link), from_timer(p, t, watch_timer), with the macros' definitions
// outside the project. time_after(dev->end, jiffies) keeps jiffies: no
// struct is passed whole there.
void InterFileCheck::MemberDesignators(Record& r, std::string_view entry, size_t open) {
  if (members_ == nullptr || members_->size() == 0 || r.locals.empty()) return;
  const std::vector<std::string_view> arguments = CallArguments(entry, open);
  if (arguments.size() < 2) return;
  // The struct itself passed, not a member of it (time_after(dev->t, jiffies)).
  if (std::none_of(arguments.begin(), arguments.end() - 1,
                   [&r](std::string_view a) { return IsCalleeName(a) && r.locals.DeclaresAggregate(a); }))
    return;
  // The member comes last, as in every such macro.
  const std::string_view a = arguments.back();
  if (a.empty() || !IsCalleeName(a) || !members_->Contains(a) || r.locals.Declares(a)) return;
  // A variable the function can see (a static one of another file it cannot).
  if (r.own != nullptr && index_->Resolve('V', a, r.own->path).definition != nullptr) return;
  if (r.own == nullptr && index_ != nullptr && !index_->Definitions('V', a).empty()) return;
  r.member_words.emplace(a);
}

// Subscripts of the access lines emptied; the closing "NONE" (or empty line)
// is not copied, one empty line closes the section.
void InterFileCheck::Accesses(LineReader& in, TextWriter& out) {
  out.WriteLine(record_tag::Accesses());
  std::string line;
  while (in.ReadLineNoEol(line) && !line.empty() && line != record_tag::kNone) {
    EmptyAccessBrackets(line);
    out.WriteLine(line);
  }
  out.WriteLine("");
}

StageOutcome RunFuncAls3Stage(RunContext& ctx) {
  PrototypeList prototypes;
  prototypes.Load(work::Path(work::kFuncListProtType));
  DefinitionHeaders headers;
  headers.Load(work::Path(work::kFuncListBody));
  DefinitionFileCache definitions;
  ProjectMacros project_macros;
  project_macros.Load(work::Path(work::kDef3));
  InterFileCheck check(ctx, prototypes, headers, definitions, project_macros);
  DefinitionIndex index;
  if (index.Load()) check.set_definition_index(&index);
  DefinitionFilePaths file_paths;
  file_paths.Load();
  check.set_definition_file_paths(&file_paths);
  MemberNames members;
  members.Load();
  check.set_member_names(&members);
  return RewriteRecords(ctx, work::Path(work::kFuncAls2), work::Path(work::kFuncAls3), SJ("ファイル開けず STEP3"),
                        [&check](const std::string& name, LineReader& in, TextWriter& out) { check.Run(name, in, out); });
}

}  // namespace kv
