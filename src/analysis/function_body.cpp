#include "analysis/function_body.h"

#include <algorithm>
#include <charconv>
#include <exception>

#include "platform/file_write_queue.h"
#include "run/definition_index.h"
#include "run/work_folder.h"
#include "lex/callee_name.h"
#include "lex/classify.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"

namespace kv {
namespace {

constexpr size_t kLineBufferSize = 3000;
constexpr int kIndentationEntries = 20;  // depths 0 to 19; 11 and above are empty

const std::string& FullWidthSpace() { return SJ("　"); }

// Entry d of the indentation table: 4 × d full-width spaces for d up to 10,
// nothing from 11 on (and nothing past the table's 20 entries).
const std::string& Indentation(int depth) {
  static const std::vector<std::string> table = [] {
    std::vector<std::string> t(kIndentationEntries);
    for (int d = 0; d <= 10; ++d)
      for (int i = 0; i < 4 * d; ++i) t[static_cast<size_t>(d)] += FullWidthSpace();
    return t;
  }();
  static const std::string none;
  return depth >= 0 && depth < kIndentationEntries ? table[static_cast<size_t>(depth)] : none;
}

bool IsPieceKind(TokenKind kind) {
  return kind == kKindAssignment || kind == kKindIncrement || kind == kKindDecrement || kind == kKindComparison ||
         kind == kKindOperator;
}

bool IsOperator(TokenKind kind) { return kind == kKindOperator || kind == kKindComparison; }

// struct, union and enum: the word after them is a tag, never a variable.
bool IsTagWord(std::string_view t) { return t == "struct" || t == "union" || t == "enum"; }

// asm statements and blocks hold no C: neither declarations nor accesses.
bool IsAsmWord(std::string_view t) { return t == "asm" || t == "__asm" || t == "__asm__" || t == "_asm"; }

// The word that ends an asm block begun without parentheses (__asm … __endasm;).
bool IsAsmEndWord(std::string_view t) { return t == "__endasm" || t == "_endasm" || t == "endasm"; }

bool IsForComparison(std::string_view t) {
  return t == "<=" || t == ">=" || t == "==" || t == "!=" || t == ">" || t == "<";
}

bool IsForStepOperator(std::string_view t) {
  return t == "++" || t == "--" || t == "+=" || t == "-=" || t == "+" || t == "-" || t == "*" || t == "/" ||
         t == "**" || t == "//";
}

bool IsWriteOperator(std::string_view t) {
  return t == "=" || t == "+=" || t == "-=" || t == "|=" || t == "&=" || t == ">>=" || t == "<<=";
}

bool IsTypeKind(TokenKind kind) { return kind == kKindQualifier || kind == kKindTypeName; }

bool IsAssignmentToken(std::string_view t, TokenKind kind) { return kind == kKindAssignment || IsWriteOperator(t); }

// An operator that can stand before a value: -1, !ok, ~mask, *p, &x.
bool IsUnaryOperator(std::string_view t) {
  return t == "-" || t == "!" || t == "~" || t == "*" || t == "&" || t == "+";
}

void AppendNumber(std::string& out, long value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, static_cast<size_t>(result.ptr - text));
}

}  // namespace

