#include "xlsdoc/function_sheet.h"

#include <algorithm>
#include <optional>

#include "run/work_folder.h"
#include "lex/keyword_tables.h"
#include "platform/encoding.h"
#include "xlsdoc/cell_address.h"
#include "xlsdoc/sheet_model.h"

namespace kv {
namespace {

// Where things are on the FunctionSheet.
constexpr int kColumnA = 1;
constexpr int kColumnD = 4;
constexpr int kColumnL = 12;
constexpr int kColumnM = 13;
constexpr int kColumnP = 16;
constexpr int kColumnS = 19;
constexpr int kTypeRow = 5;  // D5
constexpr int kNameRow = 6;  // D6
constexpr int kHeaderRow = 1;  // A1 folder, S1 file
// A caption not found above this row is reported and its section skipped.
constexpr int kCaptionSearchLimit = 32000;
constexpr int kSheetNameCut = 26;
constexpr size_t kSheetNameMax = 31;
constexpr int kTemplateSheets = 3;
constexpr double kTemplateColumnWidth = 4.0;
constexpr double kMaxTypeColumnWidth = 60.0;
constexpr int kTextAreaColumns = 20;  // D:W
constexpr double kDescriptionWidth = 8 * kTemplateColumnWidth;  // P:W
// Deeper indentation is shown this deep: the text must stay in sight.
constexpr int kMaxIndent = 64;
// A description area grows to this many rows at most (the text is whole in
// its cell; the rows only show it).
constexpr int kMaxAreaRows = 500;

// Table types are kept as the record writes them, with tabs between the
// words; the sheet shows them with blanks.
std::string Blanked(std::string text) {
  for (char& c : text)
    if (c == '\t') c = ' ';
  return text;
}

// A record as the sheet needs it, read before anything is written: the
// description sections come last in the record but fill rows above the
// tables.
struct SheetRecord {
  std::optional<std::string> name, type, folder, file;
  std::optional<std::vector<std::string>> arguments, temporaries;  // lines up to the first empty one
  struct CallList {
    std::string none_text;
    std::vector<std::string> lines;
  };
  std::vector<CallList> calls;  // in the order the record holds them
  std::vector<std::string> returns;  // the values of [戻り値]
  FunctionDescription description;
};

std::string JoinLines(const TextLines& lines) {
  std::string out;
  for (const std::string& line : lines) {
    if (!out.empty()) out += '\n';
    out += line;
  }
  return out;
}

// A name as the tables show it, without its brackets: buf[16] -> buf.
std::string BareName(std::string name) {
  const size_t bracket = name.find('[');
  if (bracket != std::string::npos) name.erase(bracket);
  return name;
}

const NamedText* Named(const std::vector<NamedText>& texts, const std::string& name) {
  for (const NamedText& t : texts)
    if (t.name == name) return &t;
  return nullptr;
}

// The return type: the function type without the words that only say how
// the function is stored (static int -> int).
std::string ReturnType(const std::string& function_type) {
  std::string out;
  size_t start = 0;
  const std::string text = Blanked(function_type);
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    start = end + 1;
    if (word.empty() || word == "static" || word == "extern" || word == "inline" || word == "__inline" ||
        word == "__inline__" || word == "_Noreturn")
      continue;
    if (!out.empty()) out += ' ';
    out += word;
  }
  return out;
}

std::string WithoutBlanks(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\t') out += c;
  return out;
}

class FunctionSheetWriter {
 public:
  FunctionSheetWriter(RunContext& ctx, xls::Application& app, LineReader& record, const std::string& record_name,
                      const DescribedFunction* function)
      : ctx_(ctx), app_(app), record_(record), record_name_(record_name), function_(function) {}

  DocStep Run() {
    if (ctx_.StopRequested()) return DocStep::kStopped;
    const int n = app_.Worksheets().Count();
    app_.Worksheets().Item(kFunctionSheet).Copy(app_.Worksheets().Item(n));
    app_.Worksheets().Item(app_.Worksheets().Count()).Select();
    sheet_.emplace(app_.ActiveSheet());

    record_.Rewind();
    std::string line;
    while (NextLine(line)) HandleLine(line);
    if (stopped_) return DocStep::kStopped;
    WriteSheet();
    WriteControlSpecification();
    FitTypeColumn();
    return DocStep::kDone;
  }

