// Golden files: the exact bytes a stage must write for a small project.
//
// A golden case is a folder tests/golden/<case>/ with the input (a C project,
// or a seeded work folder) and expected/, a tree of the files the stage must
// write, each at its path relative to the current directory of the run
// (expected/vcwk012345/DEF3/main_DEF_C.dat, ...). Only the files present in
// expected/ are compared. Run a test with KAVENOR_UPDATE_GOLDEN=1 to write
// the actual files over the expected ones (then review the diff).
#pragma once

#include <string>
#include <vector>

namespace kv::testing {

// tests/golden/<name> in the source tree.
std::string GoldenCase(const std::string& name);

// Copies a folder's contents into `to` (created; existing files replaced).
void CopyTree(const std::string& from, const std::string& to);

// Every file under expected_dir compared with the file at the same relative
// path under actual_dir; one text per difference (empty when all match).
std::vector<std::string> CompareWithGolden(const std::string& expected_dir, const std::string& actual_dir = ".");

}  // namespace kv::testing
