#include "consolidate/consolidate_test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/golden.h"

namespace fs = std::filesystem;

namespace kv::testing {

void SeedFromGolden(const std::string& name) {
  const fs::path seed = GoldenCase(name) + "/seed";
  for (const auto& entry : fs::recursive_directory_iterator(seed)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    WriteSjisText(fs::relative(entry.path(), seed).string(), text.str());
  }
}

void WriteRecord(const std::string& utf8_path, const std::string& utf8_text) { WriteSjisText(utf8_path, utf8_text); }

std::string GoldenDifferences(const std::string& name, const std::string& step) {
  std::string out;
  for (const std::string& d : CompareWithGolden(GoldenCase(name) + "/expected/" + step)) out += d + "\n";
  return out;
}

StageHarness::StageHarness(bool keep_locals, int memory_factor)
    : ctx_(session_, ui_, log_, [&] {
        RunOptions o;
        o.keep_locals = keep_locals;
        o.memory_factor = memory_factor;
        return o;
      }()) {}

}  // namespace kv::testing
