#include "analysis/analysis_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "analysis/analysis_stages.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "prepro/prepro_stages.h"
#include "support/golden.h"

namespace fs = std::filesystem;

namespace kv::testing {

AnalysisRun::AnalysisRun(const std::string& source_folder_name, int memory_factor)
    : ctx(session, ui, log, RunOptions{"", "", false, memory_factor}) {
  for (std::string_view f : {work::kDef, work::kDefTmp, work::kDef2, work::kDef3, work::kFileInfo}) {
    MakeFolder(work::kRoot);
    MakeFolder(work::Path(f));
  }
  ctx.source_folder_name = source_folder_name;
  ctx.mirror_root = JoinPath(work::Path(work::kDef), source_folder_name);
  MakeFolder(ctx.mirror_root);
  session.type_names.Reset();
}

void AnalysisRun::AddSource(const std::string& relative_path, const std::string& utf8_text) {
  WriteFile("vcwk012345/DEF/" + ToUtf8(ctx.source_folder_name) + "/" + relative_path, ToCp932(utf8_text));
}

void AnalysisRun::AddSourceTree(const std::string& folder) {
  CopyTree(folder, "vcwk012345/DEF/" + ToUtf8(ctx.source_folder_name));
}

void AnalysisRun::AddInput(const std::string& folder) { CopyTree(folder, "."); }

void AnalysisRun::RunDefineAls() { RunDefineAlsStage(ctx); }
void AnalysisRun::RunFileAls() { RunFileAlsStage(ctx); }
void AnalysisRun::RunSpecList() { RunSpecListStage(ctx); }

std::string AnalysisRun::Text(const std::string& relative_to_work) const {
  return ReadSjisText("vcwk012345/" + relative_to_work);
}

std::vector<std::string> AnalysisRun::WrittenFiles() const {
  const std::string mirror = "vcwk012345/DEF/" + ToUtf8(ctx.source_folder_name);
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator("vcwk012345")) {
    if (!e.is_regular_file()) continue;
    std::string p = e.path().lexically_normal().string();
    if (p.rfind(mirror + "/", 0) == 0) continue;
    out.push_back(p);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> AnalysisRun::CompareWithCase(const std::string& name) const {
  const std::string expected = GoldenCase(name) + "/expected";
  if (std::getenv("KAVENOR_UPDATE_GOLDEN") != nullptr) {
    fs::remove_all(expected);
    for (const std::string& p : WrittenFiles()) {
      fs::create_directories(fs::path(expected + "/" + p).parent_path());
      fs::copy_file(p, expected + "/" + p, fs::copy_options::overwrite_existing);
    }
    if (fs::exists("AnalyzeLog.txt")) fs::copy_file("AnalyzeLog.txt", expected + "/AnalyzeLog.txt");
  }
  std::vector<std::string> differences = CompareWithGolden(expected);
  // Nothing written that the case does not expect.
  for (const std::string& p : WrittenFiles())
    if (!fs::exists(expected + "/" + p)) differences.push_back(p + ": written, not expected");
  if (fs::exists("AnalyzeLog.txt") && !fs::exists(expected + "/AnalyzeLog.txt"))
    differences.push_back("AnalyzeLog.txt: written, not expected");
  return differences;
}

std::string RecordSection(const std::string& record, const std::string& tag) {
  size_t at = record.find(tag + "\n");
  if (at == std::string::npos) return "(no " + tag + ")";
  at += tag.size() + 1;
  return record.substr(at, record.find("\n\n", at) - at);
}

std::string FunctionSection(AnalysisRun& run, const std::string& function, const std::string& tag) {
  return RecordSection(run.Text("func_als/" + function), tag);
}

}  // namespace kv::testing
