#include "prepro/directive_processor.h"

#include <algorithm>

#include "run/work_folder.h"
#include "lex/classify.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "prepro/condition_eval.h"
#include "prepro/value_folding.h"

namespace kv {
namespace {

std::string_view WithoutNewline(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  return line;
}

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// True when the last character of the text, blanks and the newline aside, is
// a backslash (and not the second byte of a Shift-JIS character).
bool EndsWithContinuation(std::string_view text) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsShiftJisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      last = i++;
      continue;
    }
    if (!IsBlankByte(text[i])) last = i;
  }
  return last != std::string_view::npos && text[last] == '\\';
}

// Removes the trailing blanks, the newline and the backslash.
void DropContinuation(std::string& text) {
  while (!text.empty() && IsBlankByte(text.back())) text.pop_back();
  if (!text.empty() && text.back() == '\\') text.pop_back();
}

bool IsNumberKind(TokenKind kind) { return kind == kKindNumber || kind == kKindHexNumber; }

}  // namespace

DirectiveProcessor::DirectiveProcessor(RunContext& ctx, DefineTable& table, const HeaderIndex& headers,
                                       SourceCache& sources, OutputFiles& outputs)
    : ctx_(ctx), table_(table), headers_(headers), sources_(sources), outputs_(outputs) {
  log_fn_ = [this](std::string_view text, std::string_view detail) { PreproLog(text, detail); };
}

void DirectiveProcessor::BeginTopLevelFile(std::string base_name, std::string mirror_folder,
                                           TextWriter* definitions) {
  base_name_ = std::move(base_name);
  mirror_folder_ = std::move(mirror_folder);
  definitions_ = definitions;
  lines_read_ = 0;
  line_budget_logged_ = false;
  std::fill(std::begin(shown_), std::end(shown_), false);
}

void DirectiveProcessor::PreproLog(std::string_view text, std::string_view detail) {
  PreproLogAt(current_ != nullptr ? Where(*current_, current_->line_number) : std::string(), text, detail);
}

void DirectiveProcessor::PreproLogAt(std::string_view where, std::string_view text, std::string_view detail) {
  std::string piece = SJ("プリプロ解析 ");
  if (!where.empty()) {
    piece += where;
    piece += ": ";
  }
  piece += WithoutNewline(text);
  piece += " : ";
  piece += WithoutNewline(detail);
  piece += '\n';
  ctx_.log.Append(piece);
}

std::string DirectiveProcessor::Where(const FileState& f, long line) {
  return f.path + ":" + std::to_string(line);
}

void DirectiveProcessor::MessageOnce(OnceMessage which, const std::string& text) {
  if (shown_[which]) return;
  shown_[which] = true;
  ctx_.Message(text);
}

void DirectiveProcessor::CountSjis(FileState& f, LineTokenizer& tokens) {
  f.invalid_sjis += tokens.invalid_sjis_count();
  tokens.clear_invalid_sjis_count();
}

// The tokenizer's "失敗!" once per file and stage, with the count in the log.
void DirectiveProcessor::ReportInvalidSjis(const FileState& f, const FileId& id) {
  if (f.invalid_sjis == 0 || !sjis_reported_.insert(id).second) return;
  ctx_.ReportInvalidShiftJis(f.path, f.invalid_sjis, "NextToken");
}

// One finding per file for what its reading changed: the characters of a
// UTF-8 source that CP932 cannot hold (with their number), and a UTF-8
// byte-order mark dropped from a file read as CP932 (it would otherwise
// have stuck to the first token and lost the file's first definition).
void DirectiveProcessor::ReportEncodingFindings(const std::string& path, const SourceFile& file) {
  if ((file.stand_ins == 0 && !file.bom_removed) || !encoding_reported_.insert(file.id).second) return;
  if (file.stand_ins > 0)
    ctx_.log.Finding(path, static_cast<long>(file.stand_ins), SJ("〓"), SJ("CP932にない文字を〓に置換"));
  if (file.bom_removed) ctx_.log.Finding(path, 0, "BOM", "UTF-8 BOM REMOVED, FILE READ AS CP932");
}

