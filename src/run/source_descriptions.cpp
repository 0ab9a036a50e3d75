#include "run/source_descriptions.h"

#include <charconv>

#include "platform/encoding.h"
#include "run/work_folder.h"

namespace kv {
namespace {

constexpr std::string_view kNone = "NONE";
constexpr int kItemFields = 4;  // kind, name, type, value; the text follows

const std::string& FileNameTag() { return SJ("[ファイル名]"); }
const std::string& FolderNameTag() { return SJ("[フォルダ名]"); }
const std::string& PathTag() { return SJ("[ファイルパス]"); }
const std::string& FileSummaryTag() { return SJ("[ファイル説明]"); }
const std::string& FileNotesTag() { return SJ("[ファイル備考]"); }
const std::string& ItemsTag() { return SJ("[変数一覧]"); }
const std::string& FunctionTag() { return SJ("[関数]"); }
const std::string& PrototypeTag() { return SJ("[プロトタイプ]"); }
const std::string& IndentsTag() { return SJ("[字下げ]"); }
const std::string& PublicWord() { return SJ("公開"); }
const std::string& InternalWord() { return SJ("内部"); }

constexpr size_t kIndentsPerLine = 32;

void AppendSection(std::string& out, const std::string& tag, const TextLines& lines) {
  out += tag + "\n";
  if (lines.empty()) out += std::string(kNone) + "\n";
  for (const std::string& line : lines) out += line + "\n";
  out += "\n";
}

void AppendNamedSection(std::string& out, const std::string& tag, const std::vector<NamedText>& texts) {
  out += tag + "\n";
  if (texts.empty()) out += std::string(kNone) + "\n";
  for (const NamedText& t : texts)
    for (const std::string& line : t.lines) out += t.name + "\t" + line + "\n";
  out += "\n";
}

bool IsNone(const std::vector<std::string>& entries) { return entries.size() == 1 && entries[0] == kNone; }

TextLines PlainEntries(const std::vector<std::string>& entries) {
  if (IsNone(entries)) return {};
  return entries;
}

// "name<TAB>line" entries; consecutive entries of one name make one text.
std::vector<NamedText> NamedEntries(const std::vector<std::string>& entries) {
  std::vector<NamedText> out;
  if (IsNone(entries)) return out;
  for (const std::string& entry : entries) {
    const size_t tab = entry.find('\t');
    std::string name = tab == std::string::npos ? std::string() : entry.substr(0, tab);
    std::string line = tab == std::string::npos ? entry : entry.substr(tab + 1);
    if (out.empty() || out.back().name != name) out.push_back({std::move(name), {}});
    out.back().lines.push_back(std::move(line));
  }
  return out;
}

// Splits `line` at its first `count` tabs; the last part keeps any further tab.
std::vector<std::string> SplitFields(std::string_view line, int count) {
  std::vector<std::string> fields;
  for (int i = 0; i < count; ++i) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) break;
    fields.emplace_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  fields.emplace_back(line);
  return fields;
}

bool ItemKindFromName(std::string_view name, ItemKind& kind) {
  for (ItemKind k : {ItemKind::kPublicVariable, ItemKind::kInternalVariable, ItemKind::kConstant, ItemKind::kExternal,
                     ItemKind::kDefine}) {
    if (ItemKindName(k) == name) {
      kind = k;
      return true;
    }
  }
  return false;
}

// Reads the description file section by section.
class DescriptionFileParser {
 public:
  explicit DescriptionFileParser(std::string_view text) : text_(text) {}

  FileDescriptions Run() {
    std::string tag;
    while (NextLine(tag)) {
      if (tag.empty()) continue;
      std::vector<std::string> entries;
      std::string line;
      while (NextLine(line) && !line.empty()) entries.push_back(std::move(line));
      Take(tag, entries);
    }
    return std::move(file_);
  }

 private:
  bool NextLine(std::string& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line.assign(text_.substr(pos_, end - pos_));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos_ = end + 1;
    return true;
  }

  void Take(const std::string& tag, const std::vector<std::string>& entries) {
    auto first = [&entries]() { return entries.empty() ? std::string() : entries[0]; };
    if (tag == FileNameTag()) {
      file_.file_name = first();
    } else if (tag == FolderNameTag()) {
      file_.folder_name = first();
    } else if (tag == PathTag()) {
      file_.path = first();
    } else if (tag == FileSummaryTag()) {
      file_.summary = PlainEntries(entries);
    } else if (tag == FileNotesTag()) {
      file_.notes = PlainEntries(entries);
    } else if (tag == ItemsTag()) {
      TakeItems(entries);
    } else if (tag == FunctionTag() || tag == PrototypeTag()) {
      auto& list = tag == FunctionTag() ? file_.functions : file_.prototypes;
      list.emplace_back();
      current_ = &list.back();
      current_->name = first();
      current_->is_static = entries.size() > 1 && entries[1] == InternalWord();
    } else if (tag == IndentsTag()) {
      if (current_ != nullptr) TakeIndents(entries);
    } else if (current_ != nullptr) {
      ReadDescriptionSection(tag, entries, current_->description);
    }
  }

