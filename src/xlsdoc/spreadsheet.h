// The spreadsheet component: the object model the design documents drive
// (application, workbooks, workbook, worksheets, worksheet, range, borders,
// border, interior, font, window), in process. Workbooks are kept in memory
// and saved as .xlsx files.
//
// Objects are handles, like the dispatch pointers of an automation server:
// cheap to copy, and every call on a handle whose object has gone (a closed
// workbook, an application that quit) raises AutomationError, as does every
// call the component cannot carry out. Texts crossing this interface are
// CP932, as everywhere in the program; the component keeps UTF-8 inside.
//
// Saving. A file that the component has written or read stays in its memory
// after the workbook is closed; opening it again takes that copy as long as
// the file on disk is still the one the component left there. The first
// Save of a file writes it at once; a later Save of a file the component
// already wrote only marks the copy as newer, and the file is rewritten when
// the application quits (or is released, or when the copies outgrow the
// memory budget). So a run that opens, extends and saves the same workbook
// for each of a thousand functions writes it once or twice, not a thousand
// times, and the files on disk at the end are what was saved.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "xlsdoc/cell_address.h"
#include "xlsdoc/cell_style.h"

namespace kv::xls {

enum class AutomationFailure {
  kObjectGone = 1,     // the object was closed or the application quit
  kBadArgument = 2,    // an index, address, value or name the object refuses
  kOpenFailed = 3,     // the file is missing or not a workbook
  kSaveFailed = 4,     // the file could not be written
  kNoFileName = 5,     // Save of a workbook that has never been saved
  kGridFull = 6,       // an insertion would push cells off the sheet
  kNotSupported = 7,   // an operation this component does not offer
};

class AutomationError : public std::runtime_error {
 public:
  AutomationError(AutomationFailure failure, const std::string& detail_cp932);
  AutomationFailure failure() const { return failure_; }
  int code() const { return static_cast<int>(failure_); }
  // CP932: what failed, e.g. the file name.
  const std::string& detail() const { return detail_; }

 private:
  AutomationFailure failure_;
  std::string detail_;
};

// Template constant of Workbooks.Add for a workbook of one worksheet.
inline constexpr int kSingleWorksheetTemplate = -4167;
// SaveAs access mode "no change".
inline constexpr int kAccessModeNoChange = 1;

struct ComponentState;
struct WorkbookState;
struct SheetSlot;

class CellInterior;
class CellBorders;
class CellFont;

class CellRange {
 public:
  CellRange(std::weak_ptr<ComponentState> component, std::weak_ptr<WorkbookState> book,
            std::weak_ptr<SheetSlot> sheet, CellArea area)
      : component_(std::move(component)), book_(std::move(book)), sheet_(std::move(sheet)), area_(area) {}

  const CellArea& area() const { return area_; }

  CellRange Cells() const { return *this; }
  CellRange Columns() const { return *this; }
  CellRange EntireRow() const;
  // The cell at (row, column) counted from this range's top-left cell.
  CellRange Item(int row, int column) const;

  void SetColumnWidth(double width) const;
  // ColumnWidth (get): the width of the range's first column.
  double ColumnWidth() const;
  CellInterior Interior() const;
  CellBorders Borders() const;
  CellFont Font() const;
  void SetMergeCells(bool merge) const;
  // WrapText (put): the text breaks into lines.
  void SetWrapText(bool wrap) const;
  // VerticalAlignment (put): kAlignTop or kAlignBottom.
  void SetVerticalAlignment(int alignment) const;

  // Plain text (CP932). Value2 of a larger range is its top-left cell's.
  std::string Value2() const;
  void SetValue2(const std::string& text_cp932) const;

  // Inserts as many whole rows above this range as it has rows; the range
  // must be whole rows (EntireRow).
  void Insert() const;

 private:
  friend class CellBorder;
  friend class CellInterior;
  friend class CellFont;
  struct Target;
  Target Resolve() const;
  // Applies `change` to the format of every cell of the range.
  void ChangeStyles(const char* operation, const std::function<void(Style&)>& change) const;

  std::weak_ptr<ComponentState> component_;
  std::weak_ptr<WorkbookState> book_;
  std::weak_ptr<SheetSlot> sheet_;
  CellArea area_;
};

class CellBorder {
 public:
  // The LineStyle values of BorderLineFromLineStyle (1 continuous, 7 frame...).
  void SetLineStyle(int line_style) const;

 private:
  friend class CellBorders;
  CellBorder(CellRange range, int edge) : range_(std::move(range)), edge_(edge) {}
  CellRange range_;
  int edge_;
};

class CellBorders {
 public:
  // 7 left, 8 top, 9 bottom, 10 right.
  CellBorder Item(int index) const;