int DirectiveProcessor::PreprocessFile(const std::string& path, bool top_level) {
  const SourceFile* file = sources_.Get(path);
  if (file == nullptr) return 1;
  return Process(path, *file, top_level);
}

int DirectiveProcessor::Process(const std::string& path, const SourceFile& file, bool top_level) {
  const std::string name = SplitPath(path).name;
  if (!work::IsSafeComponent(name)) {
    ctx_.log.Finding(path, 0, "PreprocessFile", "UNSAFE NAME SKIP");
    return 1;
  }
  FileState f;
  f.path = path;
  f.reader.Assign(file.text);
  if (top_level) {
    if (!f.out.file.Open(outputs_.Prepare(mirror_folder_, name), WriteMode::kTruncate)) {
      ctx_.Message(SJ("Iファイル開けず") + name);
      return 1;
    }
  } else {
    IncludeCopy& copy = include_copies_[LowerAsciiName(name)];
    if (copy.name.empty()) copy.name = name;
    copy.text.clear();
    f.out.memory = &copy.text;
  }
  include_stack_.push_back(file.id);
  FileState* const outer = current_;
  current_ = &f;
  int result = RunLines(f);
  current_ = outer;
  include_stack_.pop_back();
  f.out.file.Close();
  ReportInvalidSjis(f, file.id);
  ReportEncodingFindings(path, file);
  return result;
}

void DirectiveProcessor::FlushIncludeCopies() {
  const std::string folder = work::Path(work::kDefTmp);
  for (const auto& [key, copy] : include_copies_) {
    TextWriter out(outputs_.Prepare(folder, copy.name), WriteMode::kTruncate);
    out.Write(copy.text);
  }
  include_copies_.clear();
}

// Every line of a source goes through here, so that the comment state
// follows the file whoever reads the line.
bool DirectiveProcessor::ReadSourceLine(FileState& f, std::string& line) {
  if (!f.reader.ReadLine(line, kPreproLineBuffer)) return false;
  if (f.at_line_start) ++f.line_number;
  f.at_line_start = f.reader.ended_line();
  f.line_in_comment = f.in_comment;
  f.in_comment = BlockCommentOpenAfter(line, f.in_comment);
  if (f.in_comment && !f.line_in_comment) f.comment_opened_at = f.line_number;
  return true;
}

int DirectiveProcessor::RunLines(FileState& f) {
  std::string line;
  while (ReadSourceLine(f, line)) {
    if (ctx_.StopRequested()) return 1;
    ++lines_read_;
    if (f.blocks.empty()) {
      TopLevelLine(f, line);
    } else {
      BlockLine(f, line);
    }
  }
  // A comment left open ends with its file: the including file and the
  // next file start outside any comment.
  // Both are named where they began.
  if (f.in_comment) PreproLogAt(Where(f, f.comment_opened_at), "/*", "Comment Not Closed");
  if (!f.blocks.empty()) {
    const Block& outermost = f.blocks.front();
    const char* directive = outermost.kind == BlockKind::kIfdef    ? "#ifdef"
                            : outermost.kind == BlockKind::kIfndef ? "#ifndef"
                                                                   : "#if";
    PreproLogAt(Where(f, outermost.opened_at), directive, "Endif Missing");
  }
  // The end of the file ends every open block; a top-level line that opened
  // one is then taken up again (and may open another, which ends here too).
  while (!f.blocks.empty()) {
    f.blocks.clear();
    if (f.top) ContinueTopLine(f);
  }
  return 0;
}

void DirectiveProcessor::TopLevelLine(FileState& f, const std::string& line) {
  f.top.emplace();
  f.top->copy = line;
  f.top->tokens.Assign(line, f.line_in_comment);
  ContinueTopLine(f);
}

