// WriteXlsx: the workbook model through libxlsxwriter.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>

#include <xlsxwriter.h>

#include "platform/text_file.h"
#include "xlsdoc/workbook_model.h"

namespace kv::xls {
namespace {

// The first failure of a temporary file of the workbook being written (see
// lxw_tmpfile below), with the call that failed; 0 while there is none.
// libxlsxwriter calls back on the thread that closes the workbook.
thread_local int t_temp_failure = 0;
thread_local const char* t_temp_failed_call = "";

void NoteTempFailure(const char* call) {
  if (t_temp_failure != 0) return;
  t_temp_failure = errno != 0 ? errno : EIO;
  t_temp_failed_call = call;
}

// A temporary file of libxlsxwriter: an unnamed file behind a stdio stream
// whose every read, write, seek and close is checked.
struct TempFile {
  int fd = -1;
};

ssize_t TempRead(void* cookie, char* buffer, size_t size) {
  for (;;) {
    ssize_t n = ::read(static_cast<TempFile*>(cookie)->fd, buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    NoteTempFailure("read");
    return -1;
  }
}

ssize_t TempWrite(void* cookie, const char* data, size_t size) {
  if (WriteAll(static_cast<TempFile*>(cookie)->fd, data, size)) return static_cast<ssize_t>(size);
  NoteTempFailure("write");
  return -1;
}

int TempSeek(void* cookie, off64_t* offset, int whence) {
  const off_t at = ::lseek(static_cast<TempFile*>(cookie)->fd, *offset, whence);
  if (at < 0) {
    NoteTempFailure("seek");
    return -1;
  }
  *offset = at;
  return 0;
}

int TempClose(void* cookie) {
  TempFile* file = static_cast<TempFile*>(cookie);
  const int result = ::close(file->fd);
  if (result != 0) NoteTempFailure("close");
  delete file;
  return result;
}

// An unnamed file in `folder` (nothing is left behind whatever happens),
// or a file made and unlinked at once where the file system has no
// unnamed files; -1 when neither can be made.
int OpenTempFile(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != ENOENT)) return fd;
  std::string name = folder + "/kavenor-xlsx-XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsEscapeAt(std::string_view text, size_t i) {
  if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return false;
  return IsHex(text[i + 2]) && IsHex(text[i + 3]) && IsHex(text[i + 4]) && IsHex(text[i + 5]);
}

// libxlsxwriter wants black as its own constant: 0 means "no colour".
lxw_color_t LxwColour(uint32_t rgb) { return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb; }

// The row height for the largest font of a row's texts: the spreadsheet
// grows a row to fit a large font; 15 points is the standard height.
double RowHeightFor(uint32_t font_size_centi) {
  double height = font_size_centi / 100.0 * 1.3125;
  return height < 15.0 ? 15.0 : height;
}

class XlsxWriter {
 public:
  XlsxWriter(const WorkbookModel& book, const StyleTable& styles) : book_(book), styles_(styles) {}

  bool Write(const std::string& path, const std::string& temp_folder, std::string& error) {
    lxw_workbook_options options{};
    // Not the row-by-row mode: it keeps a 16384-column array per sheet, more
    // than the cells of a sheet of this component take.
    options.constant_memory = LXW_FALSE;
    std::string tmpdir = temp_folder;
    options.tmpdir = tmpdir.empty() ? nullptr : tmpdir.data();
    options.use_zip64 = LXW_TRUE;
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (workbook_ == nullptr) {
      error = "cannot create the workbook";
      return false;
    }
    formats_.assign(styles_.size(), nullptr);
    std::vector<lxw_worksheet*> sheets;
    for (const auto& sheet : book_.sheets) {
      lxw_worksheet* ws = workbook_add_worksheet(workbook_, sheet->name().c_str());
      if (ws == nullptr) {
        error = "sheet name not accepted: " + sheet->name();
        workbook_close(workbook_);
        return false;
      }
      sheets.push_back(ws);
      WriteSheet(*sheet, ws);
    }
    if (book_.active < sheets.size()) worksheet_activate(sheets[book_.active]);
    errno = 0;
    t_temp_failure = 0;
    lxw_error result = workbook_close(workbook_);
    if (result == LXW_NO_ERROR && t_temp_failure != 0) {
      error = std::string("a temporary file of the workbook failed (") + t_temp_failed_call + ": " +
              std::strerror(t_temp_failure) + ")";
      return false;
    }
    if (result != LXW_NO_ERROR) {
      // The library's text says what it was doing; errno says why.
      const int why = errno;
      error = lxw_strerror(result);
      if (why != 0) error += std::string(" (") + std::strerror(why) + ")";
      return false;
    }
    return true;
  }