std::string UpperCaseSjis(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsShiftJisLead(c)) {
      ++i;  // the trail byte may look like a letter
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

FunctionFileRegistry::Claim FunctionFileRegistry::ClaimFunction(std::string_view name, std::string_view source_path,
                                                                bool is_static) {
  Claim claim;
  Entry& entry = entries_.try_emplace(UpperCaseSjis(name), Entry{std::string(name), {}}).first->second;
  claim.file_name = entry.spelling;
  if (!entry.definitions.empty()) claim.file_name += "@" + std::to_string(entry.definitions.size() + 1);
  entry.definitions.push_back(defined_.size());
  defined_.push_back({std::string(name), std::string(source_path), is_static, claim.file_name, claim.file_name, {}});
  return claim;
}

const std::string& FunctionFileRegistry::PageName(std::string_view name, bool* created) {
  auto [it, inserted] = entries_.try_emplace(UpperCaseSjis(name), Entry{std::string(name), {}});
  if (created != nullptr) *created = inserted;
  return it->second.spelling;
}

void FunctionFileRegistry::NoteLink(const std::string& page_name) {
  if (defined_.empty()) return;
  std::vector<std::string>& links = defined_.back().links;
  if (std::find(links.begin(), links.end(), page_name) == links.end()) links.push_back(page_name);
}

void FunctionFileRegistry::NoteInclude(std::string path, std::string header) {
  includes_.emplace_back(std::move(path), std::move(header));
}

void FunctionFileRegistry::NoteVariable(std::string name, std::string path, bool is_static) {
  variables_.push_back({std::move(name), std::move(path), is_static});
}

namespace {

void RenameFunctionFiles(const std::string& from, const std::string& to) {
  for (std::string_view folder : {work::kFuncAls, work::kSource, work::kSource2})
    RenameFile(JoinPath(work::Path(folder), from), JoinPath(work::Path(folder), to));
  RenameFile(JoinPath(work::Path(work::kHtml), from + ".html"), JoinPath(work::Path(work::kHtml), to + ".html"));
}

// HTML/<name>.html of a name several files define: no record keeps the
// plain name, yet a ◆ whose caller's file links none of the definitions
// (each static elsewhere) still names it. The page lists the definitions,
// so that such a link lands on a choice instead of a missing page.
void WriteChoicePage(const std::string& spelling, const std::vector<Definition>& group) {
  std::string page(work::kHtmlCharsetTag);
  page += "<BODY bgcolor=#CCFFFF><font size='2'>";
  page += HtmlText(spelling) + SJ("　同名の定義が複数あります") + "<BR>\n";
  for (const Definition& d : group)
    page += "<A href= " + d.record + ".html>" + HtmlText(d.record) + "</A>" + FullWidthSpace() + HtmlText(d.path) + "<BR>\n";
  TextWriter out(JoinPath(work::Path(work::kHtml), spelling + ".html"), WriteMode::kTruncate);
  out.Write(page);
}

// Every "<A href= P.html>" of the page for a P in `targets` pointed at its
// new page.
void RepointLinks(const std::string& page, const std::vector<std::pair<std::string, std::string>>& targets) {
  LineReader in;
  if (in.OpenWorkFile(page) != ReadProblem::kNone) return;
  std::string text = in.text();
  for (const auto& [from, to] : targets) {
    const std::string old_link = "<A href= " + from + ".html>";
    const std::string new_link = "<A href= " + to + ".html>";
    for (size_t at = text.find(old_link); at != std::string::npos; at = text.find(old_link, at + new_link.size()))
      text.replace(at, old_link.size(), new_link);
  }
  TextWriter out(page, WriteMode::kTruncate);
  out.Write(text);
}

}  // namespace

// The record name of every variable of ValList.txt, in its order; empty
// when no name is defined in more than one file. A file that declares a
// name twice (int x; ... int x;) defines one variable.
std::vector<std::string> FunctionFileRegistry::NameVariables(RunContext& ctx) const {
  std::unordered_map<std::string, std::vector<size_t>> by_name;  // folded -> first variable of each file
  std::vector<size_t> same_as(variables_.size());
  std::vector<std::string> order;
  for (size_t i = 0; i < variables_.size(); ++i) {
    auto [it, inserted] = by_name.try_emplace(UpperCaseSjis(variables_[i].name));
    if (inserted) order.push_back(it->first);
    same_as[i] = i;
    for (size_t j : it->second)
      if (variables_[j].path == variables_[i].path) same_as[i] = j;
    if (same_as[i] == i) it->second.push_back(i);
  }
  std::vector<std::string> records;
  for (const std::string& folded : order) {
    const std::vector<size_t>& group = by_name[folded];
    if (group.size() < 2) continue;
    if (records.empty()) {
      records.reserve(variables_.size());
      for (const Variable& v : variables_) records.push_back(v.name);
    }
    std::vector<Definition> named;
    for (size_t i : group) named.push_back({'V', "", variables_[i].name, variables_[i].path, false, 0});
    DefinitionIndex::NameRecords(named);
    for (size_t k = 0; k < group.size(); ++k) {
      records[group[k]] = named[k].record;
      ctx.log.Finding(variables_[group[k]].path, 0, variables_[group[k]].name, SJ("同名変数 定義ごとの記録 ") + named[k].record);
    }
  }
  for (size_t i = 0; i < records.size(); ++i) records[i] = records[same_as[i]];
  return records;
}

void FunctionFileRegistry::FinishWalk(RunContext& ctx) {
  if (!members_.Write()) ctx.log.Note(work::Path(work::kMemberNames), "FILE CREATE FAIL\n");
  if (ctx.deferred_files != nullptr)
    for (const std::string& path : ctx.deferred_files->Drain()) ctx.log.Note(path, "FILE CREATE FAIL\n");
  DefinitionIndex index;
  std::vector<std::string> several;  // folded names with lasting names of their own
  for (auto& [folded, entry] : entries_) {
    if (entry.definitions.size() < 2) continue;
    several.push_back(folded);
  }
  std::sort(several.begin(), several.end(), [this](const std::string& a, const std::string& b) {
    return entries_[a].definitions.front() < entries_[b].definitions.front();
  });
  for (const std::string& folded : several) {
    Entry& entry = entries_[folded];
    std::vector<Definition> group;
    for (size_t i : entry.definitions) group.push_back({'F', "", defined_[i].name, defined_[i].path, false, 0});
    DefinitionIndex::NameRecords(group);
    for (size_t k = 0; k < group.size(); ++k) {
      Defined& d = defined_[entry.definitions[k]];
      d.record = group[k].record;
      RenameFunctionFiles(d.written, d.record);
      ctx.log.Finding(d.path, 0, d.name, SJ("同名関数 定義ごとの記録 ") + d.record);
    }
    WriteChoicePage(entry.spelling, group);
  }
  for (const Defined& d : defined_) index.Add({'F', d.record, d.name, d.path, d.is_static, 0});
  for (const auto& [path, header] : includes_) index.AddInclude(path, header);
  for (const Defined& d : defined_) {
    std::vector<std::pair<std::string, std::string>> targets;
    for (const std::string& page : d.links) {
      auto it = entries_.find(UpperCaseSjis(page));
      if (it == entries_.end() || it->second.definitions.size() < 2) continue;
      targets.emplace_back(page, index.ResolveRecord('F', page, d.path));
    }
    if (!targets.empty()) RepointLinks(JoinPath(work::Path(work::kHtml), d.record + ".html"), targets);
  }
  const std::vector<std::string> variable_records = NameVariables(ctx);
  // Without a name defined twice every use means the one definition of its
  // name, and the run's files stay as they always were.
  if (several.empty() && variable_records.empty()) return;
  std::string list;
  for (const Defined& d : defined_)
    list += "F\t" + d.record + "\t" + d.name + "\t" + d.path + (d.is_static ? "\t1\n" : "\t0\n");
  for (size_t i = 0; i < variables_.size(); ++i) {
    const Variable& v = variables_[i];
    const std::string& record = variable_records.empty() ? v.name : variable_records[i];
    list += "V\t" + record + "\t" + v.name + "\t" + v.path + (v.is_static ? "\t1\n" : "\t0\n");
  }
  for (const auto& [path, header] : includes_) list += "I\t" + path + "\t" + header + "\n";
  TextWriter out(work::Path(work::kFuncListRecords), WriteMode::kTruncate);
  out.Write(list);
}

FunctionBodyAnalyzer::FunctionBodyAnalyzer(RunContext& ctx) : ctx_(ctx), lists_(ctx.log) {
  html_folder_ = work::Path(work::kHtml);
}

// ---------------------------------------------------------------------------
// Files

bool FunctionBodyAnalyzer::OpenOutputs(const std::string& file_name) {
  // Truncated on open: the placeholder page of a callee met earlier under
  // this name leaves no stale tail behind.
  return record_.Open(JoinPath(work::Path(work::kFuncAls), file_name), WriteMode::kTruncate, ctx_.deferred_files) &&
         page_.Open(JoinPath(html_folder_, file_name + ".html"), WriteMode::kTruncate, ctx_.deferred_files) &&
         source_.Open(JoinPath(work::Path(work::kSource), file_name), WriteMode::kTruncate, ctx_.deferred_files) &&
         source2_.Open(JoinPath(work::Path(work::kSource2), file_name), WriteMode::kTruncate, ctx_.deferred_files);
}

void FunctionBodyAnalyzer::CloseOutputs() {
  record_.Close();
  page_.Close();
  source_.Close();
  source2_.Close();
}

void FunctionBodyAnalyzer::WriteHeads(const TokenList& header_tokens, const FunctionHeader& header) {
  page_.Write(work::kHtmlCharsetTag);
  page_.Write("<BODY bgcolor=#CCFFFF><font size='2'>");
  for (int i = 0; i <= header.brace_index; ++i) {
    WriteHtmlText(page_, header_tokens[static_cast<size_t>(i)]);
    page_.Write(FullWidthSpace());
  }
  page_.Write("<BR>");

  // The line standing for the header: its tokens up to the "{", one blank
  // between each two.
  std::string head = "[SOURCE]\n";
  header_tokens.AppendRange(head, 0, header.brace_index, " ", false);
  head += '\n';
  source_.Write(head);

  std::string record;
  record += SJ("[フォルダ名]") + "\n" + header.folder_name + "\n\n";
  record += SJ("[ファイル名]") + "\n" + header.file_name + "\n\n";
  record += SJ("[関数名称]") + "\n" + function_name_ + "\n\n";
  record += SJ("[引数定義]") + "\n";
  if (header.argument_count == 0) record += "void\n";
  for (int i = 0; i < header.argument_count && i < kMaxArguments; ++i)
    record += header.arguments[static_cast<size_t>(i)] + "\n";
  record_.Write(record);
}

void FunctionBodyAnalyzer::WriteRecordTail() {
  std::string out = "\n";  // ends the argument section
  auto section = [&out](const std::string& tag, const std::vector<std::string>& entries) {
    out += tag;
    out += '\n';
    if (entries.empty()) out += "NONE\n";
    for (const std::string& e : entries) {
      out += e;
      out += '\n';
    }
    out += '\n';
  };
  section(SJ("[テンポラリ変数]"), lists_.temporaries().entries());
  section(SJ("[コール関数]"), lists_.calls().entries());
  section(SJ("[参照変数]"), lists_.reads().entries());
  section(SJ("[書込み変数]"), lists_.writes().entries());
  for (const EntryList* list : {&lists_.calls(), &lists_.reads(), &lists_.writes()})
    for (const std::string& e : list->entries()) files_.members().NoteEntry(e);
  section(SJ("[戻り値]"), lists_.returns().entries());
  section(SJ("[変数アクセス情報]"), lists_.access());
  record_.Write(out);
}

bool FunctionBodyAnalyzer::ReadBodyLine() {
  if (!input_->ReadLine(body_line_, kLineBufferSize)) return false;
  ++lines_read_;
  ++ctx_.position.line_counter;
  new_line_ = true;
  first_on_line_ = true;
  if (in_comment_) ++comment_lines_;
  if (literal_goes_on_) {
    // The rest of a string literal continued with a backslash: copied as
    // written, never read as code.
    bool closed = false;
    const size_t end = ContinuedLiteralEnd(body_line_, &closed);
    const std::string head = body_line_.substr(0, end);
    literal_goes_on_ = !closed && !head.empty() && head.back() == '\\';
    body_line_.erase(0, end);
    if (!head.empty()) {
      CopyToken(head, kKindNumber, false);
      // The statement's text goes on with it (the literal's first part is
      // the token before), without a step of its own.
      if (idx_ + 1 < static_cast<int>(tokens_.capacity())) tokens_.Set(static_cast<size_t>(idx_++), head);
    }
  }
  line_->AssignNextLine(body_line_);
  return true;
}

// Where the literal that an earlier line left open ends in `line`: after
// its closing double quote, or before the line's newline (the whole line
// when it has none).
size_t FunctionBodyAnalyzer::ContinuedLiteralEnd(std::string_view line, bool* closed) {
  *closed = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\n') return i;
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] != '\n') {
      ++i;
    } else if (line[i] == '"') {
      *closed = true;
      return i + 1;
    }
  }
  return line.size();
}

std::string FunctionBodyAnalyzer::StepText() const {
  std::string text;
  AppendNumber(text, state_);
  return text;
}

// ---------------------------------------------------------------------------
// The token loop