void DirectiveProcessor::ContinueTopLine(FileState& f) {
  while (f.top && f.blocks.empty()) {
    TopLine& t = *f.top;
    if (t.position >= kDirectiveTokenSlots) {
      MessageOnce(kTmpArrayOver, SJ(" TMP配列OVER プリプロ解析"));
      t.position = 0;
    }
    std::string_view token = t.tokens.Next();
    if (IsLineEnd(token)) {
      if (t.write) f.out.Write(t.copy);
      CountSjis(f, t.tokens);
      f.top.reset();
      return;
    }
    if (token != "#" || t.tokens.last_in_comment()) continue;
    const std::string directive(t.tokens.Next());
    t.position += 2;
    if (directive == "include") {
      const std::string file(t.tokens.Next());
      if (!IsLineEnd(file)) ProcessInclude(f, file, t.copy);
      while (!IsLineEnd(t.tokens.Next())) {
      }
      if (t.write) f.out.Write(t.copy);
      CountSjis(f, t.tokens);
      f.top.reset();
      return;
    }
    if (directive == "define") {
      DefineDirective(f, t.tokens, t.copy);
      CountSjis(f, t.tokens);
      f.top.reset();
      return;
    }
    if (directive == "ifdef" || directive == "ifndef") {
      const std::string name(t.tokens.Next());
      const bool parent = t.write;
      t.write = false;
      if (directive == "ifdef") {
        IfdefBlock(f, name, parent);
      } else {
        IfndefBlock(f, name, parent);
      }
    } else if (directive == "if") {
      const bool parent = t.write;
      t.write = false;
      const std::string rest(t.tokens.Rest());
      t.tokens.Assign("");  // the condition takes the rest of the line
      IfBlock(f, rest, parent, t.copy);
    }
    // After a directive the line goes on at the next position (taken up
    // again after the block when the directive opened one).
    if (++t.position > kDirectiveTokenSlots - 2) {
      MessageOnce(kMemoryOver, SJ("メモリOVER") + f.path);
      t.position = 0;
    }
  }
}

void DirectiveProcessor::BlockLine(FileState& f, const std::string& line) {
  LineTokenizer tokens;
  tokens.Assign(line, f.line_in_comment);
  const Block block = f.blocks.back();
  std::string_view first = tokens.Next();
  if (first != "#" || tokens.last_in_comment()) {
    if (block.flag) f.out.Write(line);
    CountSjis(f, tokens);
    return;
  }
  const std::string directive(tokens.Next());
  if (directive == "include") {
    if (block.flag) {
      const std::string file(tokens.Next());
      if (!IsLineEnd(file)) ProcessInclude(f, file, line);
      if (block.kind == BlockKind::kIf) {
        std::string joined = "#\tinclude";
        if (!IsLineEnd(file)) joined += "\t" + file;
        for (std::string_view t = tokens.Next(); !IsLineEnd(t); t = tokens.Next()) {
          joined += '\t';
          joined += t;
        }
        f.out.Write(joined + "\n");
      } else {
        f.out.Write(line);
      }
    }
  } else if (directive == "define") {
    if (block.flag) DefineDirective(f, tokens, line);
  } else if (directive == "ifdef") {
    IfdefBlock(f, tokens.Next(), block.flag);
  } else if (directive == "ifndef") {
    IfndefBlock(f, tokens.Next(), block.flag);
  } else if (directive == "if") {
    IfBlock(f, tokens.Rest(), block.flag, line);
  } else if (directive == "elif") {
    const long at = f.line_number;
    const std::string condition = GatherCondition(f, tokens.Rest());
    Block& b = f.blocks.back();
    if (b.parent && !b.taken) {
      b.flag = Condition(f, at, condition, line);
      b.taken = b.flag;
    } else {
      b.flag = false;
    }
  } else if (directive == "else") {
    Block& b = f.blocks.back();
    b.flag = b.parent && !b.taken;
    b.taken = true;
  } else if (directive == "endif") {
    CountSjis(f, tokens);
    CloseBlock(f);
    return;
  } else if (block.flag) {
    f.out.Write(line);
  }
  CountSjis(f, tokens);
}

// A name counts as defined when the definition file has a record (or a
// DefList.txt line) of it; the define table holds the same names.
void DirectiveProcessor::IfdefBlock(FileState& f, std::string_view name, bool parent) {
  OpenBlock(f, BlockKind::kIfdef, parent, table_.Contains(name));
}

