#include "analysis/file_scanner.h"

#include <charconv>
#include <exception>
#include <limits>

#include "analysis/comment_attachment.h"
#include "run/definition_index.h"
#include "run/folder_utils.h"
#include "run/source_descriptions.h"
#include "run/work_folder.h"
#include "lex/callee_name.h"
#include "lex/classify.h"
#include "lex/keyword_tables.h"
#include "prepro/source_walk.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"

namespace kv {
namespace {

constexpr size_t kLineBufferSize = 3000;  // a longer line comes in pieces of 2999 bytes

bool IsTypeKind(TokenKind kind) { return kind == kKindQualifier || kind == kKindTypeName; }

}  // namespace

std::string FolderNameOf(std::string_view path) {
  size_t sep = FindLastSeparator(path);
  if (sep == std::string_view::npos) return {};
  std::string_view folder = path.substr(0, sep);
  size_t parent = FindLastSeparator(folder);
  if (parent != std::string_view::npos) folder.remove_prefix(parent + 1);
  return UpperCaseSjis(folder);
}

FileScanner::FileScanner(RunContext& ctx) : ctx_(ctx), body_(ctx) {
  const int factor = ctx.memory_factor() < 1 ? 1 : ctx.memory_factor();
  tokens_.Resize(static_cast<size_t>(factor) * 3000);
}

void FileScanner::Walk(const std::string& folder, std::string_view pattern) {
  WalkSourceFiles(ctx_, folder, pattern, [this](const std::string& path, const std::string& name) {
    PathParts parts = SplitPath(name);
    ctx_.position.current_file = parts.base;
    if (IsSourceExtension(parts.extension)) ScanFile(path);
  });
  if (!ctx_.StopRequested()) body_.files().FinishWalk(ctx_);
}

// The header an #include line names, as written ("x.h" or <sys/x.h>), for
// the record of which file includes which.
void FileScanner::NoteInclude() {
  std::string_view rest = line_.Rest();
  const size_t open = rest.find_first_of("\"<");
  if (open == std::string_view::npos) return;
  const size_t close = rest.find(rest[open] == '"' ? '"' : '>', open + 1);
  if (close == std::string_view::npos) return;
  body_.files().NoteInclude(PathBelow(ctx_.mirror_root, header_.file_path), std::string(rest.substr(open, close - open + 1)));
}

bool FileScanner::OpenOutputs(const std::string& path, const std::string& file_name) {
  struct Output {
    TextWriter& writer;
    std::string file;
    WriteMode mode;
    std::string_view message;
  };
  const Output outputs[] = {
      {f_out_, work::Path("F_" + file_name), WriteMode::kTruncate, "ファイル開けず"},
      {prototypes_, work::Path(work::kFuncListProtType), WriteMode::kAppend, "関数リスト開けず"},
      {bodies_, work::Path(work::kFuncListBody), WriteMode::kAppend, "関数リスト開けず"},
      {variables_, work::Path(work::kValList), WriteMode::kAppend, "変数リスト作成失敗"},
      {inf_, work::Path(std::string(work::kFileInfo) + "/INF_" + file_name), WriteMode::kTruncate,
       "FILE INFOファイル作成失敗"},
  };
  for (const Output& o : outputs) {
    if (!o.writer.Open(o.file, o.mode)) {
      ctx_.Message(ToCp932(o.message) + path);
      return false;
    }
  }
  return true;
}

void FileScanner::CloseOutputs() {
  f_out_.Close();
  prototypes_.Close();
  bodies_.Close();
  variables_.Close();
  inf_.Close();
}

int FileScanner::ScanFile(const std::string& path) {
  ctx_.position.current_line = "start";
  ctx_.position.current_state = "start";
  if (!input_.Open(path)) {
    ctx_.Message(SJ("ファイル開けず") + path);
    return 1;
  }
  const std::string file_name = SplitPath(path).name;
  // F_ and INF_ files are named by the file name alone: a later file of the
  // same name in another folder replaces the earlier one's.
  auto [it, first] = scanned_names_.try_emplace(UpperCaseSjis(file_name), path);
  if (!first) {
    ctx_.log.Finding(ctx_.position.current_file, 0, file_name,
                     SJ("同名ファイル F_/INF_置換 ") + it->second + " -> " + path);
    it->second = path;
  }
  if (!OpenOutputs(path, file_name)) {
    CloseOutputs();
    input_.Close();
    return 1;
  }
  inf_.Write("[FILENAME]\n" + file_name + "\n");

  header_.file_path = path;
  header_.file_name = file_name;
  header_.folder_name = FolderNameOf(path);
  define_ = 0;
  line_.Assign("");  // no comment is open at a file's start
  line_.clear_invalid_sjis_count();
  defined_here_.clear();
  file_level_.clear();
  body_extents_.clear();
  file_start_counter_ = ctx_.position.line_counter;

  try {
    Scan();
    RecoverDefinitions(file_start_counter_);
    WriteDescriptions(path, file_name);
  } catch (const std::exception&) {
    ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, ctx_.position.current_line,
                     SJ("例外発生060-") + ctx_.position.current_state);
  }
  FlushFileLevelLines();
  CloseOutputs();
  input_.Close();
  ctx_.ReportInvalidShiftJis(path, line_.invalid_sjis_count(), "WordAlsFuncltion");
  return 0;
}

