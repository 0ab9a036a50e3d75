#include "report/link_check.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "platform/paths.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t FindIgnoringCase(std::string_view text, std::string_view what, size_t from) {
  for (size_t i = from; i + what.size() <= text.size(); ++i)
    if (StartsWithIgnoringCase(text.substr(i), what)) return i;
  return std::string_view::npos;
}

// The quoted strings inside a javaScript: address: the pages that
// mysetFrame('a','b') loads.
void AddScriptTargets(std::string_view script, std::vector<std::string>& out) {
  size_t open = script.find('(');
  if (open == std::string_view::npos) return;
  for (size_t i = open; i < script.size(); ++i) {
    if (script[i] != '\'' && script[i] != '"') continue;
    size_t close = script.find(script[i], i + 1);
    if (close == std::string_view::npos) return;
    out.emplace_back(script.substr(i + 1, close - i - 1));
    i = close;
  }
}

// The attributes of one tag (the text between "<" and ">").
void AddTagTargets(std::string_view tag, std::vector<std::string>& out) {
  size_t i = 0;
  while (i < tag.size()) {
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    size_t name_start = i;
    while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '=') ++i;
    std::string_view name = tag.substr(name_start, i - name_start);
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') {
      if (i == name_start) ++i;
      continue;
    }
    ++i;
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    std::string_view value;
    if (i < tag.size() && (tag[i] == '\'' || tag[i] == '"')) {
      size_t close = tag.find(tag[i], i + 1);
      if (close == std::string_view::npos) close = tag.size();
      value = tag.substr(i + 1, close - i - 1);
      i = close + 1;
    } else {
      size_t start = i;
      while (i < tag.size() && !IsBlank(tag[i])) ++i;
      value = tag.substr(start, i - start);
    }
    if (!StartsWithIgnoringCase(name, "href") || name.size() != 4) {
      if (!(StartsWithIgnoringCase(name, "src") && name.size() == 3)) continue;
    }
    if (StartsWithIgnoringCase(value, "javascript:"))
      AddScriptTargets(value, out);
    else
      out.emplace_back(value);
  }
}

bool IsWebAddress(std::string_view target) {
  size_t colon = target.find(':');
  size_t slash = target.find_first_of("/\\");
  // "scheme:" before any separator (a Windows drive letter is no address we write).
  return colon != std::string_view::npos && colon > 1 && (slash == std::string_view::npos || colon < slash);
}

// %XX escapes of an address, as a browser reads them before it opens a file.
std::string Unescaped(std::string_view target) {
  auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
  std::string out;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size() && hex(target[i + 1]) >= 0 && hex(target[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex(target[i + 1]) * 16 + hex(target[i + 2])));
      i += 2;
    } else {
      out.push_back(target[i]);
    }
  }
  return out;
}

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<std::string> PageIds(std::string_view html) {
  std::vector<std::string> ids;
  for (size_t at = FindIgnoringCase(html, " id=", 0); at != std::string_view::npos; at = FindIgnoringCase(html, " id=", at + 4)) {
    size_t start = at + 4;
    if (start >= html.size()) break;
    size_t end;
    if (html[start] == '\'' || html[start] == '"') {
      end = html.find(html[start], start + 1);
      ++start;
    } else {
      end = html.find_first_of(" \t\r\n>", start);
    }
    if (end == std::string_view::npos) break;
    ids.emplace_back(html.substr(start, end - start));
  }
  return ids;
}

std::vector<std::string> PageLinks(std::string_view html) {
  std::vector<std::string> out;
  for (size_t open = html.find('<'); open != std::string_view::npos; open = html.find('<', open + 1)) {
    size_t close = html.find('>', open + 1);
    if (close == std::string_view::npos) break;
    // Attribute values may hold ">" only when quoted; the tags we write do not.
    std::string_view tag = html.substr(open + 1, close - open - 1);
    AddTagTargets(tag, out);
    open = close;
    // A script builds its links when it runs (the search page): what its
    // text holds between quotes is no link of the page.
    if (StartsWithIgnoringCase(tag, "script") && (tag.size() == 6 || IsBlank(tag[6]))) {
      size_t end = FindIgnoringCase(html, "</script", close);
      if (end == std::string_view::npos) break;
      open = end;
    }
  }
  return out;
}

LinkCheck CheckLinks(const std::string& folder, const std::vector<std::string>& skipped) {
  LinkCheck result;
  // The ids of each page a fragment names, read once.
  std::map<std::string, std::set<std::string>> ids_of;
  auto has_id = [&ids_of](const fs::path& page, const std::string& id) {
    auto [it, added] = ids_of.try_emplace(page.string());
    if (added)
      for (std::string& found : PageIds(ReadWholeFile(page))) it->second.insert(std::move(found));
    // A page without ids reads its fragment with a script (index.html#name).
    return it->second.empty() || it->second.count(id) > 0;
  };
  std::error_code ec;
  const fs::path root(folder);
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec)) {
      for (const std::string& name : skipped)
        if (it->path().filename() == name) it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file(ec)) continue;
    const fs::path& page = it->path();
    const std::string extension = page.extension().string();
    if (extension != ".html" && extension != ".HTML" && extension != ".htm") continue;
    ++result.pages;
    for (const std::string& link : PageLinks(ReadWholeFile(page))) {
      std::string target = link.substr(0, link.find('#'));
      if (target.empty() && link.size() > 1 && link[0] == '#') {
        ++result.links;
        if (!has_id(page, link.substr(1))) result.broken.push_back({fs::relative(page, root, ec).string(), link});
        continue;
      }
      if (target.empty() || IsWebAddress(target)) continue;
      ++result.links;
      const fs::path resolved = page.parent_path() / fs::path(ToDiskPath(Unescaped(target)));
      const size_t hash = link.find('#');
      const std::string extension_of_target = resolved.extension().string();
      if (!fs::exists(resolved, ec)) {
        result.broken.push_back({fs::relative(page, root, ec).string(), link});
      } else if (hash != std::string::npos && (extension_of_target == ".html" || extension_of_target == ".htm") &&
                 !has_id(resolved, link.substr(hash + 1))) {
        result.broken.push_back({fs::relative(page, root, ec).string(), link});
      }
    }
  }
  return result;
}

}  // namespace kv
