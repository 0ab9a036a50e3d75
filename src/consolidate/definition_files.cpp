#include "consolidate/definition_files.h"

#include "run/work_folder.h"
#include "lex/name_match.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"

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
  ReadMacroLine();
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

// The first line holding "(" decides for every call: its name, and the body
// token after its parameter list, "(" counted up and ")" down.
void DefinitionFile::ReadMacroLine() {
  for (std::string_view line : lines_) {
    const size_t paren = line.find('(');
    if (paren == std::string_view::npos) continue;
    has_macro_line_ = true;
    macro_name_ = line.substr(0, paren);
    LineTokenizer tokens(line);
    int depth = 0;
    bool closed = false;
    for (;;) {
      std::string_view token = tokens.Next();
      ++macro_tokens_;
      if (closed || IsLineEnd(token)) {
        if (closed) macro_body_ = token;
        break;
      }
      if (token == "(") ++depth;
      if (token == ")" && --depth == 0) closed = true;
    }
    invalid_sjis_ = tokens.invalid_sjis_count();
    return;
  }
}

bool DefinitionFile::IsMacro(std::string_view call_name) const {
  return has_macro_line_ && macro_name_ == call_name;
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

std::string DefinitionFileName(std::string_view source_file) {
  const size_t dot = source_file.rfind('.');
  const std::string_view base = source_file.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view{} : source_file.substr(dot);
  const bool header = extension.find(".h") != std::string_view::npos || extension.find(".H") != std::string_view::npos;
  std::string name(base);
  name += header ? "_DEF_H.dat" : "_DEF_C.dat";
  if (!work::IsSafeComponent(name)) return {};
  return name;
}

}  // namespace kv