 private:
  // The next record line; false at the end of the record or when StopFlag
  // is set (stopped_ tells which).
  bool NextLine(std::string& line) {
    if (stopped_) return false;
    if (ctx_.StopRequested()) {
      stopped_ = true;
      return false;
    }
    return record_.ReadLineNoEol(line);
  }

  // Lines up to the first empty one (none when the first is empty).
  std::vector<std::string> ListLines() {
    std::vector<std::string> lines;
    std::string line;
    while (NextLine(line) && !line.empty()) lines.push_back(line);
    return lines;
  }

  void HandleLine(const std::string& line) {
    // From the first description section on, the lines are texts of the
    // comments: none of them is taken for another section's tag.
    if (description_tag::IsDescriptionTag(line) || described_) {
      described_ = true;
      if (description_tag::IsDescriptionTag(line)) ReadDescriptionSection(line, ListLines(), data_.description);
      return;
    }
    std::string value;
    if (line == SJ("[関数名称]")) {
      if (NextLine(value)) data_.name = value;
    } else if (line == SJ("[関数型]")) {
      if (NextLine(value)) data_.type = value;
    } else if (line == SJ("[フォルダ名]")) {
      if (NextLine(value)) data_.folder = value;
    } else if (line == SJ("[ファイル名]")) {
      if (NextLine(value)) data_.file = value;
    } else if (line == SJ("[引数定義]")) {
      data_.arguments = ListLines();
    } else if (line == SJ("[テンポラリ変数]")) {
      data_.temporaries = ListLines();
    } else if (line == SJ("[コール関数（定義なし）]")) {
      data_.calls.push_back({"-", ListLines()});
    } else if (line == SJ("[コール関数（定義あり）]")) {
      data_.calls.push_back({"None", ListLines()});
    } else if (line == SJ("[戻り値]")) {
      for (const std::string& entry : ListLines())
        if (entry != "NONE") data_.returns.push_back(entry);
    }
  }

  void WriteSheet() {
    if (data_.name) WriteFunctionName(*data_.name);
    if (data_.type) Cell(kTypeRow, kColumnD).SetValue2(Blanked(*data_.type));
    if (data_.folder) WriteBold(kHeaderRow, kColumnA, *data_.folder);
    if (data_.file) WriteBold(kHeaderRow, kColumnS, *data_.file);
    const FunctionDescription& d = data_.description;
    type_width_ = TypeWidth();
    WriteTextArea(SJ("■関数概要"), d.summary, 1);
    WriteTextArea(SJ("■処理内容"), d.details, 3);
    if (data_.arguments) WriteVariableTable(SJ("■引数"), *data_.arguments, "void", true, d.parameters);
    WriteReturnTable();
    if (data_.temporaries) WriteVariableTable(SJ("■テンポラリ変数"), *data_.temporaries, "NONE", false, d.locals);
    for (const SheetRecord::CallList& list : data_.calls) WriteCallList(list);
    WriteTextArea(SJ("■備考"), d.notes, 4);
  }

  xls::CellRange Cell(int row, int column) const { return sheet_->Cells().Item(row, column); }

  void WriteBold(int row, int column, const std::string& text) {
    Cell(row, column).SetValue2(text);
    Cell(row, column).Font().SetBold(true);
  }

  void WriteFunctionName(const std::string& name) {
    Cell(kNameRow, kColumnD).SetValue2(name);
    const int k = app_.Worksheets().Count() - kTemplateSheets;
    for (int attempt = 0; attempt < 8; ++attempt) {
      try {
        sheet_->SetName(FunctionSheetName(name, k, attempt));
        return;
      } catch (const xls::AutomationError& e) {
        if (e.failure() != xls::AutomationFailure::kBadArgument) throw;
      }
    }
    // Every alternative is taken: the sheet keeps the name of its copy.
    ctx_.log.Finding(record_name_, 0, name, "SHEET NAME IN USE");
  }

