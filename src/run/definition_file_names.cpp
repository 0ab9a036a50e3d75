#include "run/definition_file_names.h"

#include "lex/tokenizer.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "run/work_folder.h"

namespace kv {
namespace {

constexpr size_t kSuffixSize = 10;  // "_DEF_C.dat"
constexpr size_t kMaxNameBytes = 255;

// The folders of a path below the project folder joined with "_".
std::string FolderQualifier(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  std::string out(path.substr(0, slash));
  for (char& c : out)
    if (c == '/') c = '_';
  return out;
}

bool Usable(const std::string& name) {
  return work::IsSafeComponent(name) && ToDiskPath(name).size() <= kMaxNameBytes;
}

}  // namespace

std::string PlainDefinitionFileName(std::string_view source_file) {
  const size_t dot = source_file.rfind('.');
  const std::string_view base = source_file.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view{} : source_file.substr(dot);
  const bool header = extension.find(".h") != std::string_view::npos || extension.find(".H") != std::string_view::npos;
  std::string name(base);
  name += header ? "_DEF_H.dat" : "_DEF_C.dat";
  if (!work::IsSafeComponent(name)) return {};
  return name;
}

std::string DefinitionFileNamer::Place(const std::string& path, const std::string& plain,
                                       std::optional<Move>* move) {
  move->reset();
  const std::string key = LowerAsciiName(plain);
  // A moved table already holds this name (a source file named like one,
  // util@x.c): this file's table is the one that moves aside.
  if (taken_.count(key) != 0) return Qualified(path, plain);
  auto [it, first] = plain_holders_.try_emplace(key, Holder{path, plain});
  if (!first && it->second.path != path) {
    *move = Move{it->second.path, it->second.plain, Qualified(it->second.path, it->second.plain)};
    it->second = Holder{path, plain};
  }
  return plain;
}

std::string DefinitionFileNamer::Qualified(std::string_view path, std::string_view plain) {
  const std::string base(plain.substr(0, plain.size() - kSuffixSize));
  const std::string suffix(plain.substr(plain.size() - kSuffixSize));
  const std::string folders = FolderQualifier(path);
  for (int n = 1;; ++n) {
    const std::string number = n == 1 ? std::string() : "-" + std::to_string(n);
    std::string name = base + "@" + folders + number + suffix;
    // Folders too deep for one file name: the number alone tells them apart
    // (without the base too when even that is too long on disk).
    if (!Usable(name)) name = base + "@" + std::to_string(n) + suffix;
    if (!Usable(name)) name = "@" + std::to_string(n) + suffix;
    const std::string key = LowerAsciiName(name);
    if (!Usable(name) || taken_.count(key) != 0 || plain_holders_.count(key) != 0) continue;
    taken_.insert(key);
    return name;
  }
}

void DefinitionFilePaths::Load() {
  LineReader in;
  if (!in.Open(work::Path(work::kDefFilePaths))) return;
  std::string line;
  while (in.ReadLineNoEol(line)) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == line.size()) continue;
    std::string name = line.substr(tab + 1);
    if (!work::IsSafeComponent(name)) continue;  // a damaged list never names a path outside DEF3
    moved_[line.substr(0, tab)] = std::move(name);
  }
}

std::string DefinitionFilePaths::NameFor(std::string_view path, std::string_view source_file) const {
  if (!moved_.empty()) {
    auto it = moved_.find(std::string(path));
    if (it != moved_.end()) return it->second;
  }
  return PlainDefinitionFileName(source_file);
}

}  // namespace kv
