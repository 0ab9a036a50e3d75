#include "prepro/header_index.h"

#include "lex/tokenizer.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv {

std::string IncludePath(std::string_view include_token, std::string_view including_path) {
  std::string out = SplitPath(including_path).folder;
  for (char c : include_token)
    if (c != '"') out.push_back(c);
  return out;
}

std::string NormalizePathForMatch(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsShiftJisLead(c) && i + 1 < path.size()) {
      out.push_back(path[i]);
      out.push_back(path[++i]);
      continue;
    }
    if (c == '\\') c = '/';
    if (c == '/' && !out.empty() && out.back() == '/') continue;  // "a//b" is "a/b"
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    out.push_back(static_cast<char>(c));
  }
  return out;
}

namespace {

std::string_view LastComponent(std::string_view normalized) {
  size_t slash = normalized.rfind('/');
  return slash == std::string_view::npos ? normalized : normalized.substr(slash + 1);
}

}  // namespace

void HeaderIndex::Load(std::string_view list_path) {
  LineReader in;
  if (!in.Open(list_path)) return;
  LoadText(in.text());
}

void HeaderIndex::LoadText(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    Header header;
    header.full_path.assign(line.substr(tab + 1));
    header.match_path = NormalizePathForMatch(header.full_path);
    by_file_name_[std::string(LastComponent(header.match_path))].push_back(headers_.size());
    headers_.push_back(std::move(header));
  }
}

bool HeaderIndex::LookupHeader(std::string_view include_name, std::string& full_path) const {
  std::string name = NormalizePathForMatch(include_name);
  for (;;) {
    if (name.starts_with("./")) {
      name.erase(0, 2);
    } else if (name.starts_with("../")) {
      name.erase(0, 3);
    } else if (name.starts_with("/")) {
      name.erase(0, 1);
    } else {
      break;
    }
  }
  std::string_view file_name = LastComponent(name);
  if (file_name.empty()) return false;
  auto it = by_file_name_.find(std::string(file_name));
  if (it == by_file_name_.end()) return false;
  for (size_t index : it->second) {
    const std::string& candidate = headers_[index].match_path;
    if (!candidate.ends_with(name)) continue;
    size_t start = candidate.size() - name.size();
    if (start == 0 || candidate[start - 1] == '/') {
      full_path = headers_[index].full_path;
      return true;
    }
  }
  return false;
}

}  // namespace kv