  // The row of `caption` in column A, or 0 after "設計書エラー".
  int FindCaption(const std::string& caption) {
    for (int row = 1; row < kCaptionSearchLimit; ++row)
      if (Cell(row, kColumnA).Value2() == caption) return row;
    ctx_.Message(SJ("設計書エラー"));
    return 0;
  }

  void InsertRowAt(int row) { Cell(row, kColumnA).EntireRow().Insert(); }

  void MergeRowAreas(int row) {
    const std::string r = std::to_string(row);
    sheet_->Range("D" + r, "K" + r).SetMergeCells(true);
    sheet_->Range("P" + r, "W" + r).SetMergeCells(true);
  }

  // A 説明 in P:W: wrapped, from the top of its area, when it has line
  // breaks or is wider than the area (the row then grows to show it).
  void WriteDescription(int row, const std::string& text) {
    xls::CellRange cell = Cell(row, kColumnP);
    cell.SetValue2(text);
    const bool fits = text.find('\n') == std::string::npos && ColumnWidthFor(text) <= kDescriptionWidth;
    if (fits) return;
    cell.SetWrapText(true);
    cell.SetVerticalAlignment(xls::kAlignTop);
  }

  // The width of D:W in characters (L may have been widened).
  double TextAreaWidth() const {
    const double type_column = std::max(type_width_, sheet_->Range("L1", "L1").ColumnWidth());
    return (kTextAreaColumns - 1) * kTemplateColumnWidth + type_column;
  }

  // A description under its caption, in the area D:W of the caption's rows
  // (`rows` in the template); the area grows by whole rows when the text
  // needs more lines than it has.
  void WriteTextArea(const std::string& caption, const TextLines& lines, int rows) {
    if (lines.empty()) return;
    const int row = FindCaption(caption);
    if (row == 0) return;
    const std::string text = JoinLines(lines);
    xls::CellRange cell = Cell(row, kColumnD);
    cell.SetValue2(text);
    cell.SetWrapText(true);
    cell.SetVerticalAlignment(xls::kAlignTop);
    const int needed = static_cast<int>(xls::WrappedLineCount(ToUtf8(text), TextAreaWidth()));
    // A one-row area grows with its text when the sheet is written.
    if (rows == 1) return;
    for (int extra = std::min(needed, kMaxAreaRows) - rows; extra > 0; --extra) InsertRowAt(row + 1);
  }

  void WriteVariable(int row, const std::string& declaration, const std::vector<NamedText>& texts, bool merged) {
    std::string type, name;
    SplitTypeAndName(declaration, type, name);
    Cell(row, kColumnD).SetValue2(name);
    WriteType(row, Blanked(type));
    const NamedText* text = Named(texts, BareName(name));
    if (text == nullptr || text->lines.empty()) return;
    if (!merged) sheet_->Range("P" + std::to_string(row), "W" + std::to_string(row)).SetMergeCells(true);
    WriteDescription(row, JoinLines(text->lines));
  }

  // The width the types of the record need in column L.
  double TypeWidth() const {
    double width = kTemplateColumnWidth;
    auto take = [&width](const std::optional<std::vector<std::string>>& lines) {
      if (!lines) return;
      for (const std::string& line : *lines) {
        if (line == "void" || line == "NONE") continue;
        std::string type, name;
        SplitTypeAndName(line, type, name);
        width = std::max(width, ColumnWidthFor(Blanked(type)));
      }
    };
    take(data_.arguments);
    take(data_.temporaries);
    if (data_.type) width = std::max(width, ColumnWidthFor(ReturnType(*data_.type)));
    return width;
  }

  void WriteType(int row, const std::string& type) {
    Cell(row, kColumnL).SetValue2(type);
    type_width_ = std::max(type_width_, ColumnWidthFor(type));
  }