bool FileScanner::ReadLine() {
  if (!input_.ReadLine(line_text_, kLineBufferSize)) return false;
  ++ctx_.position.line_counter;
  ctx_.position.current_line = line_text_;
  line_.AssignNextLine(line_text_);
  return true;
}

void FileScanner::SetCurrentState() {
  char text[16];
  auto result = std::to_chars(text, text + sizeof text, state_);
  ctx_.position.current_state.assign(text, static_cast<size_t>(result.ptr - text));
}

void FileScanner::RegisterTypeName(std::string_view name) {
  if (IsTypeNameCandidate(name)) ctx_.types().FindOrAdd(name);
}

void FileScanner::Scan() {
  const int capacity = static_cast<int>(tokens_.capacity());
  for (;;) {
    // 1. Statement start.
    if (!ReadLine()) return;
    idx_ = 0;
    paren_ = 0;
    brace_ = 0;
    declaration_complete_ = false;
    overflow_reported_ = false;
    state_ = kStart;

    for (;;) {
      // 2. Next token. Past the report index the statement is reported
      // once; at the list's end later tokens overwrite its last place.
      if (idx_ > kReportIndex || idx_ >= capacity) {
        if (!overflow_reported_) {
          overflow_reported_ = true;
          ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, ctx_.position.current_line,
                           SJ("メモリオーバーWordAlsFuncltion") + ctx_.position.current_state);
          ctx_.Message(SJ("メモリオーバー"));
        }
        if (idx_ >= capacity) idx_ = capacity - 1;
      }
      uint32_t indent = 0;
      std::string_view token = line_.NextIndented(&indent);

      // 3. Line end.
      if (token.empty()) {
        if (declaration_complete_) WriteDeclaration();
        break;
      }
      if (token == "\n") {
        if (define_ & 1) {
          if (!(define_ & 2)) {
            define_ = 0;
            state_ = kStart;
            idx_ = 0;
          } else {
            define_ &= ~2;
          }
        }
        do {
          if (!ReadLine()) return;
          token = line_.NextIndented(&indent);
          if (IsLineEnd(token) && (define_ & 1)) {
            // A blank line after a backslash: the #define ends there.
            define_ = 0;
            state_ = kStart;
            idx_ = 0;
          }
        } while (IsLineEnd(token));
      }

      // 4. Comments: the tokenizer knows which tokens stand inside one,
      // whatever lines the comment spans.
      const TokenKind kind = ClassifyLineToken(line_, token, ctx_.types());
      if (line_.last_in_comment()) continue;
      tokens_.Set(static_cast<size_t>(idx_), token);

      // 5. Braces, counted within the statement.
      if (token == "{") ++brace_;
      if (token == "}") --brace_;

      // 6, 7.
      SetCurrentState();
      Action action = Step(token, kind);
      if (action == Action::kAdvance) {
        ++idx_;
      } else if (action == Action::kNextStatement) {
        break;
      } else if (action == Action::kDeclaration) {
        WriteDeclaration();  // 8.
        break;
      }
    }
  }
}

