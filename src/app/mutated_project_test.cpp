// The whole run on damaged sources: the sample project with spans cut,
// copied, and stray tokens, directives, comment openers and bytes that are
// not Shift-JIS dropped in. Every stage must take whatever the earlier ones
// wrote for such files, so this catches what per-stage hostile tests cannot:
// one stage's odd-but-legal output breaking the next. The run must complete,
// its log must reach the end banner, and the tree and variable commands must
// answer on the work folder it left. Under the sanitizer build any write past
// storage ends the test.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>

#include "app/analyze_test_run.h"
#include "report/report_commands.h"
#include "support/golden.h"
#include "support/test_folder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Small fixed generator, so a failing seed reproduces on every machine.
class Mutator {
 public:
  explicit Mutator(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}

  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }

  std::string Damage(std::string text) {
    static const std::string_view kPieces[] = {
        "{", "}", "(", ")", ";", "\n#if X\n", "\n#endif\n", "\n#else\n", "\n#elif 1\n",
        "\n#define X(a) a\n", "\n#define Y Y\n", "/*", "*/", "//", "\"", "'", "\\\n", "[", "]",
        "->", ",", " static ", " typedef ", " struct ", " enum { ", "\x81", "\xff\xfe",
        "\n#include \"config.h\"\n", "\n#include \"main.c\"\n", " = ", " *", "&", "0x", "1.5e", "?",
        ":", " return ", " if (", " while (", " for (;;", " switch (", " case 1:", "\t", "\r",
        std::string_view("\0", 1), " int ", " void ", " f(", " x[", " a.b ", "\n#define Z (1/0)\n",
        "\n#if (1/0)\n", "#", "##", "...", " unsigned long ", " const ", " do {", " } while(0);",
        " else ", " sizeof(", "\n#undef X\n", "\n#ifdef X\n", "\n#ifndef X\n"};
    size_t edits = 1 + Below(30);
    for (size_t i = 0; i < edits; ++i) {
      size_t pos = Below(text.size() + 1);
      size_t kind = Below(100);
      if (kind < 25) {
        text.erase(pos, 1 + Below(200));
      } else if (kind < 35) {
        text.insert(pos, text.substr(pos, 1 + Below(2000)));
      } else if (kind < 90) {
        std::string_view piece = kPieces[Below(std::size(kPieces))];
        size_t repeat = Below(50) == 0 ? 100 + Below(3000) : 1;
        std::string run;
        for (size_t r = 0; r < repeat; ++r) run += piece;
        text.insert(pos, run);
      } else if (kind < 99) {
        std::string bytes;
        for (size_t n = 1 + Below(50); n > 0; --n) bytes.push_back(static_cast<char>(Below(256)));
        text.insert(pos, bytes);
      } else {
        text.resize(text.size() / 2 + pos / 2);  // cut inside the later half
      }
    }
    return text;
  }

 private:
  uint64_t Next() {  // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  uint64_t state_;
};

void DamageProject(const std::string& folder, uint64_t seed) {
  Mutator mutator(seed);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::string path = entry.path().string();
    testing::WriteFile(path, mutator.Damage(testing::ReadFile(path)));
  }
}

bool LogReachesTheEnd(const std::string& log) {
  return log.find("ANALYSYS END") != std::string::npos;
}

// 24 seeds by default; KAVENOR_MUTATION_SEEDS=N runs seeds 1..N for a longer hunt.
uint64_t SeedCount() {
  const char* text = std::getenv("KAVENOR_MUTATION_SEEDS");
  if (text == nullptr) return 24;
  uint64_t count = std::strtoull(text, nullptr, 10);
  return count == 0 ? 24 : count;
}

TEST(MutatedProjectTest, EveryDamagedProjectRunsToTheEnd) {
  const uint64_t seeds = SeedCount();
  for (uint64_t seed = 1; seed <= seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    testing::ScratchFolder scratch;
    testing::CopyTree(testing::SourceRoot() + "/samples/engine_ctl", "engine_ctl");
    DamageProject("engine_ctl", seed);
    fs::create_directory("out");

    testing::AnalyzeTestRun run("engine_ctl", "out");
    ASSERT_EQ(run.Run(), AnalyzeResult::Status::kCompleted);
    EXPECT_TRUE(LogReachesTheEnd(testing::ReadFile("AnalyzeLog.txt")));

    // Found or not, both commands must answer; what they find depends on the damage.
    RunContext ctx(run.session, run.ui, run.log, run.options);
    RunFunctionTreeCommand(ctx, "main", NameSource::kEdit);
    RunVariableCommand(ctx, "g_rpm", NameSource::kEdit);
  }
}

}  // namespace
}  // namespace kv
