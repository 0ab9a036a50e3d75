// A fresh scratch folder per test, made the current directory for the test's
// duration (the program works in the current directory, as on Windows).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv::testing {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

// Writes bytes to a file (folders created), relative to the current directory.
void WriteFile(const std::string& utf8_path, std::string_view bytes);
// Writes UTF-8 text as CP932 with CR LF line ends.
void WriteSjisText(const std::string& utf8_path, std::string_view utf8_text);
// Raw bytes of a file; empty when missing.
std::string ReadFile(const std::string& utf8_path);
// A CP932/CR LF file as UTF-8 text with LF line ends.
std::string ReadSjisText(const std::string& utf8_path);
bool Exists(const std::string& utf8_path);
// The repository's root (KAVENOR_SOURCE_DIR, set by ctest).
std::string SourceRoot();

}  // namespace kv::testing