// 8. A file-level variable: tokens 0 to the ";" joined by tabs.
void FileScanner::WriteDeclaration() {
  std::string text;
  tokens_.AppendRange(text, 0, idx_, "\t", false);
  text += '\n';
  file_level_.push_back({ctx_.position.line_counter - file_start_counter_, false, std::move(text)});
}

// A prototype: tokens 0 to the ";" joined by tabs.
void FileScanner::WritePrototype() {
  std::string text;
  tokens_.AppendRange(text, 0, idx_, "\t", false);
  text += '\n';
  file_level_.push_back({ctx_.position.line_counter - file_start_counter_, true, std::move(text)});
}

// A line whose last word before the ";" is a string or character literal
// declares nothing: it is the rest of an initialiser the line before began
// (static char warn[] __initdata =\n\tKERN_WARNING "text";).
static bool EndsWithALiteral(std::string_view text) {
  size_t end = text.find_last_not_of(" \t\r\n;");
  return end != std::string_view::npos && (text[end] == '"' || text[end] == '\'');
}

// The held lines in file order, less those inside a function body: to
// F_<file>, and to FuncList_ProtType.txt or (unless extern) ValList.txt.
void FileScanner::FlushFileLevelLines() {
  size_t body = 0;
  for (const FileLevelLine& l : file_level_) {
    while (body < body_extents_.size() && body_extents_[body].second < l.line) ++body;
    if (body < body_extents_.size() && body_extents_[body].first <= l.line) continue;
    f_out_.Write(l.text);
    if (l.prototype) {
      prototypes_.Write(l.text);
    } else if (l.text.find("extern") == std::string::npos && !EndsWithALiteral(l.text)) {
      variables_.Write(l.text);
      NoteVariable(l.text);
    }
  }
  file_level_.clear();
}

// A file-level variable of ValList.txt, in its order: where it is defined.
void FileScanner::NoteVariable(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  std::string type, name;
  SplitTypeAndName(line, type, name);
  const bool is_static = line.starts_with("static\t") || line.find("\tstatic\t") != std::string_view::npos;
  body_.files().NoteVariable(std::move(name), PathBelow(ctx_.mirror_root, header_.file_path), is_static);
}

void FileScanner::StoreArgument(int last) {
  if (header_.argument_count >= kMaxArguments) {
    if (!arguments_refused_) {
      arguments_refused_ = true;
      ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, ctx_.position.current_line,
                       SJ("引数30個超過 以降の引数は記録せず"));
    }
    return;
  }
  std::string& text = header_.arguments[static_cast<size_t>(header_.argument_count++)];
  text.clear();
  tokens_.AppendRange(text, parameter_start_, last, "\t", true);
}

// A parameter whose name is also a type name somewhere in the project
// (struct smi_info *smi_info): at the "," or ")" that ends it, its last
// word is its name when a type word stands before it. A lone word, or a
// keyword last (unsigned int), names none.
void FileScanner::StoreTypeNamedParameter() {
  int last = idx_ - 1;
  if (last > parameter_start_ && tokens_[static_cast<size_t>(last)] == "]") {
    // packet[]: the name stands before the brackets
    while (last > parameter_start_ && tokens_[static_cast<size_t>(last)] != "[") --last;
    --last;
  }
  if (last <= parameter_start_) return;
  const std::string& word = tokens_[static_cast<size_t>(last)];
  if (ClassifyToken(word, ctx_.types()) != kKindTypeName || !IsCalleeName(word)) return;
  StoreArgument(last);
}