int FunctionBodyAnalyzer::Analyze(LineReader& input, LineTokenizer& line, const TokenList& header_tokens,
                                  const FunctionHeader& header, TextWriter& inf) {
  input_ = &input;
  line_ = &line;
  function_name_ =
      header.record_name.empty() ? header_tokens[static_cast<size_t>(header.name_index)] : header.record_name;
  register_types_ = !header.recovered;
  const size_t capacity = static_cast<size_t>(ctx_.memory_factor() < 1 ? 1 : ctx_.memory_factor()) * 3000;
  if (tokens_.capacity() != capacity) tokens_.Resize(capacity);
  lists_.Reset(ctx_.memory_factor());

  write_files_ = work::IsSafeComponent(function_name_);
  if (!write_files_) {
    // The body is still read, so that the scan goes on after it.
    ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, function_name_,
                     SJ("ファイル名に使えない関数名 出力せず"));
  } else {
    if (!folders_made_) {
      MakeFolder(work::kRoot);
      for (std::string_view f : {work::kFuncAls, work::kHtml, work::kSource, work::kSource2})
        MakeFolder(work::Path(f));
      folders_made_ = true;
    }
    bool is_static = false;
    for (int i = 0; i < header.name_index && !is_static; ++i) is_static = header_tokens[static_cast<size_t>(i)] == "static";
    FunctionFileRegistry::Claim claim = files_.ClaimFunction(function_name_, PathBelow(ctx_.mirror_root, header.file_path), is_static);
    if (!OpenOutputs(claim.file_name)) {
      CloseOutputs();
      return 255;
    }
  }
  WriteHeads(header_tokens, header);
  ScopeArguments(header);

  depth_ = 1;
  in_comment_ = false;
  new_line_ = false;
  first_on_line_ = false;
  source_line_open_ = false;
  on_brace_line_ = true;
  literal_goes_on_ = false;
  lines_read_ = code_lines_ = comment_lines_ = 0;
  EndStatement();

  try {
    for (;;) {
      if (idx_ > kReportIndex || idx_ >= static_cast<int>(tokens_.capacity())) {
        ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, ctx_.position.current_line,
                         SJ("メモリオーバー") + StepText());
        idx_ = 0;
      }
      uint32_t indent = 0;
      std::string_view token = line_->NextIndented(&indent);
      if (token.empty()) break;  // the input ended without a line feed
      if (token == "\n") {
        page_.Write("<BR>");
        if (source_line_open_ || !on_brace_line_) source_.Write("\n");
        source_line_open_ = false;
        on_brace_line_ = false;
        if (state_ >= kDirective && !(idx_ > 0 && tokens_[static_cast<size_t>(idx_ - 1)] == "\\")) {
          state_ = kStart;
          idx_ = 0;
        }
        bool more = true;
        for (;;) {
          if (!(more = ReadBodyLine())) break;
          indent = 0;
          token = line_->NextIndented(&indent);
          if (token != "\n") break;
          page_.Write("<BR>");  // an empty line: nothing to SOURCE
          if (source_line_open_) {
            // not empty: the rest of a continued literal was all it held
            source_.Write("\n");
            source_line_open_ = false;
          }
          if (state_ >= kDirective) {
            // A blank line after a backslash: the directive ends there.
            state_ = kStart;
            idx_ = 0;
          }
        }
        if (!more || token.empty()) break;
      }
      const TokenKind kind = ClassifyLineToken(*line_, token, ctx_.types());
      if (line_->last_in_comment()) {
        // Comments go to the page and SOURCE and are counted; the statement
        // and the brace depth never see them.
        CopyComment(token, kind, indent != 0);
        continue;
      }
      tokens_.Set(static_cast<size_t>(idx_), token);
      // "text \ at a line's end: the literal goes on in the next line.
      literal_goes_on_ = line_->last_part() == TokenPart::kLiteral && token.size() > 1 && token[0] == '"' &&
                         token.back() == '\\';

      if (token == "{") {
        ++depth_;
      } else if (token == "}" && --depth_ <= 0) {
        break;  // the body's own "}" is written by the end
      }
      if (kind == kKindCommentClose) {
        // A "*/" with no comment open: passed over, as a comment end.
        in_comment_ = false;
        page_.Write("</font>");
      } else if (new_line_ && token != "{" && token != "}" && token != "\\") {
        new_line_ = false;
        ++code_lines_;
      }
      CopyToken(token, kind, indent != 0);
      if ((state_ == kConditionDone || state_ == kForTail) && token != "{" && token != ";" && token != ")") {
        // The statement an if, while or for controls without braces is a
        // statement of its own: its calls and accesses are recorded. (A ")"
        // left over from a condition that closed early is passed over.)
        EndStatement();
        tokens_.Set(0, token);
      }
      if (IsPieceKind(kind)) lists_.AddPiece(token);

      advance_ = true;
      Step(token, Meaning(token, kind));
      if (advance_) ++idx_;
    }
  } catch (const std::exception&) {
    ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, body_line_,
                     SJ("例外発生070") + StepText());
    CloseOutputs();
    return 1;
  }

  WriteRecordTail();
  if (inf.is_open()) {
    std::string counts = SJ("[LINE COUNT]") + "\n";
    // The lines between the braces; a body closed on its own line reads no
    // line at all, and counts 0 rather than -1.
    AppendNumber(counts, lines_read_ > 0 ? lines_read_ - 1 : 0);
    counts += "\n[LINE COUNT V]\n";
    AppendNumber(counts, code_lines_);
    counts += "\n[COMMNET]\n";
    AppendNumber(counts, comment_lines_);
    counts += "\n";
    inf.Write(counts);
  }
  page_.Write("}");
  source_.Write("}");
  CloseOutputs();
  return 1;
}

// The token on the page and in SOURCE. The first token of a line gets the
// indentation of the brace depth (a "#" none); a later one a full-width
// space when white space stood before it. SOURCE keeps one blank for any
// white space.
void FunctionBodyAnalyzer::CopyToken(std::string_view token, TokenKind kind, bool spaced) {
  if (first_on_line_) {
    if (token != "#") page_.Write(Indentation(depth_));
    first_on_line_ = false;
  } else if (spaced) {
    page_.Write(FullWidthSpace());
  }
  if (kind == kKindComment) {
    page_.Write("<font color='#0000ff'>");
    WriteHtmlText(page_, token);
    page_.Write("</font>");
  } else {
    WriteHtmlText(page_, token);
  }
  if (spaced) source_.Write(" ");
  source_.Write(token);
  source_line_open_ = true;
}

// A comment token: counted (a comment's opening line, and each line read
// inside it, count as comment lines; a word of comment text starts a counted
// line as code does) and copied, the page showing comments in blue.
void FunctionBodyAnalyzer::CopyComment(std::string_view token, TokenKind kind, bool spaced) {
  if (kind == kKindComment) {
    ++comment_lines_;
    in_comment_ = false;
  } else if (kind == kKindCommentOpen) {
    ++comment_lines_;
    in_comment_ = true;
    page_.Write("<font color='#0000ff'>");
  } else if (kind == kKindCommentClose) {
    in_comment_ = false;
    page_.Write("</font>");
  } else if (new_line_) {
    new_line_ = false;
    ++code_lines_;
  }
  CopyToken(token, kind, spaced);
}

void FunctionBodyAnalyzer::EndStatement() {
  idx_ = 0;
  advance_ = false;
  state_ = kStart;
  paren_ = 0;
  aggregate_ = 0;
  calls_.clear();
  sub_depth_ = 0;
  step_bracket_ = 0;
  step_prefix_ = false;
  in_initialiser_ = false;
  initialiser_braces_ = 0;
  decl_brackets_ = 0;
  name_end_ = -1;
  aggregate_tagged_ = false;
  std::string pieces = lists_.TakePieceLine();
  if (!pieces.empty()) {
    pieces += '\n';
    source2_.Write(pieces);
  }
}

// ---------------------------------------------------------------------------
// Records

void FunctionBodyAnalyzer::RecordTemporary(int type_start, int type_end, int name_start, int name_end,
                                           std::string_view prefix) {
  if (type_start < 0 || name_start < 0 || name_start > name_end) return;
  lists_.SetValList(tokens_, type_start, type_end, name_start, name_end, prefix);
  // A member of a local struct body (its prefix says so) is no variable.
  const std::string& name = tokens_[static_cast<size_t>(name_start)];
  if (prefix.empty() && IsCalleeName(name)) scope_.insert(name);
}

// The parameters' names: the word each argument text ends with
// ("char\t*\tp\t" declares p; "int\t(\t*\tcb\t" declares cb).
void FunctionBodyAnalyzer::ScopeArguments(const FunctionHeader& header) {
  scope_.clear();
  for (int a = 0; a < header.argument_count && a < kMaxArguments; ++a) {
    std::string_view text = header.arguments[static_cast<size_t>(a)];
    while (!text.empty() && text.back() == '\t') text.remove_suffix(1);
    const size_t tab = text.rfind('\t');
    std::string_view last = tab == std::string_view::npos ? text : text.substr(tab + 1);
    if (IsCalleeName(last)) scope_.insert(std::string(last));
  }
}

// The tokenizer's kinds, corrected where C says otherwise:
// - a string or character literal is a value, like a number;
// - register, auto and extern qualify a local declaration;
// - "?", ":" and "%" are operators, "&=" and "|=" assignments;
// - the suffix of a number (10UL gives 10 and UL) is part of the number;
// - a type name is a variable where the function declares it, where it is
//   a member (after "." or "->"), and where what follows it cannot follow a
//   type (p->x, v = 1, v + 1, a[v], f(x) for a callee whose name is also a
//   tag); after struct, union or enum it is a tag.
TokenKind FunctionBodyAnalyzer::Meaning(std::string_view token, TokenKind kind) const {
  const std::string_view before = idx_ > 0 ? std::string_view(tokens_[static_cast<size_t>(idx_ - 1)]) : "";
  if (kind == kKindIdentifier) {
    if (IsLiteralToken(token)) return kKindNumber;
    // Storage classes of a local declaration qualify its type.
    if (token == "register" || token == "auto" || token == "extern" || token == "_Thread_local" ||
        token == "__thread")
      return kKindQualifier;
    if (token == "?" || token == ":" || token == "%") return kKindOperator;
    if (token == "&=" || token == "|=") return kKindAssignment;
    if (IsNumberSuffix(token) && idx_ > 0) {
      const char c = before.empty() ? ' ' : before[0];
      if (c >= '0' && c <= '9') return kKindNumber;
    }
    return kind;
  }
  if (kind != kKindTypeName) return kind;
  if (before == "struct" || before == "union" || before == "enum") return kind;  // a tag
  if (InScope(token) || before == "." || before == "->") return kKindIdentifier;
  if (IsCalleeName(token) && FollowedByAnOperand()) return kKindIdentifier;
  return kind;
}

// What follows the current token shows it is no type: an operator, a
// subscript, a member access, the end of an expression, or a call's "("
// (not "(*", which declares a function pointer).
bool FunctionBodyAnalyzer::FollowedByAnOperand() const {
  const std::string_view rest = line_->Rest();
  const size_t p = rest.find_first_not_of(" \t");
  if (p == std::string_view::npos) return false;
  const char c = rest[p];
  if (c == '(') {
    const size_t q = rest.find_first_not_of(" \t", p + 1);
    return q != std::string_view::npos && rest[q] != '*';
  }
  if (c == '*') return false;  // T *p
  return std::string_view("-.[=+/%<>!|^?:&;]").find(c) != std::string_view::npos;
}

// In a declaration, a word that names the declared variable although the
// type-name table holds it (u8 len_t; where len_t is some typedef): a type
// word stands before it, it is no keyword, and no [ ] is open.
bool FunctionBodyAnalyzer::IsDeclaredName(std::string_view token, TokenKind kind, int i) const {
  if (decl_brackets_ > 0) return false;
  if (kind == kKindIdentifier) return true;
  return kind == kKindTypeName && i > type_start_ && IsCalleeName(token);
}

