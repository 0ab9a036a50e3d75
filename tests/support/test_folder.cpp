#include "support/test_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/encoding.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace kv::testing {

ScratchFolder::ScratchFolder() {
  previous_ = fs::current_path().string();
  std::string pattern = (fs::temp_directory_path() / "kavenor-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = buffer.data();
  fs::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::current_path(previous_, ec);
  fs::remove_all(path_, ec);
}

void WriteFile(const std::string& utf8_path, std::string_view bytes) {
  fs::path p(utf8_path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteSjisText(const std::string& utf8_path, std::string_view utf8_text) {
  std::string sjis = ToCp932(utf8_text);
  std::string crlf;
  for (char c : sjis) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  WriteFile(utf8_path, crlf);
}

std::string ReadFile(const std::string& utf8_path) {
  std::ifstream in(utf8_path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string ReadSjisText(const std::string& utf8_path) {
  return ToUtf8(StripCarriageReturns(ReadFile(utf8_path)));
}

bool Exists(const std::string& utf8_path) { return fs::exists(fs::path(utf8_path)); }

std::string SourceRoot() {
  const char* root = std::getenv("KAVENOR_SOURCE_DIR");
  return root != nullptr ? root : ".";
}

}  // namespace kv::testing