 private:
  lxw_format* Format(uint32_t id) {
    if (id == kInheritStyle || id >= formats_.size()) return nullptr;
    if (formats_[id] != nullptr) return formats_[id];
    const Style& s = styles_.Get(id);
    lxw_format* f = workbook_add_format(workbook_);
    if (s.fill != kNoFill) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, LxwColour(s.fill));
    }
    if (s.bold) format_set_bold(f);
    if (s.wrap) format_set_text_wrap(f);
    if (s.top) format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    if (s.font_size_centi != kDefaultFontSizeCenti) format_set_font_size(f, s.font_size_centi / 100.0);
    format_set_left(f, static_cast<uint8_t>(s.edges[kEdgeLeft]));
    format_set_top(f, static_cast<uint8_t>(s.edges[kEdgeTop]));
    format_set_bottom(f, static_cast<uint8_t>(s.edges[kEdgeBottom]));
    format_set_right(f, static_cast<uint8_t>(s.edges[kEdgeRight]));
    formats_[id] = f;
    return f;
  }

  void WriteColumns(const SheetModel& sheet, lxw_worksheet* ws) {
    const uint32_t default_style = sheet.default_style();
    const double default_width = sheet.default_column_width();
    const bool default_plain = default_style == kPlainStyle && default_width == kStandardColumnWidth;
    lxw_format* format = default_style == kPlainStyle ? nullptr : Format(default_style);
    uint32_t next = 1;  // first column not yet written
    const auto& widths = sheet.column_widths();
    for (size_t i = 0; i < widths.size();) {
      uint32_t first = widths[i].first;
      double width = widths[i].second;
      size_t j = i + 1;
      while (j < widths.size() && widths[j].first == widths[j - 1].first + 1 && widths[j].second == width) ++j;
      uint32_t last = widths[j - 1].first;
      if (first > next && !default_plain) worksheet_set_column(ws, next - 1, first - 2, default_width, format);
      worksheet_set_column(ws, first - 1, last - 1, width, format);
      next = last + 1;
      i = j;
    }
    if (next <= kMaxColumns && !default_plain)
      worksheet_set_column(ws, next - 1, kMaxColumns - 1, default_width, format);
    // A span that reaches the last column makes libxlsxwriter keep a format
    // pointer for each of the 16384 columns (128 KiB a sheet, for every
    // sheet until the workbook is closed). It reads that array only for a
    // cell written without a format, which this writer never does (every
    // cell gets its format, the plain one included), and only below
    // col_formats_max; so the array is given back here.
    free(ws->col_formats);
    ws->col_formats = nullptr;
    ws->col_formats_max = 0;
  }

  // The height a wrapped text needs in its cell, or in the one-row merged
  // area it heads (the spreadsheets do not grow a row for a merged area on
  // their own; an area of several rows is the writer's to size).
  double WrappedHeight(const SheetModel& sheet, uint32_t row, uint32_t column, const std::string& text, uint32_t id) {
    uint32_t last = column;
    if (const CellArea* merged = sheet.MergeAt(row, column)) {
      if (merged->first_row != merged->last_row) return 0;
      last = merged->last_column;
    }
    double width = 0;
    for (uint32_t c = column; c <= last; ++c) width += sheet.ColumnWidth(c);
    return static_cast<double>(WrappedLineCount(text, width)) * RowHeightFor(styles_.Get(id).font_size_centi);
  }

  void WriteSheet(const SheetModel& sheet, lxw_worksheet* ws) {
    WriteColumns(sheet, ws);
    for (const CellArea& m : sheet.merges()) {
      if (m.is_single()) continue;
      worksheet_merge_range(ws, m.first_row - 1, static_cast<lxw_col_t>(m.first_column - 1), m.last_row - 1,
                            static_cast<lxw_col_t>(m.last_column - 1), "", nullptr);
    }
    const uint32_t default_style = sheet.default_style();
    for (uint32_t r = 1; r <= sheet.stored_rows(); ++r) {
      const SheetRow* row = sheet.RowAt(r);
      const uint32_t style_columns = row->styles ? static_cast<uint32_t>(row->styles->size()) : 0;
      uint32_t largest_font = kDefaultFontSizeCenti;
      double wrapped_height = 0;  // for texts that break into lines
      size_t v = 0;
      const uint32_t value_columns = row->values.empty() ? 0 : row->values.back().first;
      const uint32_t columns = std::max(style_columns, value_columns);
      for (uint32_t c = 1; c <= columns; ++c) {
        uint32_t id = c <= style_columns ? (*row->styles)[c - 1] : kInheritStyle;
        if (id == kInheritStyle) id = default_style;
        const std::string* text = nullptr;
        if (v < row->values.size() && row->values[v].first == c) text = &row->values[v++].second;
        lxw_format* format = Format(id);
        if (text != nullptr) {
          worksheet_write_string(ws, r - 1, static_cast<lxw_col_t>(c - 1), EscapeCellText(*text).c_str(), format);
          largest_font = std::max(largest_font, styles_.Get(id).font_size_centi);
          if (styles_.Get(id).wrap) wrapped_height = std::max(wrapped_height, WrappedHeight(sheet, r, c, *text, id));
        } else if (id != default_style) {
          worksheet_write_blank(ws, r - 1, static_cast<lxw_col_t>(c - 1), format);
        }
      }
      const double height = std::max(largest_font > kDefaultFontSizeCenti ? RowHeightFor(largest_font) : 0.0,
                                     wrapped_height > RowHeightFor(kDefaultFontSizeCenti) ? wrapped_height : 0.0);
      if (height > 0) worksheet_set_row(ws, r - 1, height, nullptr);
    }
    if (sheet.zoom() != 100) worksheet_set_zoom(ws, static_cast<uint16_t>(sheet.zoom()));
    // Printed, a sheet is as wide as an A4 page and as long as it needs.
    worksheet_set_paper(ws, 9);
    worksheet_fit_to_pages(ws, 1, 0);
  }

  const WorkbookModel& book_;
  const StyleTable& styles_;
  lxw_workbook* workbook_ = nullptr;
  std::vector<lxw_format*> formats_;
};

}  // namespace