  // The argument and temporary tables: the first entry in the row under
  // the caption, each further one in a row inserted below it; the 説明 of
  // each from its comment.
  void WriteVariableTable(const std::string& caption, const std::vector<std::string>& lines,
                          const std::string& empty_marker, bool merge_inserted, const std::vector<NamedText>& texts) {
    int row = FindCaption(caption);
    if (row == 0) return;
    ++row;
    if (lines.empty()) return;
    if (lines[0] == empty_marker) {
      Cell(row, kColumnD).SetValue2("-");
      for (int column = kColumnL; column <= kColumnL + 4; ++column) Cell(row, column).SetValue2("-");
      return;
    }
    WriteVariable(row, lines[0], texts, true);
    for (size_t i = 1; i < lines.size(); ++i) {
      ++row;
      InsertRowAt(row);
      if (merge_inserted) MergeRowAreas(row);
      WriteVariable(row, lines[i], texts, merge_inserted);
    }
  }

  // ■戻り値: one row per value the function returns ([戻り値]) with the
  // return type and the comment's text for that value; values the comment
  // names that the record does not hold after them; a row "-" for the
  // comment's general text, or when there is no value at all.
  void WriteReturnTable() {
    if (!data_.type && data_.returns.empty() && data_.description.returns.empty()) return;
    const int caption = FindCaption(SJ("■戻り値"));
    if (caption == 0) return;
    const std::string type = data_.type ? ReturnType(*data_.type) : std::string();
    const std::vector<NamedText>& texts = data_.description.returns;
    struct Row {
      std::string value;
      std::string text;
    };
    std::vector<Row> rows;
    std::vector<bool> used(texts.size(), false);
    for (const std::string& value : data_.returns) {
      Row row{value, ""};
      for (size_t i = 0; i < texts.size(); ++i) {
        if (used[i] || texts[i].name.empty() || WithoutBlanks(texts[i].name) != WithoutBlanks(value)) continue;
        used[i] = true;
        row.text = JoinLines(texts[i].lines);
        break;
      }
      rows.push_back(std::move(row));
    }
    for (size_t i = 0; i < texts.size(); ++i)
      if (!used[i] && !texts[i].name.empty()) rows.push_back({texts[i].name, JoinLines(texts[i].lines)});
    std::string general;
    for (const NamedText& t : texts)
      if (t.name.empty()) general += (general.empty() ? "" : "\n") + JoinLines(t.lines);
    if (!general.empty() || rows.empty()) rows.insert(rows.begin(), {"-", general.empty() ? "-" : general});

    int row = caption + 1;
    for (size_t i = 0; i < rows.size(); ++i, ++row) {
      if (i > 0) {
        InsertRowAt(row);
        MergeRowAreas(row);
      }
      Cell(row, kColumnD).SetValue2(rows[i].value);
      if (!type.empty()) WriteType(row, type);
      if (!rows[i].text.empty()) WriteDescription(row, rows[i].text);
    }
  }

  // The two called-function lists share the table under "■外部関数": the
  // first list starts in its first row, the second continues below the
  // last row of the first, so neither hides the other. Each list that is
  // "NONE" takes one row with its own marker.
  void WriteCallList(const SheetRecord::CallList& list) {
    const int caption = FindCaption(SJ("■外部関数"));
    if (caption == 0) return;
    if (list.lines.empty()) return;
    int row = caption + 1 + call_rows_;
    if (call_rows_ > 0) InsertRowAt(row);
    ++call_rows_;
    if (list.lines[0] == "NONE") {
      Cell(row, kColumnD).SetValue2(list.none_text);
      Cell(row, kColumnM).SetValue2("-");
      return;
    }
    Cell(row, kColumnD).SetValue2(list.lines[0]);
    for (size_t i = 1; i < list.lines.size(); ++i) {
      ++row;
      InsertRowAt(row);
      Cell(row, kColumnD).SetValue2(list.lines[i]);
      ++call_rows_;
    }
  }

