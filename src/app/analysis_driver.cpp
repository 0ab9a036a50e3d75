#include "app/analysis_driver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "analysis/analysis_stages.h"
#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "consolidate/consolidate_stages.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "prepro/prepro_stages.h"
#include "report/call_graph_pages.h"
#include "report/report_stages.h"

namespace kv {
namespace {

// Before HEADER LIST: an empty Header_List.txt (created, not truncated).
StageOutcome CreateHeaderList(RunContext&) {
  TextWriter out(work::Path(work::kHeaderList), WriteMode::kOverwrite);
  return StageOutcome::kContinue;
}

// Between PREPRO and DEFINE ALS: the folders again, FILEINFO, and the
// type-name table back to its six base names.
StageOutcome PrepareDefinitionStage(RunContext& ctx) {
  MakeFolder(work::kRoot);
  MakeFolder(work::Path(work::kFileInfo));
  ctx.types().Reset();
  ctx.builtin_type_name_count = ctx.types().Count();
  return StageOutcome::kContinue;
}

}  // namespace

const std::vector<StageFrame>& AnalysisStages() {
  static const std::vector<StageFrame> stages = {
      {"ヘッダ・プリプロ解析中", "HEADER LIST START   ", "HEADER LIST END     ", "ヘッダ・プリプロ解析終了", 0,
       false, CreateHeaderList, RunHeaderListStage},
      {"プリプロ解析ソフト作成中", "PREPRO START        ", "PREPRO END          ", "プリプロ解析ソフト作成完了",
       100, false, nullptr, RunPreproStage},
      {"プログラム定義解析中", "DEFINE ALS START    ", "DEFINE ALS END      ", "プログラム定義解析完了", 200, false,
       PrepareDefinitionStage, RunDefineAlsStage},
      {"ファイル内部解析中", "FLIE ALS START      ", "FILE ALS END        ", "ファイル内部解析完了", 250, false,
       nullptr, RunFileAlsStage},
      {"ファイル内部解析+", "FUNC ALS1.5 START   ", "FUNC ALS1.5 END     ", "ファイル内部解析+完了", 300, false,
       nullptr, RunFuncAls15Stage},
      {"解析結果整合中", "FUNC ALS2 START     ", "FUNC ALS2 END       ", "解析結果整合完了", 350, false, nullptr,
       RunFuncAls2Stage},
      {"ファイル間の整合解析中", "FUNC ALS3 START     ", "FUNC ALS3 END       ", "ファイル間の整合解析完了", 400,
       false, nullptr, RunFuncAls3Stage},
      {"解析結果の最適化中", "FUNC ALS4 START     ", "FUNC ALS4 END       ", "解析結果の最適化 完了", 500, true,
       nullptr, RunFuncAls4Stage},
      {"コールリスト呼出し作成中", "CALL LIST START     ", "CALL LIST END       ", "コールリスト呼出し作成完了", 600,
       false, StartCallGraphs, RunCallListStage},
      {"変数抽出・整合中", "VALUE LIST START    ", "VALUE LIST END      ", "変数抽出・整合終了", 700, true, nullptr,
       RunValueListStage},
      {"制御仕様作成中", "SPEC LIST START     ", "SPEC LIST END       ", "制御仕様作成中", 750, false, nullptr,
       RunSpecListStage},
      {"RAMアクセス解析中", "RAM ACS LIST START  ", "RAM ACS LIST END    ", "RAMアクセス解析完了", 800, false,
       nullptr, RunRamAcsListStage},
      {"コールツリー作成中・・", "CALL TREE START     ", "CALL TREE END       ", "コールツリー作成完了", 800, false,
       PrepareReportStage, RunReportStage},
      {"関数情報抽出中", "FUNC INFO START     ", "FUNC INFO END       ", "関数情報抽出完了", 800, false,
       PrepareFuncInfoStage, RunFuncInfoStage},
  };
  return stages;
}

bool RunAnalysisDriver(RunContext& ctx, const std::vector<StageFrame>& stages) {
  Progress& progress = ctx.progress;
  // However the run ends, background work ends first: before the work
  // folder may be removed, and before the write queue below goes.
  struct BackgroundStop {
    RunContext& ctx;
    ~BackgroundStop() { ctx.background_graphs.reset(); }
  };
  // KAVENOR_STAGE_TIMES=1: each stage's wall time on standard error, for
  // the benchmarks.
  const bool print_times = std::getenv("KAVENOR_STAGE_TIMES") != nullptr;
  FileWriteQueue files;
  files.AbandonWhen(&progress.stop_flag);
  ctx.deferred_files = &files;
  BackgroundStop background_stop{ctx};
  bool stopped = false;
  for (size_t i = 0; i < stages.size() && !stopped; ++i) {
    // A stop pressed before the first stage (while the previous work folder
    // was set aside) or during a stage's last file is not carried over.
    if (ctx.StopRequested()) {
      stopped = true;
      break;
    }
    const StageFrame& stage = stages[i];
    const auto started = std::chrono::steady_clock::now();
    progress.counter = 0;
    progress.base = stage.base;
    StageOutcome outcome = StageOutcome::kContinue;
    if (stage.prologue != nullptr) outcome = stage.prologue(ctx);
    if (outcome == StageOutcome::kContinue) {
      if (stage.banner_before_status) {
        ctx.log.Banner(stage.start_word);
        ctx.ShowStatus(ToCp932(stage.start_text));
      } else {
        ctx.ShowStatus(ToCp932(stage.start_text));
        ctx.log.Banner(stage.start_word);
      }
      outcome = stage.body(ctx);
    }
    // Every file of the stage is on disk before the next stage reads it.
    for (const std::string& path : files.Drain()) ctx.log.Note(path, "FILE CREATE FAIL\n");
    if (outcome == StageOutcome::kEndWorker) {
      ctx.deferred_files = nullptr;
      return false;
    }
    if (outcome == StageOutcome::kStopRun) {
      stopped = true;
      break;
    }
    ctx.log.Banner(stage.end_word);
    if (print_times)
      std::fprintf(stderr, "stage-time %-20s %8.3f s\n", stage.start_word,
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    progress.base = i + 1 < stages.size() ? stages[i + 1].base : 950;
    ctx.ShowStatus(ToCp932(stage.end_text));
    if (ctx.StopRequested()) stopped = true;
  }
  ctx.deferred_files = nullptr;
  ctx.background_graphs.reset();

  if (!stopped) {
    progress.base = 950;
    progress.base = 1000;
    progress.counter = 0;
    progress.run_completed = 1;
    return true;
  }
  ctx.ShowStatus(SJ("実行中断"));
  ctx.ShowDetail("----");
  // The progress line says why the program has not ended yet.
  progress.SetStatusCopy(SJ("実行中断 作業フォルダ削除中"));
  if (RemoveFolderTree(work::kRoot) == 0) ctx.Message(SJ("TMPファイル削除失敗"));
  return false;
}

}  // namespace kv