// A string or character literal is a value, not a variable: it is neither
// read nor written.
void FunctionBodyAnalyzer::RecordRead(int a, int b) {
  if (a >= 0 && a <= b && !IsLiteralToken(tokens_[static_cast<size_t>(a)])) lists_.SetRValList(tokens_, a, b);
}

void FunctionBodyAnalyzer::RecordWrite(int a, int b) {
  if (a >= 0 && a <= b && !IsLiteralToken(tokens_[static_cast<size_t>(a)])) lists_.SetWValList(tokens_, a, b);
}

void FunctionBodyAnalyzer::RecordReturn(int a, int b) {
  if (a >= 0 && a <= b) lists_.SetRetValList(tokens_, a, b);
}

// The call text from `a` to the closing ")", then the ◆ link to the callee's
// page, and its placeholder page when no page of that name exists yet. A
// parenthesis after anything but a function name (an operator, sizeof, the
// "]" of tbl[i](x)) is no call.
void FunctionBodyAnalyzer::RecordCall(int a, int b, int callee) {
  if (a < 0 || a > b || callee < 0 || callee > b) return;
  const std::string& name = tokens_[static_cast<size_t>(callee)];
  if (!IsCalleeName(name)) return;
  lists_.SetFuncList(tokens_, a, b);
  // A member call (x->ops->init(a)) calls through a pointer: it names no
  // function of its own, so it gets no link and no placeholder page.
  if (callee > 0) {
    const std::string& link = tokens_[static_cast<size_t>(callee - 1)];
    if (link == "." || link == "->") return;
  }
  // The link names the page's file as it is on disk: functions whose names
  // differ only in letter case share one page (see FunctionFileRegistry).
  bool new_page = false;
  const std::string& page_name = files_.PageName(name, &new_page);
  files_.NoteLink(page_name);
  page_.Write("<A href= ");
  page_.Write(page_name);
  page_.Write(".html>");
  page_.Write(SJ("◆"));
  page_.Write("</A>");
  if (!new_page) return;
  if (placeholder_.Open(JoinPath(html_folder_, page_name + ".html"), WriteMode::kTruncate, ctx_.deferred_files)) {
    placeholder_.Write("Not Found Function");
    placeholder_.Close();
  }
}

void FunctionBodyAnalyzer::RegisterTypeName(int index) {
  if (!register_types_) return;
  if (index < 0 || index > idx_) return;
  const std::string& name = tokens_[static_cast<size_t>(index)];
  if (IsTypeNameCandidate(name)) ctx_.types().FindOrAdd(name);
}

// The first character after the current token (blanks skipped) is one of `chars`.
bool FunctionBodyAnalyzer::LineGoesOnWith(std::string_view chars) const {
  std::string_view rest = line_->Rest();
  size_t p = rest.find_first_not_of(" \t");
  return p != std::string_view::npos && chars.find(rest[p]) != std::string_view::npos;
}

bool FunctionBodyAnalyzer::LineGoesOnWithOperand() const {
  std::string_view rest = line_->Rest();
  size_t p = rest.find_first_not_of(" \t");
  if (p == std::string_view::npos) return false;
  unsigned char c = static_cast<unsigned char>(rest[p]);
  return c == '_' || c == '(' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         IsShiftJisLead(c);
}

// The next word is one that may stand between asm and its "(".
bool FunctionBodyAnalyzer::LineGoesOnWithQualifier() const {
  std::string_view rest = line_->Rest();
  const size_t p = rest.find_first_not_of(" \t");
  if (p == std::string_view::npos) return false;
  rest.remove_prefix(p);
  const size_t end = rest.find_first_of(" \t(\n");
  const std::string_view word = rest.substr(0, end);
  return word == "volatile" || word == "__volatile__" || word == "__volatile" || word == "goto" ||
         word == "inline" || word == "__inline__";
}

// x ^= y, x *= 2: the tokenizer gives the operator and the "=" apart.
bool FunctionBodyAnalyzer::IsCompoundOperator(TokenKind kind) const {
  if (kind != kKindOperator) return false;
  const std::string_view rest = line_->Rest();
  return rest.size() >= 1 && rest[0] == '=' && (rest.size() < 2 || rest[1] != '=');
}

bool FunctionBodyAnalyzer::LineGoesOnWithArrow() const {
  std::string_view rest = line_->Rest();
  size_t p = rest.find_first_not_of(" \t");
  return p != std::string_view::npos && rest.substr(p, 2) == "->";
}

// ---------------------------------------------------------------------------
// Calls and subscripts, shared by several statement forms

// A call's "(" has just been read. The call text starts where the callee's
// member chain does (x->ops->init(a) keeps its base as written).
void FunctionBodyAnalyzer::BeginCall(int args_state, int arg_state, int return_state) {
  CallFrame frame;
  frame.callee = idx_ - 1;
  frame.name = ChainStart(idx_ - 1);
  frame.args_state = args_state;
  frame.arg_state = arg_state;
  frame.return_state = return_state;
  // offsetof(struct s, m) names a type and a member: nothing in it is read.
  const std::string& callee = tokens_[static_cast<size_t>(frame.callee)];
  frame.no_reads = callee == "offsetof" || callee == "__builtin_offsetof";
  calls_.push_back(frame);
  state_ = args_state;
}

bool FunctionBodyAnalyzer::IsCallArgsState(int state) const {
  return state == kCallArgs || state == kRhsCallArgs || state == kConditionCallArgs;
}

bool FunctionBodyAnalyzer::IsCallArgState(int state) const {
  return state == kCallArg || state == kRhsCallArg || state == kConditionCallArg;
}

// Declarator punctuation in a declaration: an array size or a parameter
// list after the name is passed over (a call in an array size recorded: u8
// buf[ARRAY_SIZE(x)]), and an attribute after the name ends it (fw
// __free(kfree), recorded as a call; buf[] __initdata). True when the token
// is taken here.
bool FunctionBodyAnalyzer::StepDeclarator(std::string_view token, TokenKind kind) {
  const int i = idx_;
  const bool after_name = name_start_ >= 0;
  if (token == "(" && (after_name || decl_brackets_ > 0) && i - 1 != name_start_ &&
      IsCalleeName(tokens_[static_cast<size_t>(i - 1)])) {
    BeginCall(kRhsCallArgs, kRhsCallArg, state_);
    return true;
  }
  if (token == "[" || (token == "(" && after_name)) {
    ++decl_brackets_;
    return true;
  }
  if ((token == "]" || token == ")") && decl_brackets_ > 0) {
    --decl_brackets_;
    return true;
  }
  if (after_name && decl_brackets_ == 0 && kind == kKindIdentifier) {
    // An attribute after the declarator: a word with arguments, a word
    // after the declarator's closing "]" or ")" (buf[] __initdata), or a
    // reserved-looking word last before = ; , (x __maybe_unused).
    const std::string& before = tokens_[static_cast<size_t>(i - 1)];
    const bool reserved = token.size() > 2 && token[0] == '_' && token[1] == '_';
    if (LineGoesOnWith("(") || before == "]" || before == ")" || (reserved && LineGoesOnWith("=;,"))) {
      if (name_end_ < 0) name_end_ = i - 1;
      return true;
    }
  }
  return false;
}

// The last token of the declarator that ends before `i`: before its
// attributes, if it has any.
int FunctionBodyAnalyzer::NameEnd(int i) const { return name_end_ >= 0 ? name_end_ : i - 1; }

// A word that can be a variable: an identifier, no keyword (sizeof x reads
// x), or a Shift-JIS word.
bool FunctionBodyAnalyzer::StartsOperand(std::string_view token, TokenKind kind) const {
  if (kind != kKindIdentifier || token.empty()) return false;
  // (p - 1)->x, f(a).y: a member of something that is no variable
  const std::string_view before = idx_ > 0 ? std::string_view(tokens_[static_cast<size_t>(idx_ - 1)]) : "";
  if (before == "." || before == "->") return false;
  return IsCalleeName(token) || static_cast<unsigned char>(token[0]) >= 0x80;
}

// What ends an operand without an operator: a literal or a number after it
// (string pasting: "%"FMT"x"), or a word that is no member of it.
bool FunctionBodyAnalyzer::EndsOperand(std::string_view token, TokenKind kind) const {
  if (kind == kKindNumber || kind == kKindHexNumber) return true;
  if (kind != kKindIdentifier) return false;
  const std::string_view before = idx_ > 0 ? std::string_view(tokens_[static_cast<size_t>(idx_ - 1)]) : "";
  return before != "." && before != "->";
}

// The first of the `token`s that stand directly before index `i` (`i` when
// none does): the "*"s of a pointer declarator.
int FunctionBodyAnalyzer::FirstOfTrailing(int i, std::string_view token) const {
  while (i > 0 && tokens_[static_cast<size_t>(i - 1)] == token) --i;
  return i;
}

// The first token of the member chain that ends with the word at `last`:
// words joined by "." or "->", each base possibly subscripted or the result
// of a call (a[i].b, f(x)->g, (*p)->h).
int FunctionBodyAnalyzer::ChainStart(int last) const {
  int start = last;
  while (start >= 2) {
    const std::string& link = tokens_[static_cast<size_t>(start - 1)];
    if (link != "." && link != "->") break;
    int k = start - 2;
    for (;;) {
      const std::string& t = tokens_[static_cast<size_t>(k)];
      if (t != "]" && t != ")") break;
      const int open = MatchingOpen(k);
      if (open < 0) return start;
      k = open;
      // "(" of a parenthesised base ((*p)->h) ends the chain; "(" of a call
      // or "[" of a subscript continues with what stands before it.
      if (k == 0 || (t == ")" && !IsCalleeName(tokens_[static_cast<size_t>(k - 1)]))) break;
      --k;
    }
    const std::string& base = tokens_[static_cast<size_t>(k)];
    if (base != "(" && !IsCalleeName(base)) return start;
    start = k;
  }
  return start;
}

