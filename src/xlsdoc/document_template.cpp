#include "xlsdoc/document_template.h"

#include <vector>

#include "platform/encoding.h"
#include "platform/paths.h"
#include "xlsdoc/cell_address.h"

namespace kv {
namespace {

constexpr int C = kCaptionColour;
constexpr int D = kDataColour;

// Edge line styles: the four edges of a merged area, and of an outline frame.
constexpr int kAreaLine = 1;
constexpr int kOutlineLine = 7;
constexpr int kEdgeIndices[] = {7, 8, 9, 10};  // left, top, bottom, right

struct MergeEntry {
  std::string top_left;
  std::string bottom_right;
  int colour;
};

struct OutlineEntry {
  std::string top_left;
  std::string bottom_right;
};

struct CaptionEntry {
  int row;
  int column;
  const char* text;  // UTF-8
  bool bold;
  int size;
};

struct SheetLayout {
  std::vector<MergeEntry> merges;
  std::vector<OutlineEntry> outlines;
  std::vector<CaptionEntry> captions;
  const char* unmerged_top_left = nullptr;  // framed and coloured, not merged
};

// --- CoverSheet (module design cover) -------------------------------

SheetLayout CoverLayout() {
  SheetLayout layout;
  layout.merges = {
      {"A7", "C8", C},    {"A9", "C11", C},   {"A12", "C13", C},  {"A14", "C16", C},  {"A17", "C21", C},
      {"D7", "Y8", D},    {"D9", "Y11", D},   {"D12", "Y13", D},  {"D14", "Y14", D},  {"D15", "Y15", D},
      {"D16", "Y16", D},  {"D17", "Y21", D},  {"A30", "B30", C},  {"A31", "B31", D},  {"C30", "F30", C},
      {"C31", "F31", D},  {"G30", "P30", C},  {"G31", "P31", D},  {"Q30", "T30", C},  {"Q31", "T31", D},
      {"U30", "W30", C},  {"U31", "W31", D},  {"X30", "Y30", C},  {"X31", "Y31", D},  {"T1", "Y1", C},
      {"T2", "U2", C},    {"V2", "W2", C},    {"X2", "Y2", C},    {"T3", "U6", D},    {"V3", "W6", D},
      {"X3", "Y6", D},
  };
  layout.outlines = {{"A7", "Y21"}, {"A30", "Y31"}, {"T1", "Y6"}};
  layout.captions = {
      {2, 2, "モジュール仕様書", true, 16}, {7, 1, "ドメイン", true, 11},   {9, 1, "処理概要", true, 11},
      {12, 1, "モジュール番号", true, 11},  {14, 1, "ファイル", true, 11},  {17, 1, "備考", true, 11},
      {29, 1, "■修正履歴", true, 11},       {30, 1, "VER", true, 11},       {30, 3, "修正概要", true, 11},
      {30, 7, "変更詳細", true, 11},         {30, 17, "変更モジュール", true, 11}, {30, 21, "日付", true, 11},
      {30, 24, "担当", true, 11},            {1, 22, " ", false, 11},        {2, 20, "最終承認", false, 11},
      {2, 22, "1次承認", false, 11},         {2, 24, "作成担当", false, 11},
  };
  return layout;
}

// --- ModuleSheet (module definition) ---------------------------------------
//
// Nine tables of three rows: a label block in B:D over the three rows, one
// header row and two data rows. A column set lists the areas of a row, from
// the first column letter to the last, with the header caption of each.

struct ColumnArea {
  const char* first;
  const char* last;
  const char* caption;  // header row only
};
using ColumnSet = std::vector<ColumnArea>;

const ColumnSet kFunctionColumns = {
    {"E", "M", "関数名称"}, {"N", "X", "処理概要"}, {"Y", "Y", "REV1"}, {"Z", "Z", "REV2"}};
const ColumnSet kVariableColumns = {{"E", "L", "変数名"}, {"M", "M", "R/W"}, {"N", "N", "型"}, {"O", "O", "LSB"},
                                    {"P", "P", "MAX"},    {"Q", "Q", "MIN"}, {"R", "Z", "説明"}};
const ColumnSet kDefineColumns = {{"E", "L", "定義名"}, {"M", "O", "値"}, {"P", "Z", "説明"}};
const ColumnSet kFixedDefinitionColumns = {{"E", "L", "定義名"}, {"M", "M", "R/W"}, {"N", "N", "型"},
                                           {"O", "O", "LSB"},    {"P", "P", "MAX"}, {"Q", "Q", "MIN"},
                                           {"R", "Z", "説明"}};

struct ModuleTable {
  int first_row;
  const char* label;
  bool label_bold;
  const ColumnSet* header;
  const ColumnSet* data;
};

const ModuleTable kModuleTables[] = {
    {5, "公開関数", true, &kFunctionColumns, &kFunctionColumns},
    {8, "内部関数", true, &kFunctionColumns, &kFunctionColumns},
    {14, "公開変数", true, &kVariableColumns, &kVariableColumns},
    {17, "内部変数", true, &kVariableColumns, &kVariableColumns},
    {23, "固定定数", true, &kVariableColumns, &kVariableColumns},
    // The data rows of the define table take the header's areas, so that a
    // value and its description stand under 値 and 説明.
    {29, "define", false, &kDefineColumns, &kDefineColumns},
    {36, "外部変数", true, &kVariableColumns, &kVariableColumns},
    {40, "固定定義", true, &kFixedDefinitionColumns, &kVariableColumns},
    {44, "外部定数", true, &kDefineColumns, &kDefineColumns},
};

int ColumnNumber(const char* letters) { return static_cast<int>(xls::ParseCellRef(std::string(letters) + "1")->column); }

const ColumnSet* DataColumns(int header_row) {
  for (const ModuleTable& table : kModuleTables)
    if (table.first_row == header_row) return table.data;
  return nullptr;
}

SheetLayout ModuleLayout() {
  SheetLayout layout;
  for (const ModuleTable& table : kModuleTables) {
    const std::string first = std::to_string(table.first_row);
    layout.merges.push_back({"B" + first, "D" + std::to_string(table.first_row + 2), C});
    layout.captions.push_back({table.first_row, 2, table.label, table.label_bold, 9});
    for (const ColumnArea& area : *table.header) {
      layout.merges.push_back({area.first + first, area.last + first, C});
      layout.captions.push_back({table.first_row, ColumnNumber(area.first), area.caption, false, 9});
    }
    for (int row = table.first_row + 1; row <= table.first_row + 2; ++row)
      for (const ColumnArea& area : *table.data)
        layout.merges.push_back({area.first + std::to_string(row), area.last + std::to_string(row), D});
  }
  const CaptionEntry headings[] = {
      {2, 1, "○ファイル内モジュール定義", true, 16}, {4, 2, "■関数一覧", true, 12},
      {13, 2, "■変数一覧", true, 12},                 {22, 2, "■固定定数一覧", true, 12},
      {28, 2, "■定義一覧（define）", true, 12},       {34, 1, "○ファイル外データ定義", true, 16},
      // The external-variable table (rows 36-38) gets its heading in the free
      // row above it, like the tables of the first part.
      {35, 2, "■外部変数", true, 12},
  };
  layout.captions.insert(layout.captions.end(), std::begin(headings), std::end(headings));
  return layout;
}

// --- FunctionSheet (function detail) ---------------------------------------

// The merged areas of a table row: header (caption colour) or data row.
void AddRowAreas(SheetLayout& layout, int row, const std::vector<std::pair<const char*, const char*>>& columns,
                 int colour) {
  for (const auto& [first, last] : columns)
    layout.merges.push_back({first + std::to_string(row), last + std::to_string(row), colour});
}

SheetLayout FunctionLayout() {
  const std::vector<std::pair<const char*, const char*>> kTableColumns = {{"D", "K"}, {"L", "L"}, {"M", "M"},
                                                                          {"N", "N"}, {"O", "O"}, {"P", "W"}};
  const std::vector<std::pair<const char*, const char*>> kCallColumns = {{"D", "L"}, {"M", "W"}};
  SheetLayout layout;
  layout.merges = {{"A1", "C1", C},  {"D1", "R1", C},  {"S1", "W1", C},  {"A5", "B6", C}, {"C5", "C5", C},
                   {"C6", "C6", C},  {"D5", "W5", D},  {"D6", "W6", D},  {"A7", "C7", C}, {"D7", "W7", D},
                   {"A8", "C10", C}, {"D8", "W10", D}};
  for (int caption_row : {11, 14, 17}) {
    layout.merges.push_back({"A" + std::to_string(caption_row), "C" + std::to_string(caption_row + 2), C});
    AddRowAreas(layout, caption_row, kTableColumns, C);
    AddRowAreas(layout, caption_row + 1, kTableColumns, D);
    AddRowAreas(layout, caption_row + 2, kTableColumns, D);
  }
  layout.merges.push_back({"A20", "C22", C});
  AddRowAreas(layout, 20, kCallColumns, C);
  AddRowAreas(layout, 21, kCallColumns, D);
  AddRowAreas(layout, 22, kCallColumns, D);
  layout.merges.push_back({"A23", "C26", C});
  layout.merges.push_back({"D23", "W26", D});
  layout.merges.push_back({"A30", "C40", C});
  layout.merges.push_back({"D30", "W40", D});
  layout.unmerged_top_left = "D30";
  layout.outlines = {{"A1", "W26"}, {"A30", "W40"}};

  layout.captions = {{3, 1, "モジュール詳細仕様書", true, 16}, {5, 1, "■関数定義", true, 9},
                     {5, 3, "型", true, 9},                   {6, 3, "名称", true, 9},
                     {7, 1, "■関数概要", true, 9},             {8, 1, "■処理内容", true, 9},
                     {11, 1, "■引数", true, 9},                {14, 1, "■戻り値", true, 9},
                     {17, 1, "■テンポラリ変数", true, 9},      {20, 1, "■外部関数", true, 9},
                     {23, 1, "■備考", true, 9},                {30, 1, "■制御仕様", true, 9}};
  for (int header_row : {11, 14, 17}) {
    const CaptionEntry headers[] = {{header_row, 4, "名称", false, 9}, {header_row, 12, "型", false, 9},
                                    {header_row, 13, "LSB", false, 9}, {header_row, 14, "MAX", false, 9},
                                    {header_row, 15, "MIN", false, 9}, {header_row, 16, "説明", false, 9}};
    layout.captions.insert(layout.captions.end(), std::begin(headers), std::end(headers));
  }
  layout.captions.push_back({20, 4, "名称", false, 9});
  layout.captions.push_back({20, 13, "説明", false, 9});
  return layout;
}

DocStep FormatSheet(RunContext& ctx, xls::Application& app, xls::Worksheet sheet, const SheetLayout& layout) {
  sheet.Cells().SetColumnWidth(4.0);
  sheet.Cells().Interior().SetColorIndex(kDataColour);
  for (const MergeEntry& entry : layout.merges) {
    if (ctx.StopRequested()) return DocStep::kStopped;
    xls::CellRange range = sheet.Range(entry.top_left, entry.bottom_right);
    for (int edge : kEdgeIndices) range.Borders().Item(edge).SetLineStyle(kAreaLine);
    range.Interior().SetColorIndex(entry.colour);
    const bool merged = layout.unmerged_top_left == nullptr || entry.top_left != layout.unmerged_top_left;
    range.SetMergeCells(merged);
  }
  for (const OutlineEntry& entry : layout.outlines) {
    if (ctx.StopRequested()) return DocStep::kStopped;
    xls::CellRange range = sheet.Range(entry.top_left, entry.bottom_right);
    for (int edge : kEdgeIndices) range.Borders().Item(edge).SetLineStyle(kOutlineLine);
  }
  for (const CaptionEntry& caption : layout.captions) {
    xls::CellRange cell = sheet.Cells().Item(caption.row, caption.column);
    cell.SetValue2(ToCp932(caption.text));
    cell.Font().SetBold(caption.bold);
    cell.Font().SetSize(caption.size);
  }
  app.ActiveWindow().SetZoom(100);
  return DocStep::kDone;
}

}  // namespace

const std::string& CoverSheetName() { return SJ("表紙"); }
const std::string& ModuleSheetName() { return SJ("モジュール定義"); }
const std::string& FunctionSheetTemplateName() { return SJ("関数雛形"); }

std::vector<ColumnSpan> ModuleDataAreas(int header_row) {
  std::vector<ColumnSpan> spans;
  if (const ColumnSet* columns = DataColumns(header_row))
    for (const ColumnArea& area : *columns) spans.push_back({ColumnNumber(area.first), ColumnNumber(area.last)});
  return spans;
}

DocStep BuildDocumentTemplate(RunContext& ctx, xls::Application& app, const std::string& folder) {
  const std::string path = JoinPath(folder, kTemplateFileName);
  if (PathExists(path)) DeleteFile(path);

  xls::Workbook book = app.Workbooks().Add(xls::kSingleWorksheetTemplate);
  for (int i = 0; i < 2; ++i) {
    int n = app.Worksheets().Count();
    app.Worksheets().Item(1).Copy(app.Worksheets().Item(n));
  }
  const SheetLayout layouts[] = {CoverLayout(), ModuleLayout(), FunctionLayout()};
  for (int index = kCoverSheet; index <= kFunctionSheet; ++index) {
    xls::Worksheet sheet = app.Worksheets().Item(index);
    if (index != kCoverSheet) {
      sheet.Select();
      sheet = app.ActiveSheet();
    }
    if (FormatSheet(ctx, app, sheet, layouts[index - 1]) == DocStep::kStopped) return DocStep::kStopped;
  }
  // Named for what they are (the application named them Sheet1, Sheet1 (2)...).
  app.Worksheets().Item(kCoverSheet).SetName(CoverSheetName());
  app.Worksheets().Item(kModuleSheet).SetName(ModuleSheetName());
  app.Worksheets().Item(kFunctionSheet).SetName(FunctionSheetTemplateName());
  book.SaveAs(path, xls::kAccessModeNoChange);
  book.Close();
  return DocStep::kDone;
}

}  // namespace kv
