#include "consolidate/definition_files.h"

#include <cctype>

#include "run/work_folder.h"
#include "lex/name_match.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"
#include "platform/paths.h"
#include "platform/dir_listing.h"

namespace kv {
DefinitionFile::DefinitionFile(std::string text) : text_(std::move(text)) {
  const std::string_view all = text_;
  size_t start = 0;
  while (start < all.size()) {
    size_t nl = all.find('\n', start);
    size_t end = nl == std::string_view::npos ? all.size() : nl;
    lines_.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  defined_lines_ = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].empty()) {
      defined_lines_ = i;
      break;
    }
  }
  IndexDefinedNames();
}

// The name a definition line defines: the text before its first tab (a
// DefList.txt line may write MAX(a,b) there: the name is MAX).
std::string_view DefinedName(std::string_view line) {
  const std::string_view head = line.substr(0, line.find('\t'));
  return head.substr(0, head.find('('));
}

void DefinitionFile::IndexDefinedNames() {
  for (size_t i = 0; i < defined_lines_; ++i) {
    const std::string_view name = DefinedName(lines_[i]);
    if (!name.empty()) names_.emplace(name, static_cast<uint32_t>(i));
  }
}

bool DefinitionFile::Defines(std::string_view entry) const { return names_.count(entry) != 0; }

namespace {

// Tokens b to e of `tokens` form a parameter list: words separated by ","
// (the last possibly "..."), or nothing.
bool IsParameterList(const std::vector<std::string>& tokens, size_t open, size_t close) {
  for (size_t i = open + 1; i < close; ++i) {
    const std::string& t = tokens[i];
    const bool name_place = (i - open) % 2 == 1;
    if (name_place) {
      const bool word = !t.empty() && (t[0] == '_' || std::isalpha(static_cast<unsigned char>(t[0])));
      if (!word && t != ".") return false;  // "..." comes as three "." tokens
    } else if (t != "," && t != ".") {
      return false;
    }
  }
  return true;
}

// The parameters of the list that closes at `close` whose every use in the
// body (after `close`) is a member name: after "." or "->", or next to "##".
std::vector<size_t> MemberParameters(const std::vector<std::string>& tokens, size_t close) {
  std::vector<size_t> members;
  size_t position = 0;
  for (size_t p = 2; p < close; p += 2, ++position) {
    const std::string& name = tokens[p];
    if (name == ".") break;  // ... ends the list
    bool used = false, only_members = true;
    for (size_t i = close + 1; i < tokens.size() && only_members; ++i) {
      if (tokens[i] != name) continue;
      used = true;
      const std::string& before = tokens[i - 1];
      const bool pasted = (i >= 2 && before == "#" && tokens[i - 2] == "#") ||
                          (i + 2 < tokens.size() && tokens[i + 1] == "#" && tokens[i + 2] == "#");
      only_members = before == "." || before == "->" || pasted;
    }
    if (used && only_members) members.push_back(position);
  }
  return members;
}

}  // namespace

DefinitionFile::Macro ReadMacroLine(std::string_view line) {
  DefinitionFile::Macro macro;
  LineTokenizer tokenizer(line);
  std::vector<std::string> tokens;
  for (;;) {
    std::string_view token = tokenizer.Next();
    ++macro.tokens;
    if (IsLineEnd(token)) break;
    tokens.emplace_back(token);
  }
  macro.invalid_sjis = tokenizer.invalid_sjis_count();
  // tokens[0] is the name; a "(" right after it may open a parameter list.
  size_t body = 1;
  if (tokens.size() > 1 && tokens[1] == "(") {
    int depth = 0;
    for (size_t i = 1; i < tokens.size(); ++i) {
      if (tokens[i] == "(") ++depth;
      if (tokens[i] == ")" && --depth == 0) {
        if (IsParameterList(tokens, 1, i)) {
          body = i + 1;
          macro.function_like = true;
          macro.member_parameters = MemberParameters(tokens, i);
        }
        break;
      }
    }
  }
  if (body < tokens.size()) macro.body = tokens[body];
  return macro;
}

std::optional<DefinitionFile::Macro> DefinitionFile::FindMacro(std::string_view call_name) const {
  auto it = names_.find(call_name);
  if (it == names_.end()) return std::nullopt;
  return ReadMacroLine(lines_[it->second]);
}

void ProjectMacros::Load(std::string_view folder) {
  const DirListing listing = ListDirectory(folder, "*.dat");
  std::string bytes;
  for (const DirEntry& entry : listing.entries) {
    if (entry.is_dir || !ReadFileBytes(JoinPath(folder, entry.name), bytes)) continue;
    const std::string text = StripCarriageReturns(bytes);
    std::string_view rest = text;
    while (!rest.empty()) {
      const size_t nl = rest.find('\n');
      const std::string_view line = rest.substr(0, nl);
      rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
      if (line.empty()) break;  // the definitions end at the first empty line
      const std::string_view name = DefinedName(line);
      // Only a parameter list right after the name can make it function-like.
      if (name.empty() || line.size() <= name.size() || (line[name.size()] != '(' &&
                                                         line.substr(name.size(), 3) != "\t(\t"))
        continue;
      if (macros_.count(std::string(name)) != 0) continue;
      DefinitionFile::Macro macro = ReadMacroLine(line);
      if (macro.function_like) macros_.emplace(std::string(name), std::move(macro));
    }
  }
}

const DefinitionFile::Macro* ProjectMacros::Find(std::string_view name) const {
  auto it = macros_.find(std::string(name));
  return it == macros_.end() ? nullptr : &it->second;
}

size_t DefinitionFile::memory_size() const {
  // The text, and about as much again for the lines and the name index.
  return 2 * text_.size() + lines_.size() * sizeof(std::string_view);
}

const DefinitionFile* DefinitionFileCache::Get(const std::string& path, bool* fresh) {
  auto it = slots_.find(path);
  if (it != slots_.end()) {
    if (fresh != nullptr) *fresh = false;
    ages_.splice(ages_.begin(), ages_, it->second.age);
    return it->second.file.get();
  }
  if (fresh != nullptr) *fresh = true;
  std::string bytes;
  std::unique_ptr<DefinitionFile> file;
  if (ReadFileBytes(path, bytes)) file = std::make_unique<DefinitionFile>(StripCarriageReturns(bytes));
  ages_.push_front(path);
  const DefinitionFile* result = file.get();
  used_ += file ? file->memory_size() : 0;
  slots_.emplace(path, Slot{std::move(file), ages_.begin()});
  Trim();
  return result;
}

// Drops the least recently used files beyond the budget, never the one just
// handed out.
void DefinitionFileCache::Trim() {
  while (used_ > budget_ && ages_.size() > 1) {
    auto it = slots_.find(ages_.back());
    if (it->second.file) used_ -= it->second.file->memory_size();
    slots_.erase(it);
    ages_.pop_back();
  }
}

}  // namespace kv
