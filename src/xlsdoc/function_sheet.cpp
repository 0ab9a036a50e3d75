#include "xlsdoc/function_sheet.h"

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
constexpr int kColumnS = 19;
constexpr int kTypeRow = 5;  // D5
constexpr int kNameRow = 6;  // D6
constexpr int kHeaderRow = 1;  // A1 folder, S1 file
// A caption not found above this row is reported and its section skipped.
constexpr int kCaptionSearchLimit = 32000;
constexpr int kSheetNameCut = 26;
constexpr size_t kSheetNameMax = 31;
constexpr int kTemplateSheets = 3;

// Table types are kept as the record writes them, with tabs between the
// words; the sheet shows them with blanks.
std::string Blanked(std::string text) {
  for (char& c : text)
    if (c == '\t') c = ' ';
  return text;
}

class FunctionSheetWriter {
 public:
  FunctionSheetWriter(RunContext& ctx, xls::Application& app, LineReader& record, const std::string& record_name)
      : ctx_(ctx), app_(app), record_(record), record_name_(record_name) {}

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
    WriteControlSpecification();
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

  void HandleLine(const std::string& line) {
    std::string value;
    if (line == SJ("[関数名称]")) {
      if (NextLine(value)) WriteFunctionName(value);
    } else if (line == SJ("[関数型]")) {
      if (NextLine(value)) Cell(kTypeRow, kColumnD).SetValue2(Blanked(value));
    } else if (line == SJ("[フォルダ名]")) {
      if (NextLine(value)) WriteBold(kHeaderRow, kColumnA, value);
    } else if (line == SJ("[ファイル名]")) {
      if (NextLine(value)) WriteBold(kHeaderRow, kColumnS, value);
    } else if (line == SJ("[引数定義]")) {
      WriteVariableTable(SJ("■引数"), "void", true);
    } else if (line == SJ("[テンポラリ変数]")) {
      WriteVariableTable(SJ("■テンポラリ変数"), "NONE", false);
    } else if (line == SJ("[コール関数（定義なし）]")) {
      WriteCallList("-");
    } else if (line == SJ("[コール関数（定義あり）]")) {
      WriteCallList("None");
    }
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

  void WriteVariable(int row, const std::string& declaration) {
    std::string type, name;
    SplitTypeAndName(declaration, type, name);
    Cell(row, kColumnD).SetValue2(name);
    Cell(row, kColumnL).SetValue2(Blanked(type));
  }

  // The argument and temporary tables: the first entry in the row under
  // the caption, each further one in a row inserted below it.
  void WriteVariableTable(const std::string& caption, const std::string& empty_marker, bool merge_inserted) {
    int row = FindCaption(caption);
    if (row == 0) return;
    ++row;
    std::string line;
    if (!NextLine(line) || line.empty()) return;
    if (line == empty_marker) {
      Cell(row, kColumnD).SetValue2("-");
      for (int column = kColumnL; column <= kColumnL + 4; ++column) Cell(row, column).SetValue2("-");
      return;
    }
    WriteVariable(row, line);
    while (NextLine(line) && !line.empty()) {
      ++row;
      InsertRowAt(row);
      WriteVariable(row, line);
      if (merge_inserted) MergeRowAreas(row);
    }
  }

  // The two called-function lists share the table under "■外部関数": the
  // first list starts in its first row, the second continues below the
  // last row of the first, so neither hides the other. Each list that is
  // "NONE" takes one row with its own marker.
  void WriteCallList(const std::string& none_text) {
    const int caption = FindCaption(SJ("■外部関数"));
    if (caption == 0) return;
    std::string line;
    if (!NextLine(line) || line.empty()) return;
    int row = caption + 1 + call_rows_;
    if (call_rows_ > 0) InsertRowAt(row);
    ++call_rows_;
    if (line == "NONE") {
      Cell(row, kColumnD).SetValue2(none_text);
      Cell(row, kColumnM).SetValue2("-");
      return;
    }
    Cell(row, kColumnD).SetValue2(line);
    while (NextLine(line) && !line.empty()) {
      ++row;
      InsertRowAt(row);
      Cell(row, kColumnD).SetValue2(line);
      ++call_rows_;
    }
  }

  // The body text under "■制御仕様": one empty row, then the function's
  // header line and each body line of SOURCE/<record name> in a row of its
  // own (the file's "[SOURCE]" tag line is not shown).
  void WriteControlSpecification() {
    LineReader source;
    const std::string source_path = work::Path(std::string(work::kSource) + "/" + record_name_);
    const ReadProblem problem = source.OpenWorkFile(source_path);
    if (problem != ReadProblem::kNone) {
      ctx_.Message(SJ("制御仕様ファイル開けず"));
      if (problem != ReadProblem::kMissing) ctx_.log.Finding(source_path, 0, SJ("作業フォルダ"), ReadProblemText(problem));
      return;
    }
    int row = FindCaption(SJ("■制御仕様"));
    if (row == 0) return;
    ++row;
    InsertRowAt(row);
    Cell(row, kColumnD).SetValue2("");
    std::string line;
    bool first = true;
    while (source.ReadLineNoEol(line)) {
      if (first && line == "[SOURCE]") {
        first = false;
        continue;
      }
      first = false;
      ++row;
      InsertRowAt(row);
      Cell(row, kColumnD).SetValue2(line);
    }
  }

  RunContext& ctx_;
  xls::Application& app_;
  LineReader& record_;
  const std::string& record_name_;
  std::optional<xls::Worksheet> sheet_;
  bool stopped_ = false;
  int call_rows_ = 0;  // rows the called-function lists use so far
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

DocStep AddFunctionSheet(RunContext& ctx, xls::Application& app, LineReader& record, const std::string& record_name) {
  return FunctionSheetWriter(ctx, app, record, record_name).Run();
}

}  // namespace kv