  // The body text under "■制御仕様": one empty row, then the function's
  // header line and each body line of SOURCE/<record name> in a row of its
  // own (the file's "[SOURCE]" tag line is not shown). The body lines get
  // back the indentation they have in the source, as blanks, when the
  // description file knows the function's lines and they match the file.
  void WriteControlSpecification() {
    LineReader source;
    const std::string source_path = work::Path(std::string(work::kSource) + "/" + record_name_);
    const ReadProblem problem = source.OpenWorkFile(source_path);
    if (problem != ReadProblem::kNone) {
      ctx_.Message(SJ("制御仕様ファイル開けず"));
      if (problem != ReadProblem::kMissing) ctx_.log.Finding(source_path, 0, SJ("作業フォルダ"), ReadProblemText(problem));
      return;
    }
    std::vector<std::string> lines;
    std::string line;
    bool first = true;
    while (source.ReadLineNoEol(line)) {
      if (first && line == "[SOURCE]") {
        first = false;
        continue;
      }
      first = false;
      lines.push_back(line);
    }
    Indent(lines);
    int row = FindCaption(SJ("■制御仕様"));
    if (row == 0) return;
    ++row;
    InsertRowAt(row);
    Cell(row, kColumnD).SetValue2("");
    for (const std::string& text : lines) {
      ++row;
      InsertRowAt(row);
      Cell(row, kColumnD).SetValue2(text);
    }
  }

  // lines[0] is the header line; each later one starts with one blank when
  // the source line was indented. The description file's indents are taken
  // only when they agree with that, line for line.
  void Indent(std::vector<std::string>& lines) const {
    if (function_ == nullptr || lines.empty() || function_->indents.size() != lines.size() - 1) return;
    const std::vector<int>& indents = function_->indents;
    for (size_t i = 1; i < lines.size(); ++i) {
      const bool spaced = !lines[i].empty() && lines[i][0] == ' ';
      if (spaced != (indents[i - 1] > 0)) return;
    }
    for (size_t i = 1; i < lines.size(); ++i) {
      if (indents[i - 1] == 0) continue;
      const int width = std::min(indents[i - 1], kMaxIndent);
      lines[i] = std::string(static_cast<size_t>(width), ' ') + lines[i].substr(1);
    }
  }

  // Column L (型) of every function sheet of the workbook, and of the
  // template sheet they are copied from, fits the longest type written on
  // any of them.
  void FitTypeColumn() {
    xls::CellRange template_column = app_.Worksheets().Item(kFunctionSheet).Range("L1", "L1");
    if (type_width_ <= template_column.ColumnWidth()) return;
    const int count = app_.Worksheets().Count();
    for (int index = kFunctionSheet; index <= count; ++index)
      app_.Worksheets().Item(index).Range("L1", "L1").Columns().SetColumnWidth(type_width_);
  }

  RunContext& ctx_;
  xls::Application& app_;
  LineReader& record_;
  const std::string& record_name_;
  const DescribedFunction* function_;
  std::optional<xls::Worksheet> sheet_;
  SheetRecord data_;
  bool described_ = false;
  bool stopped_ = false;
  int call_rows_ = 0;  // rows the called-function lists use so far
  double type_width_ = kTemplateColumnWidth;
};

}  // namespace

std::string FunctionSheetName(const std::string& name, int k, int attempt) {
  std::string utf8 = ToUtf8(name);
  for (char& c : utf8) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::string_view("[]:*?/\\").find(c) != std::string_view::npos) c = '_';
  }
  if (!utf8.empty() && utf8.front() == '\'') utf8.front() = '_';
  utf8 = xls::CutUtf8(utf8, kSheetNameCut);
  if (!utf8.empty() && utf8.back() == '\'') utf8.back() = '_';
  const std::string suffix = std::string(static_cast<size_t>(attempt), '_') + "(" + std::to_string(k) + ")";
  const size_t room = suffix.size() < kSheetNameMax ? kSheetNameMax - suffix.size() : 0;
  if (xls::Utf8Length(utf8) > room) utf8 = xls::CutUtf8(utf8, room);
  return ToCp932(utf8 + suffix);
}

DocStep AddFunctionSheet(RunContext& ctx, xls::Application& app, LineReader& record, const std::string& record_name,
                         const DescribedFunction* function) {
  return FunctionSheetWriter(ctx, app, record, record_name, function).Run();
}

double ColumnWidthFor(std::string_view text) {
  const double width = static_cast<double>(text.size()) + 1.0;
  return std::clamp(width, kTemplateColumnWidth, kMaxTypeColumnWidth);
}

}  // namespace kv
