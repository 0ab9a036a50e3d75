#include "support/golden.h"

#include <cstdlib>
#include <filesystem>

#include "support/test_folder.h"

namespace fs = std::filesystem;

namespace kv::testing {
namespace {

// The first differing line, shown as text (CP932 converted) for a readable
// failure message.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
  size_t line_start = expected.rfind('\n', i == 0 ? 0 : i - 1);
  line_start = line_start == std::string::npos ? 0 : line_start + 1;
  auto line_at = [&](const std::string& s) {
    size_t end = s.find('\n', line_start);
    return s.substr(line_start, end == std::string::npos ? std::string::npos : end - line_start);
  };
  return "at byte " + std::to_string(i) + "\n    expected: " + line_at(expected) + "\n    actual:   " + line_at(actual);
}

}  // namespace

std::string GoldenCase(const std::string& name) { return SourceRoot() + "/tests/golden/" + name; }

void CopyTree(const std::string& from, const std::string& to) {
  fs::create_directories(to);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::vector<std::string> CompareWithGolden(const std::string& expected_dir, const std::string& actual_dir) {
  std::vector<std::string> differences;
  const bool update = std::getenv("KAVENOR_UPDATE_GOLDEN") != nullptr;
  for (const auto& entry : fs::recursive_directory_iterator(expected_dir)) {
    if (!entry.is_regular_file()) continue;
    fs::path relative = fs::relative(entry.path(), expected_dir);
    fs::path actual_path = fs::path(actual_dir) / relative;
    if (update) {
      if (fs::exists(actual_path)) fs::copy_file(actual_path, entry.path(), fs::copy_options::overwrite_existing);
      continue;
    }
    if (!fs::exists(actual_path)) {
      differences.push_back(relative.string() + ": not written");
      continue;
    }
    std::string expected = ReadFile(entry.path().string());
    std::string actual = ReadFile(actual_path.string());
    if (expected != actual)
      differences.push_back(relative.string() + ": differs " +
                            FirstDifference(ReadSjisText(entry.path().string()), ReadSjisText(actual_path.string())));
  }
  return differences;
}

}  // namespace kv::testing
