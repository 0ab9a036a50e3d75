#include "run/definition_index.h"

#include <algorithm>
#include <unordered_set>

#include "lex/tokenizer.h"
#include "platform/text_file.h"
#include "run/work_folder.h"

namespace kv {
namespace {

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string Key(char kind, std::string_view name) { return std::string(1, kind) + Folded(name); }

// A lookup key (kind, then the name, folded or as written) built on the
// stack when it is short: the reports look names up once per call entry.
class LookupKey {
 public:
  LookupKey(char kind, std::string_view name, bool fold) {
    if (name.size() >= sizeof small_) {
      large_ = std::string(1, kind) + (fold ? Folded(name) : std::string(name));
      view_ = large_;
      return;
    }
    small_[0] = kind;
    for (size_t i = 0; i < name.size(); ++i) {
      const char c = name[i];
      small_[i + 1] = fold && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    view_ = std::string_view(small_, name.size() + 1);
  }
  std::string_view view() const { return view_; }

 private:
  char small_[128];
  std::string large_;
  std::string_view view_;
};

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The header as an #include writes it, less its quotes or angle brackets.
std::string_view IncludedFileName(std::string_view written) {
  if (written.size() >= 2 && (written.front() == '"' || written.front() == '<')) written = written.substr(1, written.size() - 2);
  return FileNameOf(written);
}

// The pieces of `text` between the `separator`s.
std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::vector<std::string_view> PathParts(std::string_view path) { return Split(path, '/'); }

// The last `count` parts of a path joined with "_"; characters no file name
// may hold on Linux or Windows as "_" (the second byte of a Shift-JIS
// character left alone: it may be "\" or "|").
std::string Qualifier(const std::vector<std::string_view>& parts, size_t count) {
  std::string out;
  for (size_t i = parts.size() - count; i < parts.size(); ++i) {
    if (!out.empty()) out += '_';
    out += parts[i];
  }
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsShiftJisLead(c)) {
      ++i;
    } else if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(out[i]) != std::string_view::npos) {
      out[i] = '_';
    }
  }
  return out;
}

}  // namespace

std::string PathBelow(std::string_view root, std::string_view path) {
  if (path.size() > root.size() && path.substr(0, root.size()) == root && path[root.size()] == '/')
    path.remove_prefix(root.size() + 1);
  return std::string(path);
}

size_t SharedFolders(std::string_view a, std::string_view b) {
  const std::vector<std::string_view> pa = PathParts(a);
  const std::vector<std::string_view> pb = PathParts(b);
  size_t shared = 0;
  while (shared + 1 < pa.size() && shared + 1 < pb.size() && pa[shared] == pb[shared]) ++shared;
  return shared;
}

bool DefinitionIndex::Load() {
  LineReader in;
  if (in.OpenWorkFile(work::Path(work::kFuncListRecords)) != ReadProblem::kNone) return false;
  std::string line;
  while (in.ReadLineNoEol(line)) {
    const std::vector<std::string_view> f = Split(line, '\t');
    if (f.size() == 3 && f[0] == "I") {
      AddInclude(std::string(f[1]), std::string(f[2]));
    } else if (f.size() == 5 && (f[0] == "F" || f[0] == "V")) {
      Add({f[0][0], std::string(f[1]), std::string(f[2]), std::string(f[3]), f[4] == "1", 0});
    }
  }
  return true;
}

void DefinitionIndex::Add(Definition definition) {
  const size_t at = entries_.size();
  definition.order = at;
  if (definition.kind == 'V') variables_.push_back(at);
  // A variable declared twice in its file is one definition.
  if (by_record_.emplace(std::string(1, definition.kind) + definition.record, at).second) {
    paths_by_file_[Folded(FileNameOf(definition.path))].push_back(definition.path);
    std::string key = Key(definition.kind, definition.name);
    std::vector<size_t>& same = by_folded_[key];
    same.push_back(at);
    if (same.size() == 2) several_.insert(std::move(key));
  }
  entries_.push_back(std::move(definition));
}

const Definition* DefinitionIndex::Variable(size_t i) const {
  return i < variables_.size() ? &entries_[variables_[i]] : nullptr;
}

void DefinitionIndex::AddInclude(std::string path, std::string header) {
  paths_by_file_[Folded(FileNameOf(path))].push_back(path);
  includes_[std::move(path)].push_back(Folded(IncludedFileName(header)));
}