 private:
  friend class CellRange;
  explicit CellBorders(CellRange range) : range_(std::move(range)) {}
  CellRange range_;
};

class CellInterior {
 public:
  // The default palette's index (1..56), or -4142 / -4105 for no fill.
  void SetColorIndex(int colour_index) const;

 private:
  friend class CellRange;
  explicit CellInterior(CellRange range) : range_(std::move(range)) {}
  CellRange range_;
};

class CellFont {
 public:
  void SetBold(bool bold) const;
  void SetSize(double points) const;  // 1..409

 private:
  friend class CellRange;
  explicit CellFont(CellRange range) : range_(std::move(range)) {}
  CellRange range_;
};

class Worksheet {
 public:
  Worksheet(std::weak_ptr<ComponentState> component, std::weak_ptr<WorkbookState> book, std::weak_ptr<SheetSlot> sheet)
      : component_(std::move(component)), book_(std::move(book)), sheet_(std::move(sheet)) {}

  // Copies this sheet after `after` (a sheet of the same workbook); the copy
  // is named like this one with " (2)", " (3)"... and becomes the active
  // sheet.
  void Copy(const Worksheet& after);
  void Select();
  std::string Name() const;
  // 1 to 31 characters, none of []:*?/\, unique in the workbook ignoring case.
  void SetName(const std::string& name_cp932);
  CellRange Range(const std::string& cell1, const std::string& cell2) const;
  CellRange Cells() const;

 private:
  friend class SheetCollection;
  std::weak_ptr<ComponentState> component_;
  std::weak_ptr<WorkbookState> book_;
  std::weak_ptr<SheetSlot> sheet_;
};

class SheetCollection {
 public:
  int Count() const;
  Worksheet Item(int index) const;  // 1-based

 private:
  friend class Application;
  friend class Workbook;
  SheetCollection(std::weak_ptr<ComponentState> component, std::weak_ptr<WorkbookState> book)
      : component_(std::move(component)), book_(std::move(book)) {}
  std::weak_ptr<ComponentState> component_;
  std::weak_ptr<WorkbookState> book_;
};

class Workbook {
 public:
  void Save();
  // The workbook is saved as .xlsx whatever the name's extension.
  void SaveAs(const std::string& filename_cp932, int access_mode = kAccessModeNoChange);
  // Closes without saving.
  void Close();
  SheetCollection Worksheets() const;

 private:
  friend class WorkbookCollection;
  Workbook(std::weak_ptr<ComponentState> component, std::weak_ptr<WorkbookState> book)
      : component_(std::move(component)), book_(std::move(book)) {}
  std::weak_ptr<ComponentState> component_;
  std::weak_ptr<WorkbookState> book_;
};

class WorkbookCollection {
 public:
  // A new workbook of one sheet named "Sheet1" (only the single-worksheet
  // template is offered).
  Workbook Add(int template_constant);
  // Opens an .xlsx file (CP932 path, found ignoring case).
  Workbook Open(const std::string& filename_cp932);

 private:
  friend class Application;
  explicit WorkbookCollection(std::weak_ptr<ComponentState> component) : component_(std::move(component)) {}
  std::weak_ptr<ComponentState> component_;
};

class SheetWindow {
 public:
  void SetZoom(int percent);  // 10..400, on the active sheet

 private:
  friend class Application;
  explicit SheetWindow(std::weak_ptr<ComponentState> component) : component_(std::move(component)) {}
  std::weak_ptr<ComponentState> component_;
};

// Told, while the application is visible, of each workbook saved: its file
// name as given (CP932) and the name of its active sheet (CP932).
using SaveViewer = std::function<void(const std::string& file, const std::string& active_sheet)>;

struct ComponentOptions {
  // Memory the kept copies of saved workbooks may take before the least
  // recently used ones are written out and dropped.
  size_t cache_budget_bytes = size_t{512} << 20;
};

class Application {
 public:
  explicit Application(ComponentOptions options = {});
  // Releasing the application writes what was saved and not yet written,
  // ignoring failures (Quit reports them).
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  void SetVisible(bool visible);
  bool Visible() const;
  void SetDisplayAlerts(bool alerts);
  // Writes every saved workbook not yet written, closes the open workbooks
  // without saving them and ends the application; every handle then fails.
  void Quit();

  WorkbookCollection Workbooks() const;
  SheetCollection Worksheets() const;  // of the active workbook
  Worksheet ActiveSheet() const;
  SheetWindow ActiveWindow() const;

  void set_viewer(SaveViewer viewer);

  // What the cache did (for tests and benchmarks).
  struct Counters {
    int files_written = 0;
    int files_read = 0;
    int cache_hits = 0;
    int evictions = 0;
  };
  Counters counters() const;

 private:
  std::shared_ptr<ComponentState> state_;
};

}  // namespace kv::xls
