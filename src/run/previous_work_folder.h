// The previous run's work folder, out of the way at once.
//
// Deleting a work folder of a few hundred thousand files takes long, and a
// run that creates its files while such a folder is being deleted is slowed
// down many times over by the file system. So the analyse command does not
// delete the folder in place: it renames it aside to "./vcwk012345.old.N"
// (same file system, one rename), rebuilds the work folder empty, and deletes
// the folder set aside when it costs least (see Placement). A run that
// crashes leaves at most that folder; every later run removes all folders
// named exactly so (N a number) that it finds.
//
// The command never waits for the deletion when it ends (nor when it is
// stopped): what the background deletion has not finished by then is handed
// to a detached process, and the next command in the directory may start at
// once (a run that finds the folder still there deletes it too).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kv {

inline constexpr const char* kSetAsidePrefix = "vcwk012345.old.";

// True for "vcwk012345.old." followed by decimal digits only.
bool IsSetAsideName(std::string_view name);

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

  // A folder that could not be removed: its path, and the entry in it that
  // would not go with the system's reason.
  struct Leftover {
    std::string folder;  // "./vcwk012345.old.N"
    std::string entry;   // disk path
    int error = 0;
  };

  PreviousWorkFolder() = default;
  ~PreviousWorkFolder() { Release(); }
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
  // The end of the command: the deletion (started now if it was not) gets
  // `grace` to finish; what is left then is handed to a detached process.
  // The folders that could not be removed, when the deletion ended here.
  std::vector<Leftover> Release(std::chrono::milliseconds grace = std::chrono::milliseconds(250));
  bool pending() const { return !folders_.empty() && !finished_; }

 private:
  void Remove();
  void HandOver();

  std::vector<std::string> folders_;
  std::thread remover_;
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;  // the remover thread has ended (guarded by mutex_)
  bool started_ = false;
  bool finished_ = false;
  std::vector<Leftover> leftovers_;
  std::vector<std::string> unfinished_;
};

}  // namespace kv