void DefinitionIndex::NameRecords(std::vector<Definition>& definitions) {
  if (definitions.size() == 1) {
    definitions[0].record = definitions[0].name;
    return;
  }
  std::vector<std::vector<std::string_view>> parts;
  for (const Definition& d : definitions) parts.push_back(PathParts(d.path));
  std::unordered_set<std::string> taken;
  for (size_t i = 0; i < definitions.size(); ++i) {
    // The fewest trailing parts that no other definition of the name shares.
    size_t count = 1;
    for (; count < parts[i].size(); ++count) {
      const std::string mine = Folded(Qualifier(parts[i], count));
      bool alike = false;
      for (size_t j = 0; j < definitions.size() && !alike; ++j)
        alike = j != i && parts[j].size() >= count && Folded(Qualifier(parts[j], count)) == mine;
      if (!alike) break;
    }
    const std::string base = definitions[i].name + "@" + Qualifier(parts[i], count);
    std::string record = base;
    for (int n = 2; !taken.insert(Folded(record)).second; ++n) record = base + "-" + std::to_string(n);
    definitions[i].record = record;
  }
}

const Definition* DefinitionIndex::ByRecord(std::string_view record, char kind) const {
  auto it = by_record_.find(LookupKey(kind, record, false).view());
  return it == by_record_.end() ? nullptr : &entries_[it->second];
}

std::vector<const Definition*> DefinitionIndex::Definitions(char kind, std::string_view name) const {
  std::vector<const Definition*> exact, folded;
  auto it = by_folded_.find(LookupKey(kind, name, true).view());
  if (it == by_folded_.end()) return exact;
  for (size_t i : it->second) {
    folded.push_back(&entries_[i]);
    if (entries_[i].name == name) exact.push_back(&entries_[i]);
  }
  return exact.empty() ? folded : exact;
}

bool DefinitionIndex::Several(char kind, std::string_view name) const {
  return !several_.empty() && several_.count(LookupKey(kind, name, true).view()) > 0;
}

// Whether `from_path` includes the file at `header_path`, directly or
// through the headers it includes (matched by file name: the index knows the
// #include lines as written, not the folder the preprocessor found them in).
// What a file reaches is worked out once.
bool DefinitionIndex::Includes(std::string_view from_path, std::string_view header_path) const {
  auto [known, added] = reachable_.try_emplace(std::string(from_path));
  std::unordered_set<std::string>& headers = known->second;
  if (added) {
    std::vector<std::string> pending{std::string(from_path)};
    std::unordered_set<std::string> seen{std::string(from_path)};
    while (!pending.empty()) {
      const std::string path = std::move(pending.back());
      pending.pop_back();
      auto it = includes_.find(path);
      if (it == includes_.end()) continue;
      for (const std::string& header : it->second) {
        if (!headers.insert(header).second) continue;
        auto files = paths_by_file_.find(header);
        if (files == paths_by_file_.end()) continue;
        for (const std::string& next : files->second)
          if (seen.insert(next).second) pending.push_back(next);
      }
    }
  }
  return headers.count(Folded(FileNameOf(header_path))) != 0;
}

DefinitionIndex::Choice DefinitionIndex::Resolve(char kind, std::string_view name, std::string_view from_path) const {
  Choice choice;
  const std::vector<const Definition*> all = Definitions(kind, name);
  if (all.empty()) return choice;
  for (const Definition* d : all) {
    if (d->path == from_path) {
      choice.definition = d;
      return choice;
    }
  }
  for (const Definition* d : all) {
    if (d->is_static && Includes(from_path, d->path)) {
      choice.definition = d;
      return choice;
    }
  }
  std::vector<const Definition*> open;
  for (const Definition* d : all)
    if (!d->is_static) open.push_back(d);
  choice.candidates = open.size();
  if (open.empty()) return choice;
  choice.definition = open.front();
  if (open.size() == 1) return choice;
  choice.nearest = true;
  size_t best = SharedFolders(open.front()->path, from_path);
  for (const Definition* d : open) {
    const size_t shared = SharedFolders(d->path, from_path);
    if (shared > best) {
      best = shared;
      choice.definition = d;
    }
  }
  return choice;
}

std::string DefinitionIndex::ResolveRecord(char kind, std::string_view name, std::string_view from_path) const {
  const Choice choice = Resolve(kind, name, from_path);
  return choice.definition != nullptr ? choice.definition->record : std::string(name);
}

std::string DefinitionIndex::ResolveFromRecord(char kind, std::string_view name, std::string_view from_record) const {
  if (!Several(kind, name)) return std::string(name);
  const Definition* from = ByRecord(from_record);
  return ResolveRecord(kind, name, from != nullptr ? std::string_view(from->path) : std::string_view());
}

}  // namespace kv
