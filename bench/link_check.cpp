// kv_link_check [--all] RESULT_FOLDER: every link of the report in
// RESULT_FOLDER (a result folder of `kavenor analyze`, or any folder of
// pages) must point at a file. The work-folder backup "[解析テンポラリ]" is
// left out unless --all is given. Prints the number of pages, links and
// broken links, then each broken link as "page -> target"; exit status 1
// when any is broken.
#include <string>
#include <vector>

#include <cstdio>

#include "platform/encoding.h"
#include "report/link_check.h"

int main(int argc, char** argv) {
  const bool all = argc == 3 && std::string(argv[1]) == "--all";
  if (argc != 2 && !all) {
    std::fprintf(stderr, "usage: kv_link_check [--all] RESULT_FOLDER\n");
    return 2;
  }
  std::vector<std::string> skipped;
  if (!all) skipped.emplace_back(kv::kWorkFolderBackup);
  const kv::LinkCheck check = kv::CheckLinks(argv[argc - 1], skipped);
  std::printf("links: %ld pages, %ld links, %zu broken\n", check.pages, check.links, check.broken.size());
  for (const kv::BrokenLink& link : check.broken)
    std::printf("  %s -> %s\n", link.page.c_str(), kv::ToUtf8(link.target).c_str());
  return check.broken.empty() ? 0 : 1;
}