// The "(" or "[" that the ")" or "]" at `close` closes, within the statement;
// -1 when there is none.
int FunctionBodyAnalyzer::MatchingOpen(int close) const {
  int depth = 0;
  for (int k = close; k >= 0; --k) {
    const std::string& t = tokens_[static_cast<size_t>(k)];
    if (t == ")" || t == "]") ++depth;
    if ((t == "(" || t == "[") && --depth == 0) return k;
  }
  return -1;
}

void FunctionBodyAnalyzer::CloseCallParenthesis() {
  CallFrame& frame = calls_.back();
  if (--frame.depth > 0) {
    frame.after_paren = false;
    state_ = frame.args_state;
    return;
  }
  RecordCall(frame.name, idx_, frame.callee);
  const int return_state = frame.return_state;
  calls_.pop_back();
  if (calls_.empty()) {
    state_ = return_state;
  } else if (calls_.back().brackets > 0) {
    state_ = calls_.back().arg_state;  // a[f(x)]: the operand goes on
  } else {
    calls_.back().arg = -1;  // the argument was a call, not a variable
    state_ = calls_.back().args_state;
  }
}

// The current argument operand (start to before the current token) as a
// read, or as a write when it is assigned or stepped.
void FunctionBodyAnalyzer::EndArgument(CallFrame& frame, bool written) {
  // container_of(p, struct s, member): after an argument that is a type,
  // the words of the call's arguments are members of it, no variables.
  if (!frame.no_reads && !(frame.members_follow && frame.depth == 1)) {
    if (written) {
      RecordWrite(frame.arg, idx_ - 1);
    } else {
      RecordRead(frame.arg, idx_ - 1);
    }
  }
  frame.arg = -1;
  frame.after_paren = false;
}

// States 80/82, 120/122 and 207/209: the arguments of a call. Each argument
// is split into its operands: a word starts one, which goes on over member
// accesses and subscripts and is read at the operator, "," or ")" after it
// (written when assigned or stepped). A word followed by "(" is a call
// nested in the arguments; a word after struct, union or enum is a tag, and
// a parenthesised type before an operand is a cast.
void FunctionBodyAnalyzer::StepCall(std::string_view token, TokenKind kind) {
  if (calls_.empty()) {  // cannot happen; keeps the frame access safe
    if (token == ";") EndStatement();
    return;
  }
  if (token == ";") {
    EndStatement();
    return;
  }
  CallFrame& frame = calls_.back();
  const int i = idx_;
  const std::string_view before = i > 0 ? std::string_view(tokens_[static_cast<size_t>(i - 1)]) : "";
  const bool word = kind == kKindIdentifier && IsCalleeName(token);
  if (frame.depth == 1) {
    if (token == ",") {
      // The next argument: what did this one hold?
      if (frame.arg_is_type && !frame.arg_has_operand) frame.members_follow = true;
      frame.arg_is_type = frame.arg_has_operand = false;
    } else if (IsTypeKind(kind) || IsTagWord(token) || token == "typeof" || token == "__typeof__" ||
               token == "__typeof") {
      frame.arg_is_type = true;
    }
  }
  if (token == "(" && IsCallArgState(state_)) {
    // A nested call (or an operator written like one: sizeof (x), or a
    // call through a pointer: tbl[i](x)); its result is no variable, unless
    // it stands in a subscript of the operand, which goes on after it.
    if (frame.brackets == 0) frame.arg = -1;
    BeginCall(frame.args_state, frame.arg_state, frame.args_state);  // `frame` may move: not used below
    return;
  }
  if (IsCallArgState(state_)) {
    if (frame.brackets > 0) {  // a[i + 1]: the subscript stays in the operand
      if (token == "[") ++frame.brackets;
      if (token == "]") --frame.brackets;
      return;
    }
    if (token == "[") {
      ++frame.brackets;
    } else if (token == "." || token == "->" || (word && (before == "." || before == "->"))) {
      // the operand goes on
    } else if (token == ")" && frame.after_paren && frame.arg == i - 1 && frame.depth > 1 &&
               !LineGoesOnWith("?&|+-*/<>=!.,;)]") && LineGoesOnWithOperand()) {
      // (T)v: a cast; the operand after it is the argument.
      RegisterTypeName(frame.arg);
      frame.arg = -1;
      frame.after_paren = false;
      --frame.depth;
      state_ = frame.args_state;
    } else if (token == "*" && frame.after_paren && frame.arg == i - 1 && LineGoesOnWith(")*")) {
      // (T *)v
      RegisterTypeName(frame.arg);
      frame.arg = -1;
      frame.after_paren = false;
      state_ = frame.args_state;
    } else if (token == "," || IsOperator(kind)) {
      EndArgument(frame, false);
      state_ = frame.args_state;
    } else if (kind == kKindAssignment || token == "++" || token == "--") {
      EndArgument(frame, true);
      state_ = frame.args_state;
    } else if (token == ")") {
      EndArgument(frame, false);
      CloseCallParenthesis();
    } else if (EndsOperand(token, kind)) {
      // "%"FMT"x", a value after the operand with no operator between
      EndArgument(frame, false);
      state_ = frame.args_state;
      if (word) {
        frame.arg = i;
        if (frame.depth == 1) frame.arg_has_operand = true;
        state_ = frame.arg_state;
      }
    }
    return;
  }
  // Between operands.
  if (token == "(") {
    ++frame.depth;
    frame.after_paren = true;
  } else if (token == ")") {
    CloseCallParenthesis();
  } else if (token == "struct" || token == "union" || token == "enum") {
    frame.tag_next = true;
  } else if (frame.tag_next) {
    frame.tag_next = false;  // the tag
  } else if (word && before != "." && before != "->") {
    frame.arg = i;
    frame.after_paren = before == "(" && frame.depth > 1;
    if (frame.depth == 1) frame.arg_has_operand = true;
    state_ = frame.arg_state;
  } else if (token != "(" ) {
    frame.after_paren = false;
  }
}

void FunctionBodyAnalyzer::BeginSubscript(int subscript_state, int return_state) {
  sub_depth_ = 1;
  sub_pending_ = -1;
  sub_return_ = return_state;
  state_ = subscript_state;
}

// States 75, 111, 206 and 420: inside [ ]. Each identifier inside is read,
// at the operator after it or at the "]".
void FunctionBodyAnalyzer::StepSubscript(std::string_view token, TokenKind kind) {
  const int i = idx_;
  if (kind == kKindIdentifier) {
    const bool member = i > 0 && (tokens_[static_cast<size_t>(i - 1)] == "." ||
                                  tokens_[static_cast<size_t>(i - 1)] == "->");
    if (!(member && sub_pending_ >= 0)) sub_pending_ = i;
  } else if (token == "++" || token == "--") {
    RecordWrite(sub_pending_, i - 1);  // buf[len++]
    sub_pending_ = -1;
  } else if (IsOperator(kind) || token == ")") {
    RecordRead(sub_pending_, i - 1);
    sub_pending_ = -1;
  } else if (token == "(") {
    // keybit[BIT_WORD(n)]: a call in the subscript; the state comes back
    // here when it closes.
    sub_pending_ = -1;
    BeginCall(kRhsCallArgs, kRhsCallArg, state_);
  } else if (token == "[") {
    ++sub_depth_;
  } else if (token == "]") {
    RecordRead(sub_pending_, i - 1);
    sub_pending_ = -1;
    if (--sub_depth_ <= 0) state_ = sub_return_;
  } else if (token == ";") {
    EndStatement();
  }
}

// ---------------------------------------------------------------------------
// The statement states, in the order of the state tables. A token a state
// does not list leaves the state unchanged and advances, except that a ";"
// ends the statement (the for parts, comments and directives excepted).

// A declaration's initialiser is a right-hand side like any other (its
// calls, reads and casts recorded the same way) until a "," outside
// parentheses and braces starts the next declarator, or the ";".
void FunctionBodyAnalyzer::BeginInitialiser() {
  value_start_ = -1;
  in_initialiser_ = true;
  initialiser_braces_ = 0;
  state_ = kRhs;
}

// The initialiser's own punctuation, ahead of the right-hand-side states:
// braces of an aggregate initialiser, the "," between its elements or
// declarators, and "=" of a designator (.x = v). True when the token is
// taken here.
bool FunctionBodyAnalyzer::StepInitialiser(std::string_view token) {
  if (!in_initialiser_ || !calls_.empty() || state_ < kRhs || state_ > kRhsAfterCall) return false;
  const int i = idx_;
  if (token == "{") {
    ++initialiser_braces_;
    state_ = kRhs;
    return true;
  }
  if (token == "}" || (token == "," && paren_ == 0)) {
    if (state_ == kRhsValue) RecordRead(value_start_, i - 1);
    value_start_ = -1;
    if (token == "}" && initialiser_braces_ > 0) --initialiser_braces_;
    if (token == "," && initialiser_braces_ == 0) {
      in_initialiser_ = false;
      name_start_ = -1;
      state_ = kDeclNext;
    } else {
      state_ = kRhs;
    }
    return true;
  }
  if (token == "=" && initialiser_braces_ > 0 && state_ == kRhsValue) {
    value_start_ = -1;  // a designator is no variable
    state_ = kRhs;
    return true;
  }
  return false;
}

