// The previous run's work folder, out of the way at once.
//
// Deleting a work folder of a few hundred thousand files takes long, and a
// run that creates its files while such a folder is being deleted is slowed
// down many times over by the file system. So the analyse command does not
// delete the folder in place: it renames it aside to "./vcwk012345.old.N"
// (same file system, one rename), rebuilds the work folder empty, and deletes
// the folder set aside when it costs least (see Placement). A run that
// crashes leaves at most that folder; every later run removes all folders
// of that name pattern it finds.
#pragma once

#include <string>
#include <thread>
#include <vector>

namespace kv {

inline constexpr const char* kSetAsidePrefix = "vcwk012345.old.";

class PreviousWorkFolder {
 public:
  enum class Placement {
    kAtOnce,    // in the background from the start of the run
    kAfterRun,  // in the background once the stages have written their files
    kAtEnd,     // after the result copy, before the command returns
  };
  // KAVENOR_OLD_WORK_REMOVAL=now|after|end chooses the placement (for the
  // re-run benchmark, bench/rerun_bench.sh); otherwise kAfterRun. Deleting
  // at once was fastest on a 216,000-line project, but on a 1,000,000-line
  // one it sometimes ran into the stages' file creation and made the re-run
  // four to seven times slower; after the stages it only competes with the
  // result copy.
  static Placement ChosenPlacement();

  PreviousWorkFolder() = default;
  ~PreviousWorkFolder() { Wait(); }
  PreviousWorkFolder(const PreviousWorkFolder&) = delete;
  PreviousWorkFolder& operator=(const PreviousWorkFolder&) = delete;

  // Renames `work_folder` (a disk path) aside when it exists and collects
  // the folders earlier runs set aside in the current directory. False when
  // the folder exists but could not be renamed.
  bool SetAside(const std::string& work_folder);
  // Starts deleting the collected folders in the background (once).
  void StartRemoval();
  // Deletes them (or waits for the background deletion); true when none is
  // left.
  bool Wait();
  bool pending() const { return !folders_.empty() && !finished_; }

 private:
  std::vector<std::string> folders_;
  std::thread remover_;
  bool started_ = false;
  bool finished_ = false;
  bool all_removed_ = true;
};

}  // namespace kv
