// Checks that every link of a report points at a file: over all .html
// files below a folder, the href and src attributes of every tag, and the
// two page addresses of the list pages' javaScript:mysetFrame(...) links.
// Targets are resolved as a browser resolves them on a case-sensitive file
// system: relative to the page's folder, "\" taken as "/", the CP932 text
// as its UTF-8 file name, %XX escapes decoded. Web addresses (http:, mailto: ...) are not
// checked. A fragment ("page.html#L12", "#L12") must name an id of its page,
// unless the page has no id at all (its script reads the fragment, as
// index.html#<function> does).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct BrokenLink {
  std::string page;    // disk path of the page, relative to the folder
  std::string target;  // the link as written (CP932)
};

struct LinkCheck {
  long pages = 0;
  long links = 0;
  std::vector<BrokenLink> broken;
};

// `folder` is a disk (UTF-8) path. Sub-folders named in `skipped` (UTF-8
// names, at any depth) are not looked into.
LinkCheck CheckLinks(const std::string& folder, const std::vector<std::string>& skipped = {});

// The result folder's backup of the work folder, "[解析テンポラリ]" (UTF-8):
// the work folder's pages as they were, not the report. Its frameset names
// FileFuncInfo.txt, which only the result folder holds at its top.
inline constexpr std::string_view kWorkFolderBackup = "[解析テンポラリ]";

// The link targets of one page's text, in page order (for tests).
std::vector<std::string> PageLinks(std::string_view html);
// The id attributes of one page's text, in page order (for tests).
std::vector<std::string> PageIds(std::string_view html);

}  // namespace kv