// State 4 and "{": a function definition.
void FileScanner::Definition() {
  header_.brace_index = idx_;
  if (NamesAnAttribute(tokens_, header_.name_index, idx_)) {
    SkipBody();  // recorded under its real name by the pass after the scan
    return;
  }
  int depth = 0;
  for (int i = header_.name_index + 1; i < idx_; ++i) {
    const std::string& token = tokens_[static_cast<size_t>(i)];
    if (token == "(") ++depth;
    if (token == ")") --depth;
    if (token != "=" || depth != 0) continue;
    SkipBody();  // static DEFINE_PER_CPU(struct s, v) = { ... }: an initialiser
    return;
  }
  const std::string& name = tokens_[static_cast<size_t>(header_.name_index)];
  if (inf_.is_open()) inf_.Write("[FUNCNAME]\n" + name + "\n");
  std::string line;
  tokens_.AppendRange(line, 0, idx_ - 1, "\t", true);
  line += '\n';
  bodies_.Write(line);
  defined_here_.insert(name);
  body_.Analyze(input_, line_, tokens_, header_, inf_);
}

// Reads past a body without recording it: up to the "}" that closes it,
// counted as the body analysis counts.
void FileScanner::SkipBody() {
  int depth = 1;
  for (;;) {
    uint32_t indent = 0;
    std::string_view token = line_.NextIndented(&indent);
    if (token.empty()) return;
    if (token == "\n") {
      if (!ReadLine()) return;
      continue;
    }
    if (token == "{") ++depth;
    if (token == "}" && --depth <= 0) return;
  }
}

// The pass after the scan: the definitions it did not record, found by
// their shape, go through the same body analysis and into the same files,
// after the scan's own. A name the file already recorded is left alone (one
// record per name), and nothing here registers a type name, so every record
// the scan wrote keeps its bytes.
void FileScanner::RecoverDefinitions(long file_start_counter) {
  input_.Rewind();
  shapes_ = FindDefinitionsByShape(input_, kLineBufferSize);
  const long end_counter = ctx_.position.line_counter;
  for (const ShapedDefinition& d : shapes_)
    body_extents_.emplace_back(d.brace_line, d.end_line > 0 ? d.end_line : std::numeric_limits<long>::max());
  for (const ShapedDefinition& d : shapes_) {
    if (!defined_here_.insert(d.name).second) continue;
    RecordShapedDefinition(d, file_start_counter);
  }
  ctx_.position.line_counter = end_counter;
  header_.recovered = false;
  header_.record_name.clear();
}

void FileScanner::RecordShapedDefinition(const ShapedDefinition& d, long file_start_counter) {
  const int brace = static_cast<int>(d.header.size());
  if (brace + 1 > static_cast<int>(tokens_.capacity())) return;  // reported by the scan already
  for (int i = 0; i < brace; ++i) tokens_.Set(static_cast<size_t>(i), d.header[static_cast<size_t>(i)]);
  tokens_.Set(static_cast<size_t>(brace), "{");
  idx_ = brace;
  header_.name_index = d.name_index;
  header_.brace_index = brace;
  header_.argument_count = 0;
  for (const std::string& text : d.arguments) {
    if (header_.argument_count >= kMaxArguments) break;
    header_.arguments[static_cast<size_t>(header_.argument_count++)] = text;
  }
  header_.recovered = true;
  header_.record_name = d.name == d.header[static_cast<size_t>(d.name_index)] ? std::string() : d.name;

  if (inf_.is_open()) inf_.Write("[FUNCNAME]\n" + d.name + "\n");
  std::string line;
  tokens_.AppendRange(line, 0, brace - 1, "\t", true);
  line += '\n';
  bodies_.Write(line);
  ctx_.position.line_counter = file_start_counter + d.brace_line;
  input_.Seek(d.resume_position);
  line_.Assign(d.rest_of_line);
  body_.Analyze(input_, line_, tokens_, header_, inf_);
}

