// A seeded work folder for the analysis tests: a scratch folder as the
// current directory, the mirror of the preprocessed copy below
// vcwk012345/DEF/<name>, a run context with a recording window, and the three
// stages DEFINE ALS, FILE ALS and SPEC LIST.
#pragma once

#include <string>
#include <vector>

#include "run/analysis_log.h"
#include "run/run_context.h"
#include "platform/user_interface.h"
#include "support/test_folder.h"

namespace kv::testing {

// The section `tag` of a record's text, its entries one per line ("(no
// <tag>)" when the record has none).
std::string RecordSection(const std::string& record, const std::string& tag);

class AnalysisRun {
 public:
  explicit AnalysisRun(const std::string& source_folder_name = "proj", int memory_factor = 1);

  // A file of the mirror (UTF-8 text written as CP932, LF kept as written).
  void AddSource(const std::string& relative_path, const std::string& utf8_text);
  // Every file below `folder` copied into the mirror.
  void AddSourceTree(const std::string& folder);
  // The copy of a golden case's input/ (a seeded work folder) into the
  // current directory.
  void AddInput(const std::string& folder);

  void RunDefineAls();
  void RunFileAls();
  void RunSpecList();
  void RunAll() {
    RunDefineAls();
    RunFileAls();
    RunSpecList();
  }

  // A work-folder file as UTF-8 text with LF line ends ("" when missing).
  std::string Text(const std::string& relative_to_work) const;
  // Relative paths of every file below vcwk012345 but the mirror's (what the
  // stages wrote, and seeded files they append to), sorted.
  std::vector<std::string> WrittenFiles() const;
  // Compares what the stages wrote with tests/golden/<name>/expected; with
  // KAVENOR_UPDATE_GOLDEN set, the expected tree is written first.
  std::vector<std::string> CompareWithCase(const std::string& name) const;

  ScratchFolder scratch;
  Session session;
  RecordingUi ui;
  AnalysisLog log;
  RunContext ctx;
};

// The section `tag` of the body analysis's record of `function`
// (func_als/<function>).
std::string FunctionSection(AnalysisRun& run, const std::string& function, const std::string& tag);

}  // namespace kv::testing