void DirectiveProcessor::IfndefBlock(FileState& f, std::string_view name, bool parent) {
  OpenBlock(f, BlockKind::kIfndef, parent, !table_.Contains(name));
}

// The condition is read (continuation lines included) in any case, and
// evaluated only where the block's lines could be kept.
void DirectiveProcessor::IfBlock(FileState& f, std::string_view rest, bool parent, const std::string& line) {
  const long at = f.line_number;
  const std::string condition = GatherCondition(f, rest);
  OpenBlock(f, BlockKind::kIf, parent, parent && Condition(f, at, condition, line), at);
}

void DirectiveProcessor::OpenBlock(FileState& f, BlockKind kind, bool parent, bool condition, long opened_at) {
  const bool flag = parent && condition;
  f.blocks.push_back({kind, parent, flag, flag, opened_at > 0 ? opened_at : f.line_number});
}

void DirectiveProcessor::CloseBlock(FileState& f) {
  f.blocks.pop_back();
  if (f.blocks.empty() && f.top) ContinueTopLine(f);
}

// The condition text after #if or #elif; a backslash at the end of a line
// continues it on the next line of the source (those lines are part of the
// directive and are not copied).
std::string DirectiveProcessor::GatherCondition(FileState& f, std::string_view rest) {
  std::string text(rest);
  std::string next;
  while (EndsWithContinuation(text)) {
    DropContinuation(text);
    if (!ReadSourceLine(f, next)) break;
    text += next;
  }
  return text;
}

// A condition that cannot be evaluated is logged at the directive's first line.
bool DirectiveProcessor::Condition(const FileState& f, long at, std::string_view condition, const std::string& line) {
  const size_t capacity = kConditionTokens * static_cast<size_t>(std::max(1, ctx_.memory_factor()));
  ConditionResult result = EvaluateCondition(condition, table_, capacity);
  if (result.status == ConditionStatus::kTokenOver) MessageOnce(kConditionOver, SJ(" TMP配列OVER IF チェック "));
  if (result.status != ConditionStatus::kOk)
    PreproLogAt(Where(f, at), line, "EvaluateCondition " + std::string(ConditionStatusText(result.status)));
  return result.value;
}

void DirectiveProcessor::ProcessInclude(FileState& f, std::string_view token, const std::string& line) {
  std::string name;
  for (char c : token)
    if (c != '"') name.push_back(c);
  if (name.empty()) return;
  std::string path = IncludePath(token, f.path);
  if (!sources_.Exists(path)) {
    std::string found;
    if (!headers_.LookupHeader(name, found)) return;
    path = found;
  }
  const SourceFile* file = sources_.Get(path);
  if (file == nullptr) return;
  if (std::find(include_stack_.begin(), include_stack_.end(), file->id) != include_stack_.end()) {
    PreproLog(WithoutNewline(line), "Include Cycle Skip " + path);
    return;
  }
  if (include_stack_.size() >= kMaxIncludeDepth) {
    PreproLog(WithoutNewline(line), "Include Nest Over " + path);
    return;
  }
  if (lines_read_ >= kSourceLineBudget) {
    if (!line_budget_logged_) PreproLog(WithoutNewline(line), "Include Line Over " + path);
    line_budget_logged_ = true;
    return;
  }
  Process(path, *file, false);
}

// ---- #define -------------------------------------------------------------

void DirectiveProcessor::DefineDirective(FileState& f, LineTokenizer& tokens, const std::string& line) {
  f.out.Write(line);
  const std::string name(tokens.Next());
  if (IsLineEnd(name)) return;  // "#define" without a name records nothing
  std::vector<std::string> values;
  CollectDefineValues(f, tokens, line, values);
  if (table_.full()) {
    PreproLog("Array 10000 Over", "DefineDirective " + name);
    return;
  }
  const bool unresolved = ResolveNames(values, line);
  if (!unresolved && values.size() > 1) FoldValue(values, ctx_.types(), log_fn_);
  if (values.size() == 1) BackSubstitute(name, values.front());
  std::string record = BuildEntry(name, values);
  if (definitions_ != nullptr) definitions_->Write(record + "\n");
  table_.Append(std::move(record));
}