// COMMENT/<file name>: what the file's comments say about its functions,
// variables, constants and #defines (read by CALL LIST and the documents).
// A second file of the same name gets COMMENT/<file name>~2.
void FileScanner::WriteDescriptions(const std::string& path, const std::string& file_name) {
  std::string below = path;
  const std::string root = ctx_.mirror_root;
  const size_t parent = FindLastSeparator(root);
  if (parent != std::string::npos && below.compare(0, parent + 1, root, 0, parent + 1) == 0) below.erase(0, parent + 1);
  for (char& c : below)
    if (c == '\\') c = '/';
  const SourceFileIdentity identity{file_name, header_.folder_name, below};
  const FileDescriptions descriptions = ReadSourceDescriptions(input_, kLineBufferSize, shapes_, identity);
  if (description_files_.empty()) MakeFolder(work::Path(work::kComment));
  const int n = ++description_files_[UpperCaseSjis(file_name)];
  TextWriter out;
  out.Open(DescriptionFilePath(file_name, n), WriteMode::kTruncate, ctx_.deferred_files);
  out.Write(FormatDescriptionFile(descriptions));
}

void FileScanner::BeginFunctionName() {
  header_.name_index = idx_;
  header_.argument_count = 0;
  skip_parameter_ = false;
  arguments_refused_ = false;
  parameter_types_.clear();
  parameter_words_.clear();
  parameter_depth_ = 1;  // the list's "(" follows the name
}

// The words of one parameter at the list's own level (a function pointer's
// inner parentheses aside), kept to find the parameter's type word.
void FileScanner::TrackParameterWord(std::string_view token, TokenKind kind) {
  if (token == "(") {
    ++parameter_depth_;
  } else if (token == ")") {
    if (--parameter_depth_ == 0) EndParameter();
  } else if (parameter_depth_ != 1) {
    return;
  } else if (token == ",") {
    EndParameter();
  } else if (token != "struct" && token != "union" && token != "enum" &&
             (IsTypeKind(kind) || kind == kKindIdentifier)) {
    parameter_words_.emplace_back(token);
  }
}

// "T x", "const T *x": the type is the first word before the name that is
// no qualifier ("unsigned x" has none); a lone word ("f(T)") is the type.
void FileScanner::EndParameter() {
  const size_t words = parameter_words_.size();
  const size_t type_words = words >= 2 ? words - 1 : words;
  for (size_t i = 0; i < type_words; ++i) {
    if (ClassifyToken(parameter_words_[i], ctx_.types()) == kKindQualifier) continue;
    parameter_types_.push_back(parameter_words_[i]);
    break;
  }
  parameter_words_.clear();
}

// The first word of each parameter names its type; it is registered once
// the list has shown what it belongs to: a definition, or a prototype.
void FileScanner::RegisterParameterTypes() {
  for (const std::string& name : parameter_types_) RegisterTypeName(name);
  parameter_types_.clear();
}

// "static DEFINE_LOCK(x);": nothing but storage words before the name, so no
// return type: a file-level macro invocation, whose arguments are no types.
bool FileScanner::LooksLikeMacroInvocation() const {
  for (int i = 0; i < header_.name_index; ++i) {
    const std::string& word = tokens_[static_cast<size_t>(i)];
    if (word != "static" && word != "const" && word != "volatile" && word != "extern" && word != "inline" &&
        word != "__inline" && word != "__inline__")
      return false;
  }
  return true;
}

// A word directly before a "*" qualifies the pointer's type (void __user
// *to): the parameter's name comes later.
bool FileScanner::NextIsAsterisk() const {
  const std::string_view rest = line_.Rest();
  const size_t p = rest.find_first_not_of(" \t");
  return p != std::string_view::npos && rest[p] == '*';
}

// const u64 in[8]: after nothing but const or volatile, a word is the
// parameter's type (unsigned and signed are types of their own).
bool FileScanner::OnlyQualifiersBefore() const {
  for (int i = parameter_start_; i < idx_; ++i) {
    const std::string& word = tokens_[static_cast<size_t>(i)];
    if (word != "const" && word != "volatile") return false;
  }
  return true;
}

// What stands before the name is a type: words and "*" only
// (MODULE_PARM_DESC(x, "text" RANGE(a, b)); has a literal before RANGE).
bool FileScanner::HasATypeBeforeTheName() const {
  for (int i = 0; i < header_.name_index; ++i) {
    const std::string& word = tokens_[static_cast<size_t>(i)];
    if (word != "*" && !IsWordToken(word)) return false;
  }
  return true;
}

