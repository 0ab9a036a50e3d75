#include "xlsdoc/module_sheets.h"

#include <algorithm>

#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "run/work_folder.h"
#include "xlsdoc/cell_address.h"
#include "xlsdoc/document_template.h"
#include "xlsdoc/function_sheet.h"
#include "xlsdoc/sheet_model.h"

namespace kv {
namespace {

constexpr double kColumnWidth = 4.0;  // every column of the template

// Where things are on the cover.
constexpr int kColumnC = 3;
constexpr int kColumnD = 4;
constexpr int kColumnQ = 17;
constexpr int kColumnU = 21;
constexpr int kDomainRow = 7;
constexpr int kSummaryRow = 9;   // D9:Y11
constexpr int kSummaryRows = 3;
constexpr int kFileRow = 14;     // D14, and the path in D15
constexpr int kNotesRow = 17;    // D17:Y21
constexpr int kNotesRows = 5;
constexpr int kHistoryRow = 31;  // the first row of the revision history
constexpr int kCoverTextColumns = 22;  // D:Y
constexpr int kMaxAreaRows = 500;       // a text area grows to this many rows at most

// The tables of the module-definition sheet (their header rows).
constexpr int kPublicFunctions = 5;
constexpr int kInternalFunctions = 8;
constexpr int kPublicVariables = 14;
constexpr int kInternalVariables = 17;
constexpr int kConstants = 23;
constexpr int kDefines = 29;
constexpr int kExternals = 36;
constexpr int kDataRows = 2;

constexpr int kColumnE = 5;
constexpr int kColumnM = 13;
constexpr int kColumnN = 14;
constexpr int kColumnP = 16;
constexpr int kColumnR = 18;

std::string JoinLines(const TextLines& lines) {
  std::string out;
  for (const std::string& line : lines) {
    if (!out.empty()) out += '\n';
    out += line;
  }
  return out;
}

int HeaderRowOf(ItemKind kind) {
  switch (kind) {
    case ItemKind::kPublicVariable: return kPublicVariables;
    case ItemKind::kInternalVariable: return kInternalVariables;
    case ItemKind::kConstant: return kConstants;
    case ItemKind::kExternal: return kExternals;
    case ItemKind::kDefine: return kDefines;
  }
  return kPublicVariables;
}

// One cell of a table row: a text, and the number of template columns its
// area spans (for texts longer than the area, which then wrap).
struct RowCell {
  int column;
  std::string text;
  int columns;
};

class ModuleSheetsWriter {
 public:
  ModuleSheetsWriter(xls::Application& app, const ModuleFacts& facts) : app_(app), facts_(facts) {}

  void Run() {
    WriteCover(app_.Worksheets().Item(kCoverSheet));
    WriteModuleSheet(app_.Worksheets().Item(kModuleSheet));
  }

 private:
  static xls::CellRange Cell(const xls::Worksheet& sheet, int row, int column) {
    return sheet.Cells().Item(row, column);
  }

  static void WrapFromTop(const xls::CellRange& cell) {
    cell.SetWrapText(true);
    cell.SetVerticalAlignment(xls::kAlignTop);
  }

  // A text in an area `columns` template columns wide: wrapped when it has
  // line breaks or is wider than the area.
  static void WriteFitted(const xls::Worksheet& sheet, int row, int column, const std::string& text, int columns) {
    if (text.empty()) return;
    xls::CellRange cell = Cell(sheet, row, column);
    cell.SetValue2(text);
    if (text.find('\n') != std::string::npos || ColumnWidthFor(text) > columns * kColumnWidth) WrapFromTop(cell);
  }

  // A text in an area of `rows` rows from `row`; rows are inserted inside
  // it when the text needs more lines. Returns the rows inserted.
  static int WriteArea(const xls::Worksheet& sheet, int row, int rows, const TextLines& lines) {
    if (lines.empty()) return 0;
    const std::string text = JoinLines(lines);
    xls::CellRange cell = Cell(sheet, row, kColumnD);
    cell.SetValue2(text);
    WrapFromTop(cell);
    const int needed = static_cast<int>(xls::WrappedLineCount(ToUtf8(text), kCoverTextColumns * kColumnWidth));
    const int extra = std::max(0, std::min(needed, kMaxAreaRows) - rows);
    for (int i = 0; i < extra; ++i) Cell(sheet, row + 1, 1).EntireRow().Insert();
    return extra;
  }

  void WriteCover(const xls::Worksheet& sheet) {
    int offset = 0;
    Cell(sheet, kDomainRow, kColumnD).SetValue2(facts_.folder_name);
    offset += WriteArea(sheet, kSummaryRow, kSummaryRows, facts_.summary);
    Cell(sheet, kFileRow + offset, kColumnD).SetValue2(facts_.file_name);
    Cell(sheet, kFileRow + 1 + offset, kColumnD).SetValue2(facts_.path);
    offset += WriteArea(sheet, kNotesRow + offset, kNotesRows, facts_.notes);
    const int history = kHistoryRow + offset;
    Cell(sheet, history, kColumnC).SetValue2(SJ("新規作成"));
    Cell(sheet, history, kColumnQ).SetValue2(facts_.file_name);
    Cell(sheet, history, kColumnU).SetValue2(facts_.date);
  }