// The value tokens up to the line end. A backslash continues the value on
// the next source line (the rest of its line is dropped); comments are
// dropped, a block comment also over the lines it spans. Every line taken
// here is copied as read.
void DirectiveProcessor::CollectDefineValues(FileState& f, LineTokenizer& tokens, const std::string& line,
                                             std::vector<std::string>& values) {
  std::string current = line;
  bool capped = false;
  for (;;) {
    std::string_view t = tokens.Next();
    if (IsLineEnd(t)) {
      if (tokens.BlockCommentOpenAtEnd() && NextDefineLine(f, tokens, current)) continue;
      break;
    }
    if (tokens.last_in_comment()) continue;
    if (t == "\\") {
      if (!NextDefineLine(f, tokens, current)) break;
      continue;
    }
    if (values.size() >= kDefineValueTokens) {
      if (!capped) PreproLog(WithoutNewline(line), "DefineDirective 65536 Over");
      capped = true;
      continue;
    }
    values.emplace_back(t);
  }
}

bool DirectiveProcessor::NextDefineLine(FileState& f, LineTokenizer& tokens, std::string& current) {
  std::string next;
  if (!ReadSourceLine(f, next)) {
    PreproLog(current, base_name_);  // continued past the end of the file
    return false;
  }
  f.out.Write(next);
  CountSjis(f, tokens);
  tokens.Assign(next, f.line_in_comment);
  current = std::move(next);
  return true;
}

// Names in the value are replaced by what the define table knows of them: a
// number replaces the name; an identifier replaces it too but leaves the
// value unresolved, as does a name not defined; a name defined without value
// stays. The replaced token is looked at again (a chain of names resolves);
// a position looked at more than 10 times is logged and passed. A U or UL
// after a number is dropped. True when something stayed unresolved.
bool DirectiveProcessor::ResolveNames(std::vector<std::string>& values, const std::string& line) {
  const TypeNameTable& types = ctx_.types();
  std::vector<int> visits(values.size(), 0);
  bool unresolved = false;
  size_t i = 0;
  while (i < values.size()) {
    if (++visits[i] > 10) {
      PreproLog(WithoutNewline(line), "DefineDirective Loop Over " + values[i]);
      ++i;
      continue;
    }
    TokenKind kind = ClassifyToken(values[i], types);
    if (kind == kKindIdentifier) {
      std::string value;
      int found = SearchDefineFile(table_, values[i], types, value, log_fn_);
      if (found == kDefineNumber || found == kDefineIdentifier) {
        values[i] = std::move(value);
        if (found == kDefineIdentifier) unresolved = true;
        continue;
      }
      if (found == kDefineNotFound) unresolved = true;
    } else if (IsNumberKind(kind) && i + 1 < values.size() && (values[i + 1] == "U" || values[i + 1] == "UL")) {
      values.erase(values.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }
    ++i;
  }
  return unresolved;
}

// A definition with a single value resolves earlier definitions that used
// its name before it was defined: in the define table (not in the definition
// file) each such entry gets the value in place of the name and is folded
// again once no name is left in it.
void DirectiveProcessor::BackSubstitute(const std::string& name, const std::string& value) {
  const TypeNameTable& types = ctx_.types();
  // "#define Y Y" rewrites every earlier use of Y into itself. An entry that
  // ends with its tab comes back unchanged (the name stays, so no folding), and
  // rebuilding thousands of them per repeat costs seconds, so those are passed.
  const bool into_itself = value == name && ClassifyToken(name, types) == kKindIdentifier;
  for (int index : table_.EntriesUsing(name)) {
    const std::string& entry = table_.entry(index);
    if (into_itself && entry.ends_with('\t')) continue;
    std::vector<std::string> tokens = EntryValueTokens(entry);
    bool has_name = false;
    for (std::string& token : tokens) {
      if (token == name) token = value;
      if (ClassifyToken(token, types) == kKindIdentifier) has_name = true;
    }
    std::string rewritten = BuildEntry(EntryName(entry), tokens);
    table_.Replace(index, has_name ? std::move(rewritten) : FoldEntry(rewritten, types, log_fn_));
  }
}

}  // namespace kv