// The "(" after the name opens with a number or a literal: no parameter
// list, an attribute's argument (__sfr16 __at (0x8C8A) TMR0;).
bool FileScanner::ListOpensWithAValue() const {
  const int first = header_.name_index + 2;
  if (first >= idx_) return false;
  const std::string& token = tokens_[static_cast<size_t>(first)];
  return !token.empty() && ((token[0] >= '0' && token[0] <= '9') || IsLiteralToken(token));
}

// After the list: a subscript or an initialiser, so the name with its list
// was a macro standing for a variable's name
// (const char NAME(symbol)[] = "%pS";).
bool FileScanner::DeclaresAnObject() const {
  int depth = 0;
  for (int i = header_.name_index + 1; i < idx_; ++i) {
    const std::string& token = tokens_[static_cast<size_t>(i)];
    if (token == "(") ++depth;
    if (token == ")") --depth;
    if (depth == 0 && (token == "[" || token == "=")) return true;
  }
  return false;
}

// One token of the file-level statement, in the order of the state table.
FileScanner::Action FileScanner::Step(std::string_view token, TokenKind kind) {
  auto previous = [this](int back) -> std::string_view {
    return idx_ - back >= 0 ? std::string_view(tokens_[static_cast<size_t>(idx_ - back)]) : std::string_view();
  };
  const bool closing_brace = token == "}" && brace_ <= 0;

  switch (state_) {
    case kStart:
      if (token == "typedef") {
        state_ = kTypedef;
      } else if (token == "struct" || token == "union") {
        state_ = kStruct;
      } else if (token == "enum") {
        // stay
      } else if (token == "#") {
        state_ = kDirective;
      } else if (IsTypeKind(kind)) {
        state_ = kAfterType;
      } else if (kind == kKindIdentifier) {
        state_ = kIdentifierFirst;
      } else {
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kAfterType:
      if (token == "struct" || token == "union") {
        state_ = previous(1) == "static" ? kStaticStruct : kAggregate;
      } else if (IsTypeKind(kind) || token == "*") {
        // stay
      } else if (kind == kKindIdentifier) {
        BeginFunctionName();
        state_ = kAfterName;
      } else {
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kAfterName:
      if (token == "(") {
        ++paren_;
        state_ = kParameters;
      } else if (token == "[") {
        state_ = kArraySize;
      } else if (token == ";") {
        declaration_complete_ = true;
        return Action::kDeclaration;
      } else {
        return Action::kNextStatement;  // "=", ",": not recorded
      }
      return Action::kAdvance;

    case kArraySize:
      if (token == "]") state_ = kAfterName;
      return Action::kAdvance;

    case kParameters:
      TrackParameterWord(token, kind);
      if (token == "(") {
        ++paren_;
        // int getfrag(void *from): the list after a parameter's name is its own.
        if (paren_ == 2 && IsCalleeName(tokens_[static_cast<size_t>(idx_ - 1)])) skip_parameter_ = true;
      } else if (token == ")") {
        if (--paren_ < 1) state_ = kAfterParameters;
      } else if (skip_parameter_) {
        // The parameter list of a function-pointer parameter: its words are
        // no parameters of the function.
        if (token == "," && paren_ == 1) skip_parameter_ = false;
      } else if (token == "struct" || token == "union" || token == "enum") {
        // stay
      } else if (IsTypeKind(kind) || kind == kKindIdentifier) {
        parameter_start_ = idx_;
        state_ = kParameter;
      }
      return Action::kAdvance;

    case kParameter:
      TrackParameterWord(token, kind);
      if (token == ",") {
        if (paren_ == 1) StoreTypeNamedParameter();
        state_ = kParameters;
      } else if (token == "(") {
        ++paren_;  // int (*cb)(int): the name is inside
        if (paren_ == 2 && idx_ - 1 > parameter_start_ && IsCalleeName(tokens_[static_cast<size_t>(idx_ - 1)])) {
          // int getfrag(void *from, …): a parameter declared as a function,
          // named before its own parameter list.
          StoreArgument(idx_ - 1);
          skip_parameter_ = true;
          state_ = kParameters;
        }
      } else if ((kind == kKindIdentifier && !NextIsAsterisk() && !OnlyQualifiersBefore()) ||
                 (kind == kKindTypeName && paren_ > 1 && IsCalleeName(token) &&
                  tokens_[static_cast<size_t>(idx_ - 1)] == "*")) {
        // (also void (*func)(…) where func is a type name elsewhere)
        StoreArgument(idx_);
        skip_parameter_ = paren_ > 1;
        state_ = kParameters;
      } else if (token == ")") {
        if (--paren_ <= 0) {
          StoreTypeNamedParameter();
          state_ = kAfterParameters;
        }
      }
      return Action::kAdvance;

    case kAfterParameters:
      if (token == "{") {
        RegisterParameterTypes();
        Definition();
        return Action::kNextStatement;
      }
      if (token == ";") {
        // A file-level macro invocation (static DEFINE_MUTEX(lock);) or a
        // statement (x |= f(y);) declares no function.
        const bool declares = !LooksLikeMacroInvocation() && HasATypeBeforeTheName() && !ListOpensWithAValue() &&
                              !DeclaresAnObject() && IsCalleeName(tokens_[static_cast<size_t>(header_.name_index)]);
        if (declares) {
          RegisterParameterTypes();
          WritePrototype();
        }
        parameter_types_.clear();
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kStaticStruct:
      if (kind == kKindTypeName) {
        state_ = kStaticStructTag;
      } else if (kind == kKindIdentifier) {
        RegisterTypeName(token);
        state_ = kStaticStructTag;
      } else if (token == "{") {
        state_ = kStaticStructBody;
      } else if (token == ";") {
        declaration_complete_ = true;
        return Action::kDeclaration;
      } else {
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kStaticStructTag:
      if (kind == kKindIdentifier) {
        state_ = kStaticStructName;
      } else if (token == "{") {
        state_ = kStaticStructTaggedBody;
      } else {
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kStaticStructName:
    case kStaticStructBodyName:
      if (token == ";") {
        declaration_complete_ = true;
        return Action::kDeclaration;
      }
      return Action::kNextStatement;

    case kStaticStructBody:
      if (closing_brace) state_ = kStaticStructBodyEnd;
      return Action::kAdvance;

    case kStaticStructBodyEnd:
      if (kind != kKindIdentifier) return Action::kNextStatement;
      state_ = kStaticStructBodyName;
      return Action::kAdvance;

    case kStaticStructTaggedBody:
      if (closing_brace) state_ = kStaticStructTaggedEnd;
      return Action::kAdvance;

    case kStaticStructTaggedEnd:
      if (kind != kKindIdentifier) return Action::kNextStatement;
      RegisterTypeName(token);
      state_ = kStaticStructTaggedName;
      return Action::kAdvance;

    case kStaticStructTaggedName:
      return Action::kNextStatement;

    case kIdentifierFirst:
      if (token == "struct" || token == "union") {
        // extern const struct tag { … } x;: an aggregate, whose body holds
        // members, no file-level variables.
        state_ = kAggregate;
      } else if (token == "enum") {
        // stay
      } else if (kind == kKindIdentifier || kind == kKindTypeName) {
        BeginFunctionName();
        state_ = kIdentifierName;
      } else if (kind == kKindQualifier) {
        // stay
      } else if (token == ";") {
        // u8 *x; with u8 unknown: the statement ends here, and leaves
        // nothing in front of the next one (void f() { would otherwise be
        // written u8 void f ( )).
        return Action::kNextStatement;
      } else if (token == "*") {
        // kprobe_opcode_t *__weak f(…): the "*" is the return type's.
        state_ = kStart;
      } else if (token == "(") {
        // SEC("kprobe") or BDI_SHOW(x, y) on the line before a definition:
        // an invocation whose expansion ended the statement. It is no part
        // of what follows.
        paren_ = 1;
        state_ = kLeadingInvocation;
      } else {
        state_ = kStart;
        idx_ = 1;
        return Action::kKeepIndex;
      }
      return Action::kAdvance;

    case kLeadingInvocation:
      if (token == "(") {
        ++paren_;
      } else if (token == ")" && --paren_ < 1) {
        paren_ = 0;
        state_ = kStart;
        idx_ = 0;
        return Action::kKeepIndex;
      } else if (token == ";" || token == "{" || token == "}") {
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kIdentifierName:
      if (token == "(") {
        ++paren_;
        RegisterTypeName(previous(2));  // the return type
        state_ = kParameters;
        return Action::kAdvance;
      }
      if (token == ";") {
        RegisterTypeName(previous(2));
        declaration_complete_ = true;
        return Action::kDeclaration;
      }
      return Action::kNextStatement;

    case kTypedef:
      if (token == "struct" || token == "union" || token == "enum") {
        state_ = kAggregate;
      } else if (kind == kKindTypeName) {
        state_ = kTypedefKnown;
      } else {
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kAggregate:
      if (token == "{") {
        state_ = kAggregateBody;
      } else if (closing_brace) {
        state_ = kTypedefKnownEnd;
      } else if (kind == kKindTypeName) {
        state_ = kAggregateKnownType;
      } else if (kind == kKindIdentifier) {
        RegisterTypeName(token);  // the tag
        state_ = kAggregateEnd;
      }
      return Action::kAdvance;

    case kAggregateBody:
      if (closing_brace) state_ = kAggregateEnd;
      return Action::kAdvance;

    case kAggregateEnd:
      if (kind == kKindIdentifier || kind == kKindTypeName) {
        state_ = kAggregateName;
      } else if (token == "{") {
        state_ = kAggregateBody;
      }
      return Action::kAdvance;

    case kAggregateName:
      if (token == ";") {
        // Only a typedef names a type here; "const struct {…} v;" declares v.
        if (tokens_[0] == "typedef") RegisterTypeName(previous(1));
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kTypedefKnown:
      if (kind == kKindIdentifier) {
        RegisterTypeName(token);
        state_ = kTypedefKnownEnd;
      } else if (kind == kKindTypeName) {
        state_ = kTypedefKnownEnd;
      }
      return Action::kAdvance;

    case kTypedefKnownEnd:
      if (token == ";") return Action::kNextStatement;
      return Action::kAdvance;

    case kAggregateKnownType:
      if (token == "{") {
        // const struct tag { … }: a body, whose members are no file-level
        // variables, whether the tag is known or not.
        state_ = kAggregateBody;
      } else if (kind == kKindIdentifier || kind == kKindTypeName) {
        state_ = kAggregateKnownName;
      }
      return Action::kAdvance;

    case kAggregateKnownName:
      if (token == ";") {
        if (tokens_[0] == "typedef") RegisterTypeName(previous(1));
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kStruct:
      if (kind == kKindIdentifier || kind == kKindTypeName) {
        tag_.assign(token);
        state_ = kStructTag;
      }
      return Action::kAdvance;

    case kStructTag:
      if (token == "{") {
        RegisterTypeName(tag_);
        state_ = kStructBody;
      } else if (token == ";") {
        // struct tag; or struct tag name;: the statement ends here, it does
        // not swallow the text up to the next "{".
        return Action::kNextStatement;
      }
      return Action::kAdvance;

    case kStructBody:
      // The body's tokens all go to index 1.
      if (closing_brace) state_ = kAfterStructBody;
      idx_ = 1;
      return Action::kKeepIndex;

    case kAfterStructBody:
      if (token == ";") return Action::kNextStatement;
      return Action::kAdvance;

    case kDirective:
      if (token == "include") NoteInclude();
      if (token != "define") return Action::kNextStatement;
      define_ |= 1;
      state_ = kDefineBody;
      return Action::kAdvance;

    case kDefineBody:
      if (token == "\\") define_ |= 2;
      return Action::kAdvance;
  }
  return Action::kNextStatement;
}

}  // namespace kv