  void WriteModuleSheet(const xls::Worksheet& sheet) {
    std::map<int, std::vector<std::vector<RowCell>>> tables;  // header row -> rows
    for (const ModuleFunction& f : facts_.functions)
      tables[f.is_static ? kInternalFunctions : kPublicFunctions].push_back(
          {{kColumnE, f.name, 9}, {kColumnN, JoinLines(f.summary), 11}});
    double type_width = kColumnWidth;
    for (const DescribedItem& item : facts_.items) {
      const std::string text = JoinLines(item.lines);
      if (item.kind == ItemKind::kDefine) {
        tables[kDefines].push_back({{kColumnE, item.name, 8}, {kColumnM, item.value, 3}, {kColumnP, text, 11}});
        continue;
      }
      tables[HeaderRowOf(item.kind)].push_back({{kColumnE, item.name, 8}, {kColumnN, item.type, 1}, {kColumnR, text, 9}});
      type_width = std::max(type_width, ColumnWidthFor(item.type));
    }
    // Top to bottom: the rows a table gains move the tables below it.
    int offset = 0;
    for (const auto& [header, rows] : tables) offset += WriteTable(sheet, header, header + offset, rows);
    // Column N holds the types: it fits the longest.
    if (type_width > kColumnWidth) sheet.Range("N1", "N1").Columns().SetColumnWidth(type_width);
  }

  // Rows of one table (`template_header` its header row in the template,
  // now at `header`); returns the rows inserted.
  static int WriteTable(const xls::Worksheet& sheet, int template_header, int header,
                        const std::vector<std::vector<RowCell>>& rows) {
    const int extra = std::max(0, static_cast<int>(rows.size()) - kDataRows);
    const std::vector<ColumnSpan> areas = ModuleDataAreas(template_header);
    // Inserted inside the table (above its last row), so its label block
    // grows with it; the new rows get the table's areas.
    for (int i = 0; i < extra; ++i) {
      const int row = header + kDataRows;
      Cell(sheet, row, 1).EntireRow().Insert();
      for (const ColumnSpan& span : areas) {
        if (span.first == span.last) continue;
        const std::string r = std::to_string(row);
        sheet.Range(xls::ColumnLetters(static_cast<uint32_t>(span.first)) + r,
                    xls::ColumnLetters(static_cast<uint32_t>(span.last)) + r)
            .SetMergeCells(true);
      }
    }
    for (size_t i = 0; i < rows.size(); ++i)
      for (const RowCell& cell : rows[i])
        WriteFitted(sheet, header + 1 + static_cast<int>(i), cell.column, cell.text, cell.columns);
    return extra;
  }

  xls::Application& app_;
  const ModuleFacts& facts_;
};

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The summary a final record gives its function, when the record is the
// one of this file's function.
bool RecordSummary(const std::string& name, const FileDescriptions& file, TextLines& summary) {
  if (!work::IsSafeComponent(name)) return false;
  std::string bytes;
  if (ReadWorkFileBytes(work::Path(std::string(work::kFunctionList4) + "/" + name), bytes) != ReadProblem::kNone)
    return false;
  const std::string text = StripCarriageReturns(bytes);
  std::string tag, file_name, folder_name;
  bool at_tag = true, found = false;
  TextLines lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty()) {
      at_tag = true;
      if (tag == description_tag::Summary()) break;
      continue;
    }
    if (at_tag) {
      tag = line;
      at_tag = false;
      found |= tag == description_tag::Summary();
      continue;
    }
    if (tag == SJ("[ファイル名]") && file_name.empty()) file_name = line;
    if (tag == SJ("[フォルダ名]") && folder_name.empty()) folder_name = line;
    if (tag == description_tag::Summary() && line != "NONE") lines.push_back(line);
  }
  if (!found || file_name != file.file_name || folder_name != file.folder_name) return false;
  summary = std::move(lines);
  return true;
}

}  // namespace

void FillModuleSheets(xls::Application& app, const ModuleFacts& facts) { ModuleSheetsWriter(app, facts).Run(); }

const FileDescriptions* DescriptionFiles::Find(const std::string& file_name, const std::string& folder_name) {
  auto [it, added] = files_.try_emplace(file_name);
  if (added) {
    for (int n = 1;; ++n) {
      std::string bytes;
      const std::string path = DescriptionFilePath(file_name, n);
      if (ReadWorkFileBytes(path, bytes) != ReadProblem::kNone) break;
      it->second.push_back(std::make_unique<FileDescriptions>(ParseDescriptionFile(StripCarriageReturns(bytes))));
    }
  }
  for (const auto& file : it->second)
    if (file->folder_name == folder_name && file->file_name == file_name) return file.get();
  return nullptr;
}

const DescribedFunction* DescriptionFiles::FindFunction(const FileDescriptions* file, const std::string& name) {
  if (file == nullptr) return nullptr;
  for (const DescribedFunction& f : file->functions)
    if (f.name == name) return &f;
  for (const DescribedFunction& f : file->functions)
    if (SameIgnoringAsciiCase(f.name, name)) return &f;
  return nullptr;
}

ModuleFacts DescriptionFiles::Facts(const FileDescriptions& file, const std::string& date) {
  ModuleFacts facts;
  facts.folder_name = file.folder_name;
  facts.file_name = file.file_name;
  facts.path = file.path;
  facts.date = date;
  facts.summary = file.summary;
  facts.notes = file.notes;
  facts.items = file.items;
  for (const DescribedFunction& f : file.functions) {
    ModuleFunction function{f.name, f.is_static, f.description.summary};
    RecordSummary(f.name, file, function.summary);
    facts.functions.push_back(std::move(function));
  }
  return facts;
}

}  // namespace kv