  void TakeItems(const std::vector<std::string>& entries) {
    if (IsNone(entries)) return;
    for (const std::string& entry : entries) {
      std::vector<std::string> f = SplitFields(entry, kItemFields);
      DescribedItem item;
      if (f.size() != kItemFields + 1 || !ItemKindFromName(f[0], item.kind)) continue;
      item.name = f[1];
      item.type = f[2];
      item.value = f[3];
      std::vector<DescribedItem>& items = file_.items;
      const bool same = !items.empty() && items.back().kind == item.kind && items.back().name == item.name &&
                        items.back().type == item.type && items.back().value == item.value;
      if (!same) items.push_back(item);
      if (!f[4].empty()) items.back().lines.push_back(f[4]);
    }
  }

  void TakeIndents(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
      const char* p = entry.data();
      const char* end = p + entry.size();
      while (p < end) {
        int value = 0;
        auto result = std::from_chars(p, end, value);
        if (result.ec != std::errc() || value < 0) return;
        current_->indents.push_back(value);
        p = result.ptr;
        if (p < end && *p == ',') ++p;
      }
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  FileDescriptions file_;
  DescribedFunction* current_ = nullptr;
};

void AppendFunction(std::string& out, const std::string& tag, const DescribedFunction& f, bool with_indents) {
  out += tag + "\n" + f.name + "\n" + (f.is_static ? InternalWord() : PublicWord()) + "\n\n";
  AppendDescriptionSections(out, f.description);
  if (!with_indents) return;
  out += IndentsTag() + "\n";
  for (size_t i = 0; i < f.indents.size(); ++i) {
    out += std::to_string(f.indents[i]);
    out += (i + 1) % kIndentsPerLine == 0 || i + 1 == f.indents.size() ? "\n" : ",";
  }
  if (f.indents.empty()) out += std::string(kNone) + "\n";
  out += "\n";
}

}  // namespace

bool FunctionDescription::empty() const {
  return summary.empty() && details.empty() && returns.empty() && parameters.empty() && locals.empty() &&
         notes.empty();
}

namespace description_tag {
const std::string& Summary() { return SJ("[関数説明]"); }
const std::string& Details() { return SJ("[処理説明]"); }
const std::string& Returns() { return SJ("[戻り値説明]"); }
const std::string& Parameters() { return SJ("[引数説明]"); }
const std::string& Locals() { return SJ("[テンポラリ変数説明]"); }
const std::string& Notes() { return SJ("[備考]"); }
bool IsDescriptionTag(std::string_view line) {
  return line == Summary() || line == Details() || line == Returns() || line == Parameters() || line == Locals() ||
         line == Notes();
}
}  // namespace description_tag

void AppendDescriptionSections(std::string& out, const FunctionDescription& d) {
  AppendSection(out, description_tag::Summary(), d.summary);
  AppendSection(out, description_tag::Details(), d.details);
  AppendNamedSection(out, description_tag::Returns(), d.returns);
  AppendNamedSection(out, description_tag::Parameters(), d.parameters);
  AppendNamedSection(out, description_tag::Locals(), d.locals);
  AppendSection(out, description_tag::Notes(), d.notes);
}

bool ReadDescriptionSection(std::string_view tag, const std::vector<std::string>& entries, FunctionDescription& d) {
  if (tag == description_tag::Summary()) {
    d.summary = PlainEntries(entries);
  } else if (tag == description_tag::Details()) {
    d.details = PlainEntries(entries);
  } else if (tag == description_tag::Returns()) {
    d.returns = NamedEntries(entries);
  } else if (tag == description_tag::Parameters()) {
    d.parameters = NamedEntries(entries);
  } else if (tag == description_tag::Locals()) {
    d.locals = NamedEntries(entries);
  } else if (tag == description_tag::Notes()) {
    d.notes = PlainEntries(entries);
  } else {
    return false;
  }
  return true;
}

const std::string& ItemKindName(ItemKind kind) {
  switch (kind) {
    case ItemKind::kPublicVariable: return SJ("公開変数");
    case ItemKind::kInternalVariable: return SJ("内部変数");
    case ItemKind::kConstant: return SJ("固定定数");
    case ItemKind::kExternal: return SJ("外部変数");
    case ItemKind::kDefine: break;
  }
  static const std::string define = "define";
  return define;
}

std::string FormatDescriptionFile(const FileDescriptions& file) {
  std::string out;
  out += FileNameTag() + "\n" + file.file_name + "\n\n";
  out += FolderNameTag() + "\n" + file.folder_name + "\n\n";
  out += PathTag() + "\n" + file.path + "\n\n";
  AppendSection(out, FileSummaryTag(), file.summary);
  AppendSection(out, FileNotesTag(), file.notes);
  out += ItemsTag() + "\n";
  if (file.items.empty()) out += std::string(kNone) + "\n";
  for (const DescribedItem& item : file.items) {
    const std::string head = ItemKindName(item.kind) + "\t" + item.name + "\t" + item.type + "\t" + item.value + "\t";
    if (item.lines.empty()) out += head + "\n";
    for (const std::string& line : item.lines) out += head + line + "\n";
  }
  out += "\n";
  for (const DescribedFunction& f : file.functions) AppendFunction(out, FunctionTag(), f, true);
  for (const DescribedFunction& f : file.prototypes) AppendFunction(out, PrototypeTag(), f, false);
  return out;
}

FileDescriptions ParseDescriptionFile(std::string_view text) { return DescriptionFileParser(text).Run(); }

std::string DescriptionFilePath(std::string_view file_name, int n) {
  std::string name(file_name);
  if (n > 1) name += "~" + std::to_string(n);
  return work::Path(std::string(work::kComment) + "/" + name);
}

}  // namespace kv
