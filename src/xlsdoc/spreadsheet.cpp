#include "xlsdoc/spreadsheet.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/encoding.h"
#include "platform/paths.h"
#include "xlsdoc/sheet_model.h"
#include "xlsdoc/workbook_model.h"

namespace kv::xls {

// ---------------------------------------------------------------------------
// Component state

struct SheetSlot {
  std::shared_ptr<SheetModel> model;  // shared with the cache until changed
};

struct WorkbookState {
  std::string file;      // CP932, as given to Open or SaveAs; empty before
  std::string disk_key;  // absolute UTF-8 disk path; the cache key
  std::vector<std::shared_ptr<SheetSlot>> slots;
  size_t active = 0;
};

namespace {

struct FileStamp {
  bool exists = false;
  uint64_t size = 0;
  int64_t mtime_ns = 0;
  uint64_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StatFile(const std::string& disk_path) {
  struct stat st {};
  FileStamp stamp;
  if (::stat(disk_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
  stamp.exists = true;
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  return stamp;
}

// A saved workbook kept in memory.
struct CachedBook {
  WorkbookModel model;
  FileStamp stamp;     // the file as the component last wrote or read it
  bool dirty = false;  // saved since the file was written
  uint64_t last_use = 0;
  size_t bytes = 0;
};

size_t BookBytes(const WorkbookModel& model) {
  size_t bytes = 0;
  for (const auto& sheet : model.sheets) bytes += sheet->ApproxBytes();
  return bytes;
}

}  // namespace

struct ComponentState {
  ComponentOptions options;
  StyleTable styles;
  std::vector<std::shared_ptr<WorkbookState>> open;  // the last one is active
  std::map<std::string, CachedBook> cache;
  size_t cache_bytes = 0;
  uint64_t clock = 0;
  bool visible = false;
  bool alerts = true;
  bool quit = false;
  SaveViewer viewer;
  Application::Counters counters;

  void Activate(const std::shared_ptr<WorkbookState>& book) {
    auto it = std::find(open.begin(), open.end(), book);
    if (it == open.end() || it + 1 == open.end()) return;
    open.erase(it);
    open.push_back(book);
  }

  void Write(const std::string& key, CachedBook& entry) {
    std::string error;
    if (!WriteXlsx(key, entry.model, styles, error))
      throw AutomationError(AutomationFailure::kSaveFailed, FromDiskName(key) + ": " + error);
    entry.stamp = StatFile(key);
    entry.dirty = false;
    ++counters.files_written;
  }

  void Drop(std::map<std::string, CachedBook>::iterator it) {
    cache_bytes -= it->second.bytes;
    cache.erase(it);
  }

  // Keeps `model` as the saved state of `key`; writes the file unless the
  // file on disk is one the component wrote for this key.
  void Store(const std::string& key, WorkbookModel model) {
    auto it = cache.find(key);
    const FileStamp disk = StatFile(key);
    const bool write_now = it == cache.end() || !disk.exists || !(it->second.stamp == disk);
    CachedBook entry;
    entry.model = std::move(model);
    entry.bytes = BookBytes(entry.model);
    entry.stamp = disk;
    entry.last_use = ++clock;
    if (write_now)
      Write(key, entry);  // on failure the earlier copy stays
    else
      entry.dirty = true;
    if (it != cache.end()) Drop(it);
    cache_bytes += entry.bytes;
    cache.emplace(key, std::move(entry));
    KeepBudget(key);
  }

  // Writes out and drops the least recently used copies (never `keep`)
  // while the copies take more than the budget.
  void KeepBudget(const std::string& keep) {
    while (cache_bytes > options.cache_budget_bytes && cache.size() > 1) {
      auto oldest = cache.end();
      for (auto it = cache.begin(); it != cache.end(); ++it)
        if (it->first != keep && (oldest == cache.end() || it->second.last_use < oldest->second.last_use)) oldest = it;
      if (oldest == cache.end()) return;
      if (oldest->second.dirty) Write(oldest->first, oldest->second);
      Drop(oldest);
      ++counters.evictions;
    }
  }

  // Writes every copy that is newer than its file; the first failure is
  // reported after the others were tried.
  void Flush() {
    std::optional<AutomationError> first;
    for (auto& [key, entry] : cache) {
      if (!entry.dirty) continue;
      try {
        Write(key, entry);
      } catch (const AutomationError& e) {
        if (!first) first = e;
      }
    }
    if (first) throw *first;
  }
};

AutomationError::AutomationError(AutomationFailure failure, const std::string& detail_cp932)
    : std::runtime_error("automation error " + std::to_string(static_cast<int>(failure))),
      failure_(failure),
      detail_(detail_cp932) {}

namespace {

[[noreturn]] void Fail(AutomationFailure failure, const std::string& detail) { throw AutomationError(failure, detail); }

std::shared_ptr<ComponentState> LockComponent(const std::weak_ptr<ComponentState>& component) {
  auto state = component.lock();
  if (!state || state->quit) Fail(AutomationFailure::kObjectGone, "application");
  return state;
}

std::shared_ptr<WorkbookState> LockBook(const std::weak_ptr<WorkbookState>& book) {
  auto state = book.lock();
  if (!state) Fail(AutomationFailure::kObjectGone, "workbook");
  return state;
}

std::shared_ptr<SheetSlot> LockSheet(const std::weak_ptr<SheetSlot>& sheet) {
  auto slot = sheet.lock();
  if (!slot) Fail(AutomationFailure::kObjectGone, "worksheet");
  return slot;
}

size_t SlotIndex(const WorkbookState& book, const SheetSlot* slot) {
  for (size_t i = 0; i < book.slots.size(); ++i)
    if (book.slots[i].get() == slot) return i;
  Fail(AutomationFailure::kObjectGone, "worksheet");
}

// The sheet, copied first when a saved copy shares it.
SheetModel& MutableSheet(SheetSlot& slot) {
  if (slot.model.use_count() > 1) slot.model = std::make_shared<SheetModel>(*slot.model);
  return *slot.model;
}

std::string DiskKey(const std::string& file_cp932) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path = fs::absolute(fs::path(ResolveDiskPath(file_cp932)), ec);
  if (ec) return ResolveDiskPath(file_cp932);
  return path.lexically_normal().string();
}

WorkbookModel Snapshot(const WorkbookState& book) {
  WorkbookModel model;
  model.sheets.reserve(book.slots.size());
  for (const auto& slot : book.slots) model.sheets.push_back(slot->model);
  model.active = book.active;
  return model;
}

std::shared_ptr<WorkbookState> BookFromModel(const WorkbookModel& model) {
  auto book = std::make_shared<WorkbookState>();
  book->slots.reserve(model.sheets.size());
  for (const auto& sheet : model.sheets) book->slots.push_back(std::make_shared<SheetSlot>(SheetSlot{sheet}));
  book->active = model.active < model.sheets.size() ? model.active : 0;
  return book;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool NameTaken(const WorkbookState& book, std::string_view utf8, const SheetSlot* except) {
  for (const auto& slot : book.slots)
    if (slot.get() != except && SameNameIgnoringCase(slot->model->name(), utf8)) return true;
  return false;
}

// " (2)", " (3)"... after the original name without its own number.
std::string CopyName(const WorkbookState& book, const std::string& original) {
  std::string base = original;
  if (base.size() > 4 && base.back() == ')') {
    size_t open = base.rfind(" (");
    if (open != std::string::npos && open + 3 < base.size() &&
        std::all_of(base.begin() + static_cast<long>(open) + 2, base.end() - 1, [](char c) { return c >= '0' && c <= '9'; }))
      base.resize(open);
  }
  for (int k = 2;; ++k) {
    std::string suffix = " (" + std::to_string(k) + ")";
    std::string name = CutUtf8(base, 31 - suffix.size()) + suffix;
    if (!NameTaken(book, name, nullptr)) return name;
  }
}

void CheckSheetName(const WorkbookState& book, const std::string& utf8, const SheetSlot* self,
                    const std::string& name_cp932) {
  size_t length = Utf8Length(utf8);
  bool ok = length >= 1 && length <= 31 && utf8.find_first_of("[]:*?/\\") == std::string::npos &&
            utf8.front() != '\'' && utf8.back() != '\'';
  for (char c : utf8)
    if (static_cast<unsigned char>(c) < 0x20) ok = false;
  if (!ok) Fail(AutomationFailure::kBadArgument, "sheet name " + name_cp932);
  if (NameTaken(book, utf8, self)) Fail(AutomationFailure::kBadArgument, "sheet name in use " + name_cp932);
}

bool IsWholeRows(const CellArea& a) { return a.first_column == 1 && a.last_column == kMaxColumns; }
bool IsWholeColumns(const CellArea& a) { return a.first_row == 1 && a.last_row == kMaxRows; }
constexpr uint64_t kMaxCellsPerOperation = uint64_t{1} << 20;

}  // namespace

// ---------------------------------------------------------------------------
// Range

struct CellRange::Target {
  std::shared_ptr<ComponentState> component;
  std::shared_ptr<WorkbookState> book;
  std::shared_ptr<SheetSlot> slot;
  SheetModel& sheet() const { return MutableSheet(*slot); }
  const SheetModel& view() const { return *slot->model; }
};

CellRange::Target CellRange::Resolve() const {
  Target t{LockComponent(component_), LockBook(book_), LockSheet(sheet_)};
  return t;
}

CellRange CellRange::EntireRow() const {
  Resolve();
  return CellRange(component_, book_, sheet_, {area_.first_row, 1, area_.last_row, kMaxColumns});
}

CellRange CellRange::Item(int row, int column) const {
  Resolve();
  int64_t r = int64_t{area_.first_row} + row - 1, c = int64_t{area_.first_column} + column - 1;
  if (row < 1 || column < 1 || r > kMaxRows || c > kMaxColumns)
    Fail(AutomationFailure::kBadArgument, "Item(" + std::to_string(row) + ", " + std::to_string(column) + ")");
  return CellRange(component_, book_, sheet_, CellArea::Single(static_cast<uint32_t>(r), static_cast<uint32_t>(c)));
}

void CellRange::SetColumnWidth(double width) const {
  Target t = Resolve();
  if (!(width >= 0.0 && width <= 255.0)) Fail(AutomationFailure::kBadArgument, "ColumnWidth");
  t.sheet().SetColumnWidths(area_.first_column, area_.last_column, width);
}

double CellRange::ColumnWidth() const {
  Target t = Resolve();
  return t.view().ColumnWidth(area_.first_column);
}

CellInterior CellRange::Interior() const {
  Resolve();
  return CellInterior(*this);
}

CellBorders CellRange::Borders() const {
  Resolve();
  return CellBorders(*this);
}

CellFont CellRange::Font() const {
  Resolve();
  return CellFont(*this);
}

void CellRange::ChangeStyles(const char* operation, const std::function<void(Style&)>& change) const {
  Target t = Resolve();
  StyleTable& styles = t.component->styles;
  std::unordered_map<uint32_t, uint32_t> memo;
  auto apply = [&](uint32_t id) {
    auto [it, added] = memo.emplace(id, 0);
    if (added) {
      Style s = styles.Get(id);
      change(s);
      it->second = styles.Intern(s);
    }
    return it->second;
  };
  if (area_.is_whole_sheet()) {
    t.sheet().ChangeAllStyles(apply);
    return;
  }
  if (IsWholeRows(area_) || IsWholeColumns(area_) || area_.cell_count() > kMaxCellsPerOperation)
    Fail(AutomationFailure::kNotSupported, std::string(operation) + " on " + FormatArea(area_));
  t.sheet().ChangeStyles(area_, apply);
}

void CellRange::SetMergeCells(bool merge) const {
  Target t = Resolve();
  if (IsWholeRows(area_) || IsWholeColumns(area_))
    Fail(AutomationFailure::kNotSupported, "MergeCells on " + FormatArea(area_));
  if (merge)
    t.sheet().Merge(area_);
  else
    t.sheet().Unmerge(area_);
}

void CellRange::SetWrapText(bool wrap) const {
  ChangeStyles("WrapText", [wrap](Style& s) { s.wrap = wrap; });
}

void CellRange::SetVerticalAlignment(int alignment) const {
  if (alignment != kAlignTop && alignment != kAlignBottom)
    Fail(AutomationFailure::kBadArgument, "VerticalAlignment " + std::to_string(alignment));
  const bool top = alignment == kAlignTop;
  ChangeStyles("VerticalAlignment", [top](Style& s) { s.top = top; });
}

std::string CellRange::Value2() const {
  Target t = Resolve();
  return ToCp932(t.view().Value(area_.first_row, area_.first_column));
}

void CellRange::SetValue2(const std::string& text_cp932) const {
  Target t = Resolve();
  if (IsWholeRows(area_) || IsWholeColumns(area_) || area_.cell_count() > kMaxCellsPerOperation)
    Fail(AutomationFailure::kNotSupported, "Value2 on " + FormatArea(area_));
  const std::string utf8 = ToUtf8(text_cp932);
  SheetModel& sheet = t.sheet();
  for (uint32_t r = area_.first_row; r <= area_.last_row; ++r)
    for (uint32_t c = area_.first_column; c <= area_.last_column; ++c) sheet.SetValue(r, c, utf8);
}

void CellRange::Insert() const {
  Target t = Resolve();
  if (!IsWholeRows(area_)) Fail(AutomationFailure::kNotSupported, "Insert of a part of a row");
  if (!t.sheet().InsertRows(area_.first_row, area_.rows(), t.component->styles))
    Fail(AutomationFailure::kGridFull, "Insert at row " + std::to_string(area_.first_row));
}

void CellBorder::SetLineStyle(int line_style) const {
  auto line = BorderLineFromLineStyle(line_style);
  if (!line) Fail(AutomationFailure::kBadArgument, "LineStyle " + std::to_string(line_style));
  CellArea edge = range_.area();
  switch (edge_) {
    case kEdgeLeft: edge.last_column = edge.first_column; break;
    case kEdgeRight: edge.first_column = edge.last_column; break;
    case kEdgeTop: edge.last_row = edge.first_row; break;
    case kEdgeBottom: edge.first_row = edge.last_row; break;
  }
  const int index = edge_;
  const BorderLine value = *line;
  CellRange(range_.component_, range_.book_, range_.sheet_, edge)
      .ChangeStyles("LineStyle", [index, value](Style& s) { s.edges[static_cast<size_t>(index)] = value; });
}

CellBorder CellBorders::Item(int index) const {
  int edge = EdgeFromBordersIndex(index);
  if (edge < 0) Fail(AutomationFailure::kBadArgument, "Borders(" + std::to_string(index) + ")");
  return CellBorder(range_, edge);
}

void CellInterior::SetColorIndex(int colour_index) const {
  uint32_t fill = kNoFill;
  if (colour_index != kColorIndexNone && colour_index != kColorIndexAutomatic) {
    auto rgb = PaletteColour(colour_index);
    if (!rgb) Fail(AutomationFailure::kBadArgument, "ColorIndex " + std::to_string(colour_index));
    fill = *rgb;
  }
  range_.ChangeStyles("ColorIndex", [fill](Style& s) { s.fill = fill; });
}

void CellFont::SetBold(bool bold) const {
  range_.ChangeStyles("Bold", [bold](Style& s) { s.bold = bold; });
}

void CellFont::SetSize(double points) const {
  if (!(points >= 1.0 && points <= 409.0)) Fail(AutomationFailure::kBadArgument, "Size");
  uint32_t centi = static_cast<uint32_t>(std::lround(points * 100.0));
  range_.ChangeStyles("Size", [centi](Style& s) { s.font_size_centi = centi; });
}

// ---------------------------------------------------------------------------
// Worksheet, worksheets

void Worksheet::Copy(const Worksheet& after) {
  auto component = LockComponent(component_);
  auto book = LockBook(book_);
  auto source = LockSheet(sheet_);
  auto after_book = LockBook(after.book_);
  auto after_slot = LockSheet(after.sheet_);
  if (after_book != book) Fail(AutomationFailure::kNotSupported, "Copy into another workbook");
  size_t position = SlotIndex(*book, after_slot.get()) + 1;
  SlotIndex(*book, source.get());
  auto copy = std::make_shared<SheetSlot>(SheetSlot{std::make_shared<SheetModel>(*source->model)});
  copy->model->set_name(CopyName(*book, source->model->name()));
  book->slots.insert(book->slots.begin() + static_cast<long>(position), copy);
  book->active = position;
  component->Activate(book);
}

void Worksheet::Select() {
  auto component = LockComponent(component_);
  auto book = LockBook(book_);
  auto slot = LockSheet(sheet_);
  book->active = SlotIndex(*book, slot.get());
  component->Activate(book);
}

std::string Worksheet::Name() const {
  LockComponent(component_);
  LockBook(book_);
  return ToCp932(LockSheet(sheet_)->model->name());
}

void Worksheet::SetName(const std::string& name_cp932) {
  LockComponent(component_);
  auto book = LockBook(book_);
  auto slot = LockSheet(sheet_);
  std::string utf8 = ToUtf8(name_cp932);
  CheckSheetName(*book, utf8, slot.get(), name_cp932);
  MutableSheet(*slot).set_name(utf8);
}

CellRange Worksheet::Range(const std::string& cell1, const std::string& cell2) const {
  LockComponent(component_);
  LockBook(book_);
  LockSheet(sheet_);
  auto a = ParseCellRef(cell1);
  auto b = cell2.empty() ? a : ParseCellRef(cell2);
  if (!a || !b) Fail(AutomationFailure::kBadArgument, "Range(" + cell1 + ", " + cell2 + ")");
  return CellRange(component_, book_, sheet_, CellArea::Of(*a, *b));
}

CellRange Worksheet::Cells() const {
  LockComponent(component_);
  LockBook(book_);
  LockSheet(sheet_);
  return CellRange(component_, book_, sheet_, CellArea::WholeSheet());
}

int SheetCollection::Count() const {
  LockComponent(component_);
  return static_cast<int>(LockBook(book_)->slots.size());
}

Worksheet SheetCollection::Item(int index) const {
  LockComponent(component_);
  auto book = LockBook(book_);
  if (index < 1 || static_cast<size_t>(index) > book->slots.size())
    Fail(AutomationFailure::kBadArgument, "Worksheets(" + std::to_string(index) + ")");
  return Worksheet(component_, book_, book->slots[static_cast<size_t>(index - 1)]);
}

// ---------------------------------------------------------------------------
// Workbook, workbooks

namespace {

void AfterSave(ComponentState& component, const WorkbookState& book) {
  if (!component.visible || !component.viewer) return;
  std::string sheet = book.active < book.slots.size() ? ToCp932(book.slots[book.active]->model->name()) : "";
  component.viewer(book.file, sheet);
}

}  // namespace

void Workbook::Save() {
  auto component = LockComponent(component_);
  auto book = LockBook(book_);
  if (book->disk_key.empty()) Fail(AutomationFailure::kNoFileName, "Save");
  component->Store(book->disk_key, Snapshot(*book));
  AfterSave(*component, *book);
}

void Workbook::SaveAs(const std::string& filename_cp932, int access_mode) {
  auto component = LockComponent(component_);
  auto book = LockBook(book_);
  if (access_mode != kAccessModeNoChange) Fail(AutomationFailure::kNotSupported, "SaveAs access mode");
  std::string key = DiskKey(filename_cp932);
  for (const auto& other : component->open)
    if (other != book && other->disk_key == key) Fail(AutomationFailure::kSaveFailed, filename_cp932 + ": open");
  component->Store(key, Snapshot(*book));
  book->file = filename_cp932;
  book->disk_key = key;
  AfterSave(*component, *book);
}

void Workbook::Close() {
  auto component = LockComponent(component_);
  auto book = LockBook(book_);
  std::erase(component->open, book);
}

SheetCollection Workbook::Worksheets() const {
  LockComponent(component_);
  LockBook(book_);
  return SheetCollection(component_, book_);
}

Workbook WorkbookCollection::Add(int template_constant) {
  auto component = LockComponent(component_);
  if (template_constant != kSingleWorksheetTemplate)
    Fail(AutomationFailure::kNotSupported, "Add(" + std::to_string(template_constant) + ")");
  auto book = std::make_shared<WorkbookState>();
  book->slots.push_back(std::make_shared<SheetSlot>(SheetSlot{std::make_shared<SheetModel>("Sheet1")}));
  component->open.push_back(book);
  return Workbook(component_, book);
}

Workbook WorkbookCollection::Open(const std::string& filename_cp932) {
  auto component = LockComponent(component_);
  const std::string key = DiskKey(filename_cp932);
  for (const auto& book : component->open) {
    if (book->disk_key == key) {
      component->Activate(book);
      return Workbook(component_, book);
    }
  }
  const FileStamp disk = StatFile(key);
  if (!disk.exists) Fail(AutomationFailure::kOpenFailed, filename_cp932);
  std::shared_ptr<WorkbookState> book;
  auto cached = component->cache.find(key);
  if (cached != component->cache.end() && cached->second.stamp == disk) {
    book = BookFromModel(cached->second.model);
    cached->second.last_use = ++component->clock;
    ++component->counters.cache_hits;
  } else {
    if (cached != component->cache.end()) component->Drop(cached);
    WorkbookModel model;
    std::string error;
    if (!ReadXlsx(key, component->styles, model, error))
      Fail(AutomationFailure::kOpenFailed, filename_cp932 + ": " + error);
    ++component->counters.files_read;
    book = BookFromModel(model);
    CachedBook entry;
    entry.model = std::move(model);
    entry.bytes = BookBytes(entry.model);
    entry.stamp = disk;
    entry.last_use = ++component->clock;
    component->cache_bytes += entry.bytes;
    component->cache.emplace(key, std::move(entry));
    component->KeepBudget(key);
  }
  book->file = filename_cp932;
  book->disk_key = key;
  component->open.push_back(book);
  return Workbook(component_, book);
}

void SheetWindow::SetZoom(int percent) {
  auto component = LockComponent(component_);
  if (percent < 10 || percent > 400) Fail(AutomationFailure::kBadArgument, "Zoom");
  if (component->open.empty()) Fail(AutomationFailure::kObjectGone, "window");
  WorkbookState& book = *component->open.back();
  MutableSheet(*book.slots[book.active]).set_zoom(percent);
}

// ---------------------------------------------------------------------------
// Application

Application::Application(ComponentOptions options) : state_(std::make_shared<ComponentState>()) {
  state_->options = options;
}

Application::~Application() {
  if (state_->quit) return;
  try {
    state_->Flush();
  } catch (...) {
    // Releasing cannot report; Quit does.
  }
}

void Application::SetVisible(bool visible) { LockComponent(state_)->visible = visible; }
bool Application::Visible() const { return LockComponent(state_)->visible; }
void Application::SetDisplayAlerts(bool alerts) { LockComponent(state_)->alerts = alerts; }

void Application::Quit() {
  auto component = LockComponent(state_);
  component->open.clear();
  component->quit = true;
  try {
    component->Flush();
  } catch (...) {
    component->cache.clear();
    component->cache_bytes = 0;
    throw;
  }
  component->cache.clear();
  component->cache_bytes = 0;
}

WorkbookCollection Application::Workbooks() const {
  LockComponent(state_);
  return WorkbookCollection(state_);
}

SheetCollection Application::Worksheets() const {
  auto component = LockComponent(state_);
  if (component->open.empty()) Fail(AutomationFailure::kObjectGone, "no workbook open");
  return SheetCollection(state_, component->open.back());
}

Worksheet Application::ActiveSheet() const {
  auto component = LockComponent(state_);
  if (component->open.empty()) Fail(AutomationFailure::kObjectGone, "no workbook open");
  const auto& book = component->open.back();
  return Worksheet(state_, book, book->slots[book->active]);
}

SheetWindow Application::ActiveWindow() const {
  LockComponent(state_);
  return SheetWindow(state_);
}

void Application::set_viewer(SaveViewer viewer) { state_->viewer = std::move(viewer); }

Application::Counters Application::counters() const { return state_->counters; }

}  // namespace kv::xls
