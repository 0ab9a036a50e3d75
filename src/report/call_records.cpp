#include "report/call_records.h"

#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "consolidate/local_declarations.h"
#include "report/call_tree.h"

namespace kv {
namespace {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// Splits text into lines without their "\n".
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

enum class Section { kNone, kReads, kWrites, kCalls, kAccesses, kCallers, kArguments, kTemporaries, kName, kFile, kFolder, kCount };

Section SectionOf(std::string_view tag) {
  if (tag == SJ("[参照変数]")) return Section::kReads;
  if (tag == SJ("[書込み変数]")) return Section::kWrites;
  if (tag == SJ("[コール関数]")) return Section::kCalls;
  if (tag == SJ("[変数アクセス情報]")) return Section::kAccesses;
  if (tag == SJ("[コール元]")) return Section::kCallers;
  if (tag == SJ("[引数定義]")) return Section::kArguments;
  if (tag == SJ("[テンポラリ変数]")) return Section::kTemporaries;
  if (tag == SJ("[関数名称]")) return Section::kName;
  if (tag == SJ("[ファイル名]")) return Section::kFile;
  if (tag == SJ("[フォルダ名]")) return Section::kFolder;
  return Section::kNone;
}

}  // namespace

// Each reader of the written form opens the record and skips to the first
// line that is its tag; later sections with the same tag are never read.
CallRecord ParseCallRecord(std::string_view text) {
  CallRecord record;
  bool seen[static_cast<int>(Section::kCount)] = {};
  LocalDeclarations locals;  // a function's own variable is no file-level one
  Lines lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    Section section = SectionOf(line);
    if (section == Section::kNone || seen[static_cast<int>(section)]) continue;
    seen[static_cast<int>(section)] = true;
    if (section == Section::kCallers) {
      // A record cut right after its tag has no callers' line: not taken as
      // a root.
      std::string_view next;
      record.is_root = lines.Next(next) && (next.empty() || next == "NONE_CALLER");
      continue;
    }
    if (section == Section::kName || section == Section::kFile || section == Section::kFolder) {
      std::string_view value;
      if (!lines.Next(value)) break;
      std::string& field = section == Section::kName ? record.name : section == Section::kFile ? record.file : record.folder;
      field.assign(value);
      continue;
    }
    if (section == Section::kArguments || section == Section::kTemporaries) {
      while (lines.Next(line) && !line.empty()) locals.Add(line);
      continue;
    }
    std::vector<std::string>* list = nullptr;
    switch (section) {
      case Section::kReads: list = &record.reads; break;
      case Section::kWrites: list = &record.writes; break;
      case Section::kAccesses: list = &record.accesses; break;
      default: break;
    }
    while (lines.Next(line)) {
      if (line.empty() || line == "NONE") {
        if (section == Section::kAccesses) record.accesses_closed = true;
        break;
      }
      if (section == Section::kCalls) {
        if (line == " NO_CALL_FUNCTION ") break;
        record.callees.push_back(SplitCallEntry(line).name);
      } else if (section == Section::kAccesses && locals.Declares(line)) {
        // an access of the function's own parameter or local
      } else {
        list->emplace_back(line);
      }
    }
  }
  return record;
}

RecordStore::RecordStore(std::string folder) : folder_(std::move(folder)) {
  definitions_.Load();
  DirListing listing = ListDirectory(folder_, "*.*");
  found_ = listing.found;
  for (const DirEntry& entry : listing.entries) {
    if (entry.is_dir) continue;
    Add(entry.name);
  }
}

int RecordStore::Add(const std::string& file_name) {
  auto known = exact_.find(file_name);
  if (known != exact_.end()) return known->second;
  int id = static_cast<int>(names_.size());
  names_.push_back(file_name);
  records_.emplace_back();
  loaded_.push_back(false);
  exact_.emplace(file_name, id);
  folded_.emplace(UpperAscii(file_name), id);  // the first in listing order wins
  return id;
}

int RecordStore::Lookup(std::string_view name) const {
  auto exact = exact_.find(name);
  if (exact != exact_.end()) return exact->second;
  auto folded = folded_.find(UpperAscii(name));
  return folded == folded_.end() ? -1 : folded->second;
}

int RecordStore::LookupCallee(int from, std::string_view callee) const {
  if (definitions_.empty() || !definitions_.Several('F', callee)) return Lookup(callee);
  return Lookup(definitions_.ResolveFromRecord('F', callee, names_[from]));
}

bool RecordStore::Qualified(int id) const {
  if (definitions_.empty()) return false;
  const Definition* own = definitions_.ByRecord(names_[id]);
  return own != nullptr && definitions_.Several('F', own->name);
}

const CallRecord& RecordStore::Get(int id) { return Load(id, nullptr, nullptr); }

const CallRecord& RecordStore::Get(int id, std::string& text, bool& read) {
  read = false;
  return Load(id, &text, &read);
}

const CallRecord& RecordStore::Load(int id, std::string* text, bool* read) {
  if (loaded_[id]) return records_[id];
  loaded_[id] = true;
  std::string bytes;
  const ReadProblem problem = ReadWorkFileBytes(JoinPath(folder_, names_[id]), bytes);
  if (problem != ReadProblem::kNone && problem != ReadProblem::kMissing)
    damaged_.push_back({JoinPath(folder_, names_[id]), ReadProblemText(problem)});
  if (problem == ReadProblem::kNone)
    StripCarriageReturnsInPlace(bytes);
  else
    bytes.clear();  // read as empty
  records_[id] = ParseCallRecord(bytes);
  CallRecord& record = records_[id];
  record.file_name = names_[id];
  record.callee_ids.reserve(record.callees.size());
  for (const std::string& callee : record.callees) record.callee_ids.push_back(LookupCallee(id, callee));
  if (problem == ReadProblem::kNone && text != nullptr) {
    *text = std::move(bytes);
    *read = true;
  }
  return record;
}

}  // namespace kv