std::string EscapeCellText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "_x%04X_", c);
      out += escape;
    } else if (IsEscapeAt(utf8, i)) {
      out += "_x005F_";  // the "_" itself; the rest follows as plain text
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

namespace {

// Closes a descriptor when it goes out of scope.
struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

// The errno text for a failed call.
std::string Why(const std::string& what) { return what + " (" + std::strerror(errno) + ")"; }

// The package written by libxlsxwriter into memory, read back whole, then
// copied into the open file `fd` (`shown` names it) by this program. So
// every write to the disk is one whose failure is seen with its reason
// (libxlsxwriter reports a failed write of its package, but by then its
// errno has been overwritten by the calls that followed). Without
// /proc/self/fd, libxlsxwriter writes the file itself.
bool WritePackage(const WorkbookModel& book, const StyleTable& styles, const std::string& temp_folder,
                  const std::string& shown, int fd, std::string& error) {
  XlsxWriter writer(book, styles);
  Descriptor memory;
  memory.fd = ::memfd_create("kavenor-xlsx", MFD_CLOEXEC);
  const std::string in_memory = "/proc/self/fd/" + std::to_string(memory.fd);
  if (memory.fd < 0 || ::access(in_memory.c_str(), F_OK) != 0) {
    const std::string by_descriptor = "/proc/self/fd/" + std::to_string(fd);
    const std::string target = ::access(by_descriptor.c_str(), F_OK) == 0 ? by_descriptor : shown;
    return writer.Write(target, temp_folder, error) && CheckXlsxWhole(target, error);
  }
  // Read back as well: a workbook counts as written only when every part of
  // the package comes back whole.
  if (!writer.Write(in_memory, temp_folder, error) || !CheckXlsxWhole(in_memory, error)) return false;
  if (::lseek(memory.fd, 0, SEEK_SET) != 0) {
    error = Why("cannot read the package back");
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(memory.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = Why("cannot read the package back");
      return false;
    }
    if (n == 0) return true;
    if (!WriteAll(fd, buffer, static_cast<size_t>(n))) {
      error = Why("cannot write " + shown);
      return false;
    }
  }
}

}  // namespace

bool WriteXlsx(const std::string& disk_path, const WorkbookModel& book, const StyleTable& styles, std::string& error,
               const std::string& temp_folder) {
  namespace fs = std::filesystem;
  if (book.sheets.empty()) {
    error = "a workbook needs a sheet";
    return false;
  }
  const fs::path target(disk_path);
  const std::string folder = target.parent_path().empty() ? "." : target.parent_path().string();
  const std::string name = target.filename().string();
  const std::string partial = name + ".part";
  Descriptor dir;
  dir.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir.fd < 0) {
    error = Why("no such folder");
    return false;
  }
  // The temporary file is made new through the folder's descriptor and
  // written through its own: nothing planted in the folder is written
  // through.
  if (::unlinkat(dir.fd, partial.c_str(), 0) != 0 && errno != ENOENT) {
    error = Why("cannot remove " + partial);
    return false;
  }
  Descriptor file;
  file.fd = ::openat(dir.fd, partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (file.fd < 0) {
    error = Why("cannot create " + partial);
    return false;
  }
  bool ok = WritePackage(book, styles, temp_folder, folder + "/" + partial, file.fd, error);
  const int written = file.fd;
  file.fd = -1;
  if (::close(written) != 0 && ok) {
    error = Why("cannot write " + partial);
    ok = false;
  }
  if (ok && ::renameat(dir.fd, partial.c_str(), dir.fd, name.c_str()) != 0) {
    error = Why("cannot replace the file");
    ok = false;
  }
  if (!ok) ::unlinkat(dir.fd, partial.c_str(), 0);
  return ok;
}

}  // namespace kv::xls

// libxlsxwriter writes every part of a workbook into a temporary file of its
// own, made by its function lxw_tmpfile, and checks neither the writes nor
// the reads of those files: a write lost there (a full disk) left a part cut
// short inside a workbook reported as saved. This program defines the
// function itself, and a program's definition takes precedence over the one
// inside a shared library: the files are made here, in the folder the
// workbook was opened with (the work folder), and every failure of them is
// kept for WriteXlsx, which then reports the workbook as not written.
extern "C" FILE* lxw_tmpfile(char* tmpdir) {
  using namespace kv::xls;
  const char* env = std::getenv("TMPDIR");
  const std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : env != nullptr && *env != '\0' ? env : "/tmp";
  const int fd = OpenTempFile(folder);
  if (fd < 0) {
    NoteTempFailure("open");
    return nullptr;
  }
  TempFile* file = new TempFile{fd};
  FILE* stream = fopencookie(file, "w+", cookie_io_functions_t{TempRead, TempWrite, TempSeek, TempClose});
  if (stream == nullptr) {
    NoteTempFailure("fopencookie");
    ::close(fd);
    delete file;
  }
  return stream;
}