void FunctionBodyAnalyzer::Step(std::string_view token, TokenKind kind) {
  if (StepInitialiser(token)) return;
  if (IsCallArgsState(state_) || IsCallArgState(state_)) return StepCall(token, kind);
  if (state_ == kSubscript || state_ == kRhsSubscript || state_ == kConditionSubscript || state_ == kForSubscript)
    return StepSubscript(token, kind);

  const int i = idx_;
  auto previous = [this, i](int back) -> std::string_view {
    return i - back >= 0 ? std::string_view(tokens_[static_cast<size_t>(i - back)]) : std::string_view();
  };
  bool handled = true;

  switch (state_) {
    case kStart:
      if (token == "struct" || token == "union") {
        aggregate_union_ = token == "union";
        state_ = kAggregate;
      } else if (token == "enum" || token == "break" || token == "\\") {
        // stay
      } else if (token == "if") {
        state_ = kIf;
      } else if (token == "while") {
        state_ = kWhile;
      } else if (token == "for") {
        state_ = kFor;
      } else if (token == "do") {
        EndStatement();  // "do" passes; its body follows as statements
      } else if (token == "switch") {
        state_ = kSwitch;
      } else if (token == "case" || token == "default") {
        value_start_ = -1;
        state_ = kCase;
      } else if (token == "return") {
        paren_ = 0;
        state_ = kReturn;
      } else if (token == "continue") {
        state_ = kContinue;
      } else if (token == "#") {
        state_ = kDirective;
      } else if (IsAsmWord(token)) {
        // asm("…"), __asm__ __volatile__ (…); or a block up to __endasm;
        paren_ = 0;
        state_ = LineGoesOnWith("(") || LineGoesOnWithQualifier() ? kSkipAsm : kSkipAsmBlock;
      } else if (token == "else" || token == "{" || token == "}" || token == ";") {
        EndStatement();
      } else if (IsTypeKind(kind)) {
        type_start_ = i;
        type_end_ = -1;
        name_start_ = -1;
        state_ = kDeclType;
      } else if (kind == kKindIdentifier) {
        ident_start_ = i;
        state_ = kIdentifier;
      } else if (token == "*" || token == "**") {
        ident_start_ = i;
        state_ = kDerefFirst;
      } else if (token == "++" || token == "--") {
        ident_start_ = -1;
        state_ = kIncrementFirst;
      } else if (token == "(") {
        paren_ = 1;
        ident_start_ = -1;
        state_ = kParenFirst;
      } else {
        state_ = token.find("/*") != std::string_view::npos ? kSkipComment : kSkipStatement;
      }
      return;

    // Local declarations.
    case kDeclType:
      if (i == type_start_ + 1 && (token == "->" || token == "." || token == "[" || token == "++" ||
                                   token == "--" || IsWriteOperator(token)) &&
          ClassifyToken(tokens_[static_cast<size_t>(type_start_)], ctx_.types()) == kKindTypeName) {
        // A type name used as a variable (struct smi_info *smi_info makes
        // smi_info both): no declaration has these after its type.
        ident_start_ = type_start_;
        state_ = kIdentifier;
        return Step(token, kind);
      }
      if (StepDeclarator(token, kind)) {
        // an array size, a parameter list or an attribute
      } else if (IsDeclaredName(token, kind, i)) {
        name_start_ = i;
        name_end_ = -1;
        type_end_ = i - 1;
      } else if (token == ";") {
        RecordTemporary(type_start_, type_end_, name_start_, NameEnd(i));
        EndStatement();
      } else if (token == ",") {
        RecordTemporary(type_start_, type_end_, name_start_, NameEnd(i));
        name_start_ = -1;
        state_ = kDeclNext;
      } else if (token == "=") {
        RecordTemporary(type_start_, type_end_, name_start_, NameEnd(i));
        BeginInitialiser();
      } else {
        handled = false;
      }
      break;

    case kDeclNext:
      if (StepDeclarator(token, kind)) {
        // an array size, a parameter list or an attribute
      } else if (decl_brackets_ == 0 && (kind == kKindIdentifier || (kind == kKindTypeName && IsCalleeName(token)))) {
        name_start_ = i;
        name_end_ = -1;
      } else if (token == ";") {
        RecordTemporary(type_start_, type_end_, name_start_, NameEnd(i));
        EndStatement();
      } else if (token == ",") {
        RecordTemporary(type_start_, type_end_, name_start_, NameEnd(i));
        name_start_ = -1;
      } else if (token == "=") {  // the pattern of state 10
        RecordTemporary(type_start_, type_end_, name_start_, NameEnd(i));
        BeginInitialiser();
      } else {
        handled = false;
      }
      break;

    case kAggregate:
      if (token == "{") {
        ++aggregate_;
        state_ = kAggregateBody;
      } else if (i == 1 && (kind == kKindIdentifier || kind == kKindTypeName)) {
        aggregate_tagged_ = true;  // the tag; a body or a declarator follows
      } else {
        // struct tag *p = get(x);: a declaration of the type struct tag.
        type_start_ = 0;
        type_end_ = -1;
        name_start_ = -1;
        state_ = kDeclType;
        return Step(token, kind);
      }
      break;

    case kAggregateBody:
      if (IsTypeKind(kind)) {
        member_type_start_ = i;
        member_type_end_ = -1;
        member_name_start_ = -1;
        state_ = kAggregateMember;
      } else if (token == "{") {
        ++aggregate_;
      } else if (token == "}") {
        if (--aggregate_ <= 0) state_ = kAggregateClosed;
      } else {
        handled = false;
      }
      break;

    case kAggregateMember:
      if (kind == kKindIdentifier) {
        member_name_start_ = i;
        member_type_end_ = i - 1;
      } else if (token == ";") {
        RecordTemporary(member_type_start_, member_type_end_, member_name_start_, i - 1,
                        aggregate_union_ ? "union " : "struct ");
        state_ = kAggregateBody;
      } else {
        handled = false;
      }
      break;

    case kAggregateClosed:
      if (kind == kKindIdentifier || (kind == kKindTypeName && IsCalleeName(token))) {
        // struct [tag] { … } name;: the variable is a temporary of the
        // type struct [tag].
        RecordTemporary(0, aggregate_tagged_ ? 1 : 0, i, i);
        state_ = kAggregateName;
      } else {
        handled = false;
      }
      break;

    case kAggregateName:
      if (token == ",") {
        state_ = kAggregateClosed;
      } else {
        handled = false;  // ";" ends the statement
      }
      break;

    // "(" first.
    case kParenFirst:
      if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = previous(1) == "void" ? kStart : kParenClosed;
      } else if (kind == kKindIdentifier) {
        ident_start_ = i;
      } else {
        handled = false;
      }
      break;

    case kParenClosed:
      if (IsAssignmentToken(token, kind) || IsCompoundOperator(kind)) {
        RecordWrite(ident_start_, i - 1);
        state_ = kRhs;
      } else {
        handled = false;
      }
      break;

    // "++" / "--" first.
    case kIncrementFirst:
      if (kind == kKindIdentifier) {
        ident_start_ = i;
        state_ = kIncrementName;
      } else {
        handled = false;
      }
      break;

    case kIncrementName:
      if (token == ";") {
        RecordWrite(ident_start_, i - 1);
        EndStatement();
      } else if (kind == kKindAssignment) {
        RecordWrite(ident_start_, i - 1);
        state_ = kRhs;
      } else {
        handled = false;
      }
      break;

    // "*" first.
    case kDerefFirst:
      if (kind == kKindIdentifier) {
        state_ = kDerefName;
      } else if (token == "(") {
        deref_paren_ = 1;
        state_ = kDerefParen;
      } else {
        handled = false;
      }
      break;

    case kDerefParen:
      if (token == "(" && IsCalleeName(previous(1))) {
        BeginCall(kRhsCallArgs, kRhsCallArg, kDerefParen);  // *(f(x) - 1) = v
      } else if (token == "(") {
        ++deref_paren_;
      } else if (token == ")") {
        if (--deref_paren_ <= 0) state_ = kDerefName;
      } else {
        handled = false;
      }
      break;

    case kDerefName:
      if (IsAssignmentToken(token, kind) || IsCompoundOperator(kind)) {
        RecordWrite(ident_start_, i - 1);  // from the "*"
        state_ = kRhs;
      } else {
        handled = false;
      }
      break;

    // Identifier first: call, assignment, increment, label, expression, or
    // a declaration with a type name not yet known.
    case kIdentifier:
      if (token == "(") {
        BeginCall(kCallArgs, kCallArg, kCallDone);
      } else if (IsWriteOperator(token) || IsCompoundOperator(kind)) {
        RecordWrite(ident_start_, i - 1);
        state_ = kRhs;
      } else if (token == "++" || token == "--") {
        RecordWrite(ident_start_, i - 1);
        state_ = kIdentifierStepped;
      } else if (token == "[") {
        BeginSubscript(kSubscript, kIdentifier);
      } else if (token == "." || token == "->") {
        state_ = kMemberName;
      } else if (token == ":") {
        EndStatement();  // a label
      } else if (token == ";") {
        RecordRead(ident_start_, i - 1);
        state_ = kStart;  // the index goes on, as the table has it
      } else if (kind == kKindIdentifier || (kind == kKindTypeName && IsCalleeName(token))) {
        name_start_ = i;
        state_ = kUnknownTypeDecl;
      } else {
        handled = false;
      }
      break;

    case kIdentifierStepped:
      if (token == "=") {
        state_ = kRhs;
      } else {
        handled = false;
      }
      break;

    case kMemberName:
      // After "." or "->" a word is a member, even one registered as a type
      // name (struct pardevice *pardevice).
      if (kind == kKindIdentifier || kind == kKindTypeName) {
        state_ = kIdentifier;  // the member extends the identifier
      } else {
        handled = false;
      }
      break;

    case kUnknownTypeDecl:
      if (StepDeclarator(token, kind)) {
        // an array size, a parameter list or an attribute
      } else if (token == "=") {
        RecordTemporary(ident_start_, name_start_ - 1, name_start_, NameEnd(i));
        type_start_ = ident_start_;  // for the names after a ","
        type_end_ = name_start_ - 1;
        BeginInitialiser();
      } else if (token == ";") {
        RegisterTypeName(ident_start_);
        RecordTemporary(ident_start_, name_start_ - 1, name_start_, NameEnd(i));
        EndStatement();
      } else if (token == ",") {
        // u64 t1, t2;: the names after the "," have the same type.
        RecordTemporary(ident_start_, name_start_ - 1, name_start_, NameEnd(i));
        type_start_ = ident_start_;
        type_end_ = name_start_ - 1;
        name_start_ = -1;
        state_ = kDeclNext;
      } else {
        handled = false;
      }
      break;

    case kCallDone:
      // After a statement's call: the header of a loop macro
      // (list_for_each_entry(pos, head, member) { or with one statement
      // after it), or an assignment through the call's result
      // (skb_shinfo(to)->n = …).
      if (token == "{") {
        EndStatement();
      } else if (IsAssignmentToken(token, kind)) {
        state_ = kRhs;
      } else if (token == "." || token == "->" || previous(1) == "." || previous(1) == "->") {
        // a member of the result
      } else if (kind == kKindIdentifier || kind == kKindStatementKeyword || IsTypeKind(kind) || token == "*" ||
                 token == "++" || token == "--") {
        EndStatement();
        tokens_.Set(0, token);
        advance_ = true;
        return Step(token, kind);
      } else {
        handled = false;  // ";" ends the statement
      }
      break;

    // Right-hand sides.
    case kRhs:
      if (StartsOperand(token, kind)) {
        value_start_ = i;
        value_cast_ = false;
        state_ = kRhsValue;
      } else if (kind == kKindNumber || kind == kKindHexNumber) {
        // nothing is recorded
      } else if (token == "(") {
        ++paren_;
        state_ = kRhsParen;
      } else {
        handled = false;
      }
      break;

    case kRhsParen:
      if (IsTypeKind(kind) || IsTagWord(token) || IsTagWord(previous(1))) {
        // a cast's type: (unsigned long), (struct tag *)
      } else if (token == ")") {
        if (paren_ > 0) --paren_;
        state_ = kRhs;
      } else if (kind == kKindIdentifier) {
        value_start_ = i;
        value_cast_ = true;  // possibly a cast's type
        state_ = kRhsValue;
      } else if (token == "(") {
        ++paren_;
      } else {
        handled = false;
      }
      break;

    case kRhsValue:
      if (token == "[") {
        BeginSubscript(kRhsSubscript, kRhsValue);
      } else if (token == "(") {
        BeginCall(kRhsCallArgs, kRhsCallArg, kRhsAfterCall);
      } else if (token == "*" && value_cast_ && value_start_ == i - 1 && LineGoesOnWith(")*")) {
        // (T *): only when the "*" closes the parenthesis (or another "*"
        // follows); (a * b) is a product, and a is no type name.
        RegisterTypeName(value_start_);
        value_start_ = -1;
        state_ = kRhsParen;
      } else if (IsOperator(kind) || token == ",") {
        // Each operand of an expression is read on its own (a < b ? c : d
        // reads a, b, c and d).
        RecordRead(value_start_, i - 1);
        state_ = kRhs;
      } else if (kind == kKindAssignment || token == "++" || token == "--") {
        // a = b = c, a = b++: the operand is written.
        RecordWrite(value_start_, i - 1);
        state_ = kind == kKindAssignment ? kRhs : kRhsAfterParen;
      } else if (token == ")" && value_cast_ && value_start_ == i - 1 && previous(2) == "(" &&
                 !LineGoesOnWith("?&|+-*/<>=!.,;)]") && LineGoesOnWithOperand()) {
        // (T)v, (T)f(x): a cast; the operand after it is the value.
        if (paren_ > 0) --paren_;
        value_start_ = -1;
        state_ = kRhs;
      } else if (token == ")") {
        if (paren_ > 0) --paren_;
        if (!LineGoesOnWithArrow()) {
          RecordRead(value_start_, i - 1);
          state_ = kRhsAfterParen;
        }
      } else if (token == ";") {
        RecordRead(value_start_, i - 1);
        EndStatement();
      } else if (EndsOperand(token, kind)) {
        // sizeof x, "%"FMT"x": the operand ended without an operator
        RecordRead(value_start_, i - 1);
        value_start_ = i;
        value_cast_ = false;
        if (!StartsOperand(token, kind)) state_ = kRhs;
      }
      // anything else (".", "->", a member): the value text goes on
      break;

    case kRhsAfterParen:
      if (IsOperator(kind) || token == ",") {
        state_ = kRhs;
      } else if (token == ")") {
        if (paren_ > 0) --paren_;
      } else {
        handled = false;
      }
      break;

    case kRhsAfterCall:
      if (IsOperator(kind) || token == ",") {
        state_ = kRhs;
      } else {
        handled = false;
      }
      break;

    // Conditions of "if" and "while".
    case kIf:
    case kWhile:
      if (token == "(") {
        paren_ = 1;
        state_ = kCondition;
      } else {
        handled = false;
      }
      break;

    case kCondition:
      if (IsTagWord(token) || IsTagWord(previous(1))) {
        // (struct tag *)p: a cast's type
      } else if (StartsOperand(token, kind)) {
        value_start_ = i;
        state_ = kConditionValue;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kConditionDone;
      } else {
        handled = false;
      }
      break;

    case kConditionValue:
      if (token == "++" || token == "--" || kind == kKindAssignment) {
        RecordWrite(value_start_, i - 1);
        state_ = kCondition;  // the operand is done with
      } else if (IsOperator(kind) || token == ",") {
        RecordRead(value_start_, i - 1);
        state_ = kCondition;
      } else if (token == "[") {
        BeginSubscript(kConditionSubscript, kConditionValue);
      } else if (token == "(") {
        BeginCall(kConditionCallArgs, kConditionCallArg, kConditionAfterCall);
      } else if (token == ")") {
        if (--paren_ <= 0) {
          RecordRead(value_start_, i - 1);
          state_ = kConditionDone;
        } else if (value_start_ == i - 1 && previous(2) == "(") {
          // (x) inside the condition: a cast's type when an operand follows
          // it directly ((T)v, (T)(v), (T)1); otherwise a variable read
          // ((x) & m, (x) == 1, !(x)).
          if (!LineGoesOnWith("?&|+-") && LineGoesOnWithOperand()) {
            RegisterTypeName(value_start_);
          } else {
            RecordRead(value_start_, i - 1);
          }
          state_ = kCondition;
        } else {
          RecordRead(value_start_, i - 1);
          state_ = kCondition;
        }
      } else if (EndsOperand(token, kind)) {
        RecordRead(value_start_, i - 1);
        value_start_ = i;
        if (!StartsOperand(token, kind)) state_ = kCondition;
      } else {
        handled = false;
      }
      break;

    case kConditionAfterCall:
      if (IsOperator(kind)) {
        state_ = kCondition;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kConditionDone;
      } else {
        handled = false;
      }
      break;

    case kConditionDone:
      // The statement an if or while controls without braces is skipped.
      if (token == "{" || token == ";") EndStatement();
      break;

    // "for": the three parts.
    case kFor:
      if (token == "(") {
        paren_ = 1;
        type_start_ = -1;
        state_ = kForInit;
      } else {
        handled = false;
      }
      break;

    case kForInit:
      if (IsTypeKind(kind)) {
        // a declaration's type is passed over
        if (type_start_ < 0) type_start_ = i;
        type_end_ = i;
      } else if (kind == kKindIdentifier) {
        // for (int i = 0, *p = q; …): each name a temporary of the type
        // (with the "*"s of the first, as a declaration statement has them)
        if (type_start_ >= 0)
          RecordTemporary(type_start_, FirstOfTrailing(i, "*") == type_end_ + 1 ? i - 1 : type_end_, i, i);
        ident_start_ = i;
        state_ = kForInitTarget;
      } else if (token == ";") {
        state_ = kForCondition;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kForTail;
      }
      break;

    case kForInitTarget:
      if (kind == kKindAssignment) {
        RecordWrite(ident_start_, i - 1);
        value_start_ = -1;
        state_ = kForInitValue;
      } else if (token == "[") {
        BeginSubscript(kForSubscript, kForInitTarget);
      } else if (kind == kKindIdentifier && previous(1) != "." && previous(1) != "->") {
        ident_start_ = i;  // "T i" with T not a known type
      } else if (token == ",") {
        state_ = kForInit;
      } else if (token == ";") {
        state_ = kForCondition;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kForTail;
      }
      break;

    case kForInitValue:
      if (kind == kKindIdentifier) {
        value_start_ = i;
        state_ = kForInitValueText;
      } else if (token == ",") {
        state_ = kForInit;
      } else if (token == ";") {
        state_ = kForCondition;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kForTail;
      }
      break;

    case kForInitValueText:
      if (token == "(") {
        BeginCall(kRhsCallArgs, kRhsCallArg, kForInitValue);
      } else if (IsAssignmentToken(token, kind)) {
        RecordWrite(value_start_, i - 1);  // i = j = 0
        state_ = kForInitValue;
      } else if (token == "[") {
        BeginSubscript(kForSubscript, kForInitValueText);
      } else if (IsOperator(kind)) {
        RecordRead(value_start_, i - 1);
        state_ = kForInitValue;
      } else if (token == ",") {
        RecordRead(value_start_, i - 1);
        state_ = kForInit;
      } else if (token == ";") {
        RecordRead(value_start_, i - 1);
        state_ = kForCondition;
      } else if (token == ")") {
        RecordRead(value_start_, i - 1);
        state_ = --paren_ <= 0 ? kForTail : kForInitValue;
      }
      break;

    case kForCondition:
      if (IsTagWord(token) || IsTagWord(previous(1))) {
        // (struct tag *)p: a cast's type
      } else if (kind == kKindIdentifier) {
        value_start_ = i;
        state_ = kForConditionLeft;
      } else if (token == ";") {
        state_ = kForStep;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kForTail;
      }
      break;

    case kForConditionLeft:
      if (IsForComparison(token)) {
        RecordRead(value_start_, i - 1);
        state_ = kForConditionRight;
      } else if (IsOperator(kind)) {
        RecordRead(value_start_, i - 1);
        state_ = kForCondition;
      } else if (token == ";") {
        RecordRead(value_start_, i - 1);
        state_ = kForStep;
      } else if (token == "(") {
        BeginCall(kRhsCallArgs, kRhsCallArg, kForCondition);
      } else if (token == "[") {
        BeginSubscript(kForSubscript, kForConditionLeft);
      } else if (token == ")") {
        RecordRead(value_start_, i - 1);
        state_ = --paren_ <= 0 ? kForTail : kForCondition;
      }
      break;

    case kForConditionRight:
      if (IsTagWord(token) || IsTagWord(previous(1))) {
        // p != (struct tag *)0: a cast's type
      } else if (kind == kKindIdentifier) {
        value_start_ = i;
        state_ = kForConditionRightText;
      } else if (token == ";") {
        state_ = kForStep;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kForTail;
      }
      break;

    case kForConditionRightText:
      if (token == ";") {
        RecordRead(value_start_, i - 1);  // the identifier after the comparison
        state_ = kForStep;
      } else if (token == "&&" || token == "||") {
        RecordRead(value_start_, i - 1);
        state_ = kForCondition;
      } else if (IsOperator(kind)) {
        RecordRead(value_start_, i - 1);
        state_ = kForConditionRight;
      } else if (token == "(") {
        BeginCall(kRhsCallArgs, kRhsCallArg, kForConditionRight);
      } else if (token == "[") {
        BeginSubscript(kForSubscript, kForConditionRightText);
      } else if (token == ")") {
        RecordRead(value_start_, i - 1);
        state_ = --paren_ <= 0 ? kForTail : kForConditionRight;
      }
      break;

    case kForStep:
      if (kind == kKindIdentifier) {
        value_start_ = i;
        step_bracket_ = 0;
        state_ = kForStepName;
      } else if (token == "++" || token == "--") {
        step_prefix_ = true;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kForTail;
      }
      break;

    case kForStepName:
      if (step_bracket_ > 0) {  // a subscript is passed over
        if (token == "[") ++step_bracket_;
        if (token == "]") --step_bracket_;
      } else if (token == "[") {
        step_bracket_ = 1;
      } else if (IsForStepOperator(token) || IsAssignmentToken(token, kind)) {
        RecordWrite(value_start_, i - 1);
        step_prefix_ = false;
        state_ = kForStepDone;
      } else if (token == "(") {
        step_prefix_ = false;
        BeginCall(kRhsCallArgs, kRhsCallArg, kForStepDone);
      } else if (token == ",") {
        if (step_prefix_) RecordWrite(value_start_, i - 1);
        step_prefix_ = false;
        state_ = kForStep;
      } else if (token == ")") {
        if (step_prefix_) RecordWrite(value_start_, i - 1);
        step_prefix_ = false;
        state_ = --paren_ <= 0 ? kForTail : kForStep;
      } else if (kind == kKindIdentifier && previous(1) != "." && previous(1) != "->") {
        value_start_ = i;
      }
      break;

    case kForStepDone:
      if (token == ",") {
        state_ = kForStep;
      } else if (token == "(" && IsCalleeName(previous(1))) {
        BeginCall(kRhsCallArgs, kRhsCallArg, kForStepDone);  // i = next(i)
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kForTail;
      }
      break;

    case kForTail:
      // The rest up to the "{" or ";" is skipped.
      if (token == "{" || token == ";") EndStatement();
      break;

    // The other statements.
    case kSwitch:
      if (token == "(") {
        paren_ = 1;
        value_start_ = -1;
        state_ = kSwitchExpression;
      } else {
        handled = false;
      }
      break;

    case kSwitchExpression:
      if (kind == kKindIdentifier) {
        value_start_ = i;
        state_ = kSwitchValue;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kSwitchDone;
      } else {
        handled = false;
      }
      break;

    case kSwitchValue:
      if (token == ")") {
        if (--paren_ <= 0) {
          RecordRead(value_start_, i - 1);
          state_ = kSwitchDone;
        }
      } else if (token == "(") {
        BeginCall(kRhsCallArgs, kRhsCallArg, kSwitchExpression);
      } else if (IsOperator(kind)) {
        RecordRead(value_start_, i - 1);
        state_ = kSwitchExpression;
      } else if (token == "++" || token == "--" || IsAssignmentToken(token, kind)) {
        RecordWrite(value_start_, i - 1);  // switch (elo->idx++)
        state_ = kSwitchExpression;
      } else {
        handled = false;
      }
      break;

    case kSwitchDone:
      if (token == "{") {
        EndStatement();
      } else {
        handled = false;
      }
      break;

    case kCase:
      if (token == ":") {
        RecordRead(value_start_, i - 1);  // an identifier label
        EndStatement();
      } else if (token == "(") {
        value_start_ = -1;  // case EVIOCGNAME(0): a call's value, no variable
        BeginCall(kRhsCallArgs, kRhsCallArg, kCase);
      } else if (kind == kKindIdentifier) {
        if (value_start_ < 0) value_start_ = i;
      } else {
        handled = false;
      }
      break;

    case kReturn:
      if (token == ";") {
        EndStatement();  // a bare return: no record
      } else if (kind == kKindIdentifier || kind == kKindNumber || kind == kKindHexNumber || IsUnaryOperator(token)) {
        // The value as written: return -ENOMEM; gives -ENOMEM.
        value_start_ = i;
        state_ = kReturnValue;
      } else if (token == "(") {
        ++paren_;
        state_ = kReturnParen;
      }
      break;

    case kReturnParen:
      if (IsTypeKind(kind) || IsTagWord(token) || IsTagWord(previous(1))) {
        // a cast's type is passed over
      } else if (kind == kKindIdentifier || IsUnaryOperator(token)) {
        value_start_ = i;
        state_ = kReturnParenValue;
      } else if (token == "(") {
        ++paren_;
      } else if (token == ")") {
        if (--paren_ <= 0) state_ = kReturn;
      } else {
        handled = false;
      }
      break;

    case kReturnParenValue:
      if (token == ")") {
        RecordReturn(value_start_, i - 1);
        --paren_;
        state_ = kReturnAfterParen;
      } else if (token == "(") {
        BeginCall(kRhsCallArgs, kRhsCallArg, kReturnParenValue);
      } else {
        handled = false;
      }
      break;

    case kReturnValue:
      if (token == ";") {
        RecordReturn(value_start_, i - 1);
        EndStatement();
      } else if (token == "(") {
        BeginCall(kRhsCallArgs, kRhsCallArg, kReturnValue);
      }
      break;

    case kReturnAfterParen:
      // The rest of the returned expression: its calls are recorded.
      if (token == "(" && IsCalleeName(previous(1))) {
        BeginCall(kRhsCallArgs, kRhsCallArg, kReturnAfterParen);
      } else {
        handled = false;  // ";" ends the statement
      }
      break;

    case kContinue:
    case kSkipStatement:
      handled = false;  // ";" ends the statement
      break;

    case kSkipComment:
      if (token.find("*/") != std::string_view::npos) EndStatement();
      break;

    case kSkipAsm:
      if (token == "(" && IsCalleeName(previous(1)) && paren_ > 0) {
        // A call in an operand (: "I" (_SFR_IO_ADDR(SPL))) is a call; what
        // the asm reads and writes is not told.
        BeginCall(kRhsCallArgs, kRhsCallArg, kSkipAsm);
        calls_.back().no_reads = true;
      } else if (token == "(") ++paren_;
      if (token == ")") --paren_;
      if (token == ";" && paren_ <= 0) EndStatement();
      break;

    case kSkipAsmBlock:
      if (IsAsmEndWord(token)) state_ = kSkipStatement;  // its ";" ends it
      break;

    case kDirective:
      break;  // up to the line end (or past a backslash)

    default:
      handled = false;
      break;
  }
  if (!handled && token == ";") EndStatement();
}

}  // namespace kv
