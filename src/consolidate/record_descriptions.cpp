#include "consolidate/record_descriptions.h"

#include <algorithm>

#include "consolidate/record_tags.h"
#include "consolidate/record_walk.h"
#include "lex/keyword_tables.h"
#include "platform/dir_listing.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "run/work_folder.h"

namespace kv {
namespace {

std::string DefinitionKey(std::string_view file, std::string_view folder, std::string_view function) {
  std::string key(file);
  key += '\n';
  key += folder;
  key += '\n';
  key += function;
  return key;
}

std::string_view Stem(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  return dot == std::string_view::npos ? file_name : file_name.substr(0, dot);
}

bool IsHeader(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  return dot != std::string_view::npos && (file_name.substr(dot) == ".h" || file_name.substr(dot) == ".H");
}

// The entries of `texts` named in `order` first, in that order; then, when
// `keep_others`, the rest as they were.
std::vector<NamedText> InOrder(const std::vector<NamedText>& texts, const std::vector<std::string>& order,
                               bool keep_others) {
  std::vector<NamedText> out;
  std::vector<bool> used(texts.size(), false);
  for (const std::string& name : order) {
    for (size_t i = 0; i < texts.size(); ++i) {
      if (used[i] || texts[i].name != name) continue;
      used[i] = true;
      out.push_back(texts[i]);
      break;
    }
  }
  if (keep_others)
    for (size_t i = 0; i < texts.size(); ++i)
      if (!used[i]) out.push_back(texts[i]);
  return out;
}

std::string NameOf(const std::string& declaration) {
  std::string type, name;
  SplitTypeAndName(declaration, type, name);
  const size_t bracket = name.find('[');
  if (bracket != std::string::npos) name.erase(bracket);
  return name;
}

}  // namespace

RecordHead ReadRecordHead(std::string_view text) {
  RecordHead head;
  std::string_view section;
  std::string_view last;
  size_t pos = 0;
  bool at_tag = true;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    last = line;
    if (line.empty()) {
      at_tag = true;
      section = {};
      continue;
    }
    if (at_tag) {
      section = line;
      at_tag = false;
      continue;
    }
    if (section == SJ("[フォルダ名]") && head.folder_name.empty()) {
      head.folder_name = line;
    } else if (section == record_tag::FileName() && head.file_name.empty()) {
      head.file_name = line;
    } else if (section == record_tag::FunctionName() && head.function_name.empty()) {
      head.function_name = line;
    } else if (section == record_tag::Arguments() && line != "void") {
      head.parameters.push_back(NameOf(std::string(line)));
    } else if (section == record_tag::Temporaries() && line != record_tag::kNone) {
      head.locals.push_back(NameOf(std::string(line)));
    }
    // Each section is read once: a second section of the same tag (none is
    // written) is not taken.
    if (section == record_tag::Arguments() || section == record_tag::Temporaries()) continue;
    section = "-";
  }
  head.ends_with_empty_line = text.empty() || last.empty();
  return head;
}

DescriptionIndex::DescriptionIndex(const std::string& folder) {
  const DirListing listing = ListDirectory(folder, "*.*");
  for (const DirEntry& entry : listing.entries) {
    if (entry.is_dir) continue;
    std::string bytes;
    if (ReadWorkFileBytes(JoinPath(folder, entry.name), bytes) != ReadProblem::kNone) continue;
    Add(ParseDescriptionFile(StripCarriageReturns(bytes)));
  }
}

void DescriptionIndex::Add(FileDescriptions file) {
  file.items.clear();  // the records need the functions only
  files_.push_back(std::make_unique<FileDescriptions>(std::move(file)));
  const FileDescriptions* f = files_.back().get();
  for (const DescribedFunction& d : f->functions)
    definitions_.try_emplace(DefinitionKey(f->file_name, f->folder_name, d.name), Entry{f, &d});
  for (const DescribedFunction& d : f->prototypes) prototypes_[d.name].push_back({f, &d});
}

const DescribedFunction* DescriptionIndex::Definition(const RecordHead& head) const {
  auto it = definitions_.find(DefinitionKey(head.file_name, head.folder_name, head.function_name));
  return it == definitions_.end() ? nullptr : it->second.function;
}

const DescribedFunction* DescriptionIndex::Prototype(const RecordHead& head) const {
  auto it = prototypes_.find(head.function_name);
  if (it == prototypes_.end()) return nullptr;
  const std::vector<Entry>& candidates = it->second;
  auto first = [&candidates](auto&& wanted) -> const DescribedFunction* {
    for (const Entry& e : candidates)
      if (wanted(*e.file)) return e.function;
    return nullptr;
  };
  if (auto* d = first([&](const FileDescriptions& f) { return f.file_name == head.file_name && f.folder_name == head.folder_name; }))
    return d;
  if (auto* d = first([&](const FileDescriptions& f) { return IsHeader(f.file_name) && Stem(f.file_name) == Stem(head.file_name); }))
    return d;
  if (auto* d = first([](const FileDescriptions& f) { return IsHeader(f.file_name); })) return d;
  return candidates.front().function;
}

FunctionDescription DescriptionIndex::Describe(const RecordHead& head) const {
  FunctionDescription d;
  if (const DescribedFunction* own = Definition(head)) d = own->description;
  const bool said = !d.summary.empty() || !d.details.empty() || !d.returns.empty() || !d.notes.empty();
  if (!said) {
    if (const DescribedFunction* prototype = Prototype(head)) {
      const FunctionDescription& p = prototype->description;
      d.summary = p.summary;
      d.details = p.details;
      d.returns = p.returns;
      d.notes = p.notes;
      for (const NamedText& parameter : p.parameters) {
        const bool described = std::any_of(d.parameters.begin(), d.parameters.end(),
                                           [&parameter](const NamedText& n) { return n.name == parameter.name; });
        if (!described) d.parameters.push_back(parameter);
      }
    }
  }
  d.parameters = InOrder(d.parameters, head.parameters, true);
  d.locals = InOrder(d.locals, head.locals, false);
  return d;
}

std::string RecordDescriptionSections(const DescriptionIndex& index, std::string_view record) {
  const RecordHead head = ReadRecordHead(record);
  const FunctionDescription description = index.Describe(head);
  if (description.empty()) return {};  // nothing said: the record keeps its bytes
  std::string sections = head.ends_with_empty_line ? "" : "\n";
  AppendDescriptionSections(sections, description);
  return sections;
}

}  // namespace kv
