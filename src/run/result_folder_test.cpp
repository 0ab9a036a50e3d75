// The guards of a run's ends: the result folder (exclusive, never through a
// symlink), the one-command lock, the previous work folder set aside.
#include "run/result_folder.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include <filesystem>

#include "run/previous_work_folder.h"
#include "run/run_lock.h"
#include "support/test_folder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using testing::Exists;
using testing::ReadFile;
using testing::ScratchFolder;
using testing::WriteFile;

TEST(ResultFolderTest, ATakenNameGetsTheNextFreeSuffix) {
  ScratchFolder scratch;
  fs::create_directories("out/run");
  fs::create_directories("elsewhere");
  fs::create_directory_symlink("../elsewhere", "out/run_2");
  WriteFile("out/run_3", "a file");
  ResultFolder folder;
  ASSERT_TRUE(folder.Create("out", "run"));
  EXPECT_EQ(folder.path(), "out/run_4");
  EXPECT_TRUE(fs::is_directory("out/run_4"));
  EXPECT_TRUE(fs::is_empty("elsewhere"));
}

TEST(ResultFolderTest, CopiesFoldersAndFilesAndSkipsForeignEntries) {
  ScratchFolder scratch;
  WriteFile("work/HTML/a.html", "a");
  WriteFile("work/HTML/sub/b.html", "b");
  fs::create_symlink("/etc/passwd", "work/HTML/link.html");
  WriteFile("work/index.html", "index");
  fs::create_directory("out");
  ResultFolder folder;
  ASSERT_TRUE(folder.Create("out", "r"));
  EXPECT_EQ(folder.CopyFolderInto("work/HTML", "", nullptr), CopyResult::kDone);
  EXPECT_EQ(folder.MakeFolder("DEFINE"), CopyResult::kDone);
  EXPECT_EQ(folder.CopyFolderInto("work/HTML", "DEFINE", nullptr), CopyResult::kDone);
  EXPECT_EQ(folder.CopyFile("work/index.html", "index.html"), CopyResult::kDone);
  EXPECT_EQ(folder.CopyFile("work/missing.txt", "missing.txt"), CopyResult::kSourceMissing);
  EXPECT_EQ(folder.CopyFolderInto("work/NOTHING", "", nullptr), CopyResult::kSourceMissing);
  EXPECT_EQ(ReadFile("out/r/HTML/sub/b.html"), "b");
  EXPECT_EQ(ReadFile("out/r/DEFINE/HTML/a.html"), "a");
  EXPECT_EQ(ReadFile("out/r/index.html"), "index");
  EXPECT_FALSE(fs::exists(fs::symlink_status("out/r/HTML/link.html")));
  EXPECT_EQ(folder.error(), 0);
}

// Entries planted inside the new folder (a race with another process) are
// never written through: the copy fails instead.
TEST(ResultFolderTest, PlantedSymlinksInsideAreNeverFollowed) {
  ScratchFolder scratch;
  WriteFile("work/HTML/a.html", "a");
  WriteFile("work/index.html", "index");
  WriteFile("target.txt", "keep");
  fs::create_directories("elsewhere");
  fs::create_directory("out");
  ResultFolder folder;
  ASSERT_TRUE(folder.Create("out", "r"));
  fs::create_symlink("../../target.txt", "out/r/index.html");
  fs::create_directory_symlink("../../elsewhere", "out/r/HTML");
  fs::create_directory_symlink("../../elsewhere", "out/r/DEFINE");
  EXPECT_EQ(folder.CopyFile("work/index.html", "index.html"), CopyResult::kWriteFailed);
  EXPECT_EQ(folder.error(), EEXIST);
  EXPECT_EQ(folder.CopyFolderInto("work/HTML", "", nullptr), CopyResult::kWriteFailed);
  EXPECT_EQ(folder.CopyFolderInto("work/HTML", "DEFINE", nullptr), CopyResult::kWriteFailed);
  EXPECT_EQ(ReadFile("target.txt"), "keep");
  EXPECT_TRUE(fs::is_empty("elsewhere"));
  EXPECT_TRUE(folder.Remove());
  EXPECT_FALSE(fs::exists(fs::symlink_status("out/r")));
  EXPECT_EQ(ReadFile("target.txt"), "keep");
}

TEST(ResultFolderTest, AStopBetweenEntriesEndsTheCopy) {
  ScratchFolder scratch;
  WriteFile("work/HTML/a.html", "a");
  WriteFile("work/HTML/b.html", "b");
  fs::create_directory("out");
  ResultFolder folder;
  ASSERT_TRUE(folder.Create("out", "r"));
  EXPECT_EQ(folder.CopyFolderInto("work/HTML", "", [] { return true; }), CopyResult::kStopped);
}

// The tree and variable commands: files made through the folder, then the
// whole folder copied into a folder of the output folder.
TEST(ResultFolderTest, FilesMadeInsideAndTheContentsCopied) {
  ScratchFolder scratch;
  fs::create_directories("work");
  fs::create_directories("out");
  ResultFolder own;
  ASSERT_TRUE(own.Create("work", "0101000000_main"));
  const int fd = own.CreateFile("index.html");
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "i", 1), 1);
  ::close(fd);
  EXPECT_LT(own.CreateFile("index.html"), 0);  // never an existing file
  EXPECT_EQ(own.error(), EEXIST);
  ResultFolder copy;
  ASSERT_TRUE(copy.Create("out", own.name()));
  EXPECT_EQ(copy.CopyContentsOf(own.path(), nullptr), CopyResult::kDone);
  EXPECT_EQ(ReadFile("out/0101000000_main/index.html"), "i");
}

// Remove() takes only what the object made: a folder renamed away and
// replaced under its name is emptied where it went; the newcomer stays.
TEST(ResultFolderTest, RemoveLeavesWhatTookTheNameMeanwhile) {
  ScratchFolder scratch;
  fs::create_directories("out");
  ResultFolder folder;
  ASSERT_TRUE(folder.Create("out", "r"));
  WriteFile("out/r/a.txt", "a");
  fs::rename("out/r", "moved");
  WriteFile("out/r/victim.txt", "keep");
  EXPECT_FALSE(folder.Remove());
  EXPECT_EQ(ReadFile("out/r/victim.txt"), "keep");
  EXPECT_TRUE(fs::is_empty("moved"));
}

TEST(RunLockTest, OneHolderAtATimeAndNothingStale) {
  ScratchFolder scratch;
  RunLock first, second;
  ASSERT_TRUE(first.TryAcquire());
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_EQ(second.error(), EWOULDBLOCK);
  first.Release();
  EXPECT_TRUE(second.TryAcquire());
}

TEST(RunLockTest, APlantedSymlinkIsNotFollowed) {
  ScratchFolder scratch;
  WriteFile("target", "keep");
  fs::create_symlink("target", kRunLockPath);
  RunLock lock;
  EXPECT_FALSE(lock.TryAcquire());
  EXPECT_EQ(lock.error(), ELOOP);
  EXPECT_EQ(ReadFile("target"), "keep");
}

TEST(PreviousWorkFolderTest, SetsAsideAndRemovesWhatEarlierRunsLeft) {
  ScratchFolder scratch;
  WriteFile("vcwk012345/DEF/a.txt", "a");
  WriteFile("vcwk012345.old.1/left.txt", "left by a crash");
  WriteFile("keep/x.txt", "x");
  fs::create_directory_symlink("keep", "vcwk012345.old.7");
  {
    PreviousWorkFolder previous;
    ASSERT_TRUE(previous.SetAside("./vcwk012345"));
    EXPECT_FALSE(Exists("vcwk012345"));
    EXPECT_TRUE(Exists("vcwk012345.old.2/DEF/a.txt"));
    previous.StartRemoval();
    EXPECT_TRUE(previous.Wait());
  }
  EXPECT_FALSE(Exists("vcwk012345.old.1"));
  EXPECT_FALSE(Exists("vcwk012345.old.2"));
  EXPECT_EQ(ReadFile("keep/x.txt"), "x");
}

// Only "vcwk012345.old.<number>" is the program's: a user's folder with a
// name like it stays.
TEST(PreviousWorkFolderTest, OnlyNumberedFoldersAreRemoved) {
  ScratchFolder scratch;
  WriteFile("vcwk012345.old.keep/x.txt", "mine");
  WriteFile("vcwk012345.old.12a/x.txt", "mine");
  WriteFile("vcwk012345.old.12/x.txt", "left by a crash");
  {
    PreviousWorkFolder previous;
    ASSERT_TRUE(previous.SetAside("./vcwk012345"));
    EXPECT_TRUE(previous.Wait());
  }
  EXPECT_FALSE(Exists("vcwk012345.old.12"));
  EXPECT_EQ(ReadFile("vcwk012345.old.keep/x.txt"), "mine");
  EXPECT_EQ(ReadFile("vcwk012345.old.12a/x.txt"), "mine");
  EXPECT_TRUE(IsSetAsideName("vcwk012345.old.7"));
  EXPECT_FALSE(IsSetAsideName("vcwk012345.old."));
  EXPECT_FALSE(IsSetAsideName("vcwk012345.old.-1"));
}

// The end of a command does not wait for the deletion: what is left after
// the grace is handed to a process of its own, which finishes it.
TEST(PreviousWorkFolderTest, ReleaseHandsTheRestOver) {
  ScratchFolder scratch;
  for (int i = 0; i < 2000; ++i) WriteFile("vcwk012345/f/" + std::to_string(i), "x");
  {
    PreviousWorkFolder previous;
    ASSERT_TRUE(previous.SetAside("./vcwk012345"));
    EXPECT_TRUE(previous.Release(std::chrono::milliseconds(0)).empty());
  }
  // The detached deletion ends on its own; the test only waits for it.
  for (int i = 0; i < 600 && Exists("vcwk012345.old.1"); ++i) ::usleep(100000);
  EXPECT_FALSE(Exists("vcwk012345.old.1"));
}

// A folder that cannot be removed (here: a file system mounted inside it)
// is named with the reason.
TEST(PreviousWorkFolderTest, AFolderThatCannotGoIsNamed) {
  ScratchFolder scratch;
  WriteFile("vcwk012345.old.3/DEF/mnt/.keep", "");
  fs::remove("vcwk012345.old.3/DEF/mnt/.keep");
  if (::mount("tmpfs", "vcwk012345.old.3/DEF/mnt", "tmpfs", 0, "size=16k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << "): run as root";
  std::vector<PreviousWorkFolder::Leftover> left;
  {
    PreviousWorkFolder previous;
    ASSERT_TRUE(previous.SetAside("./vcwk012345"));
    left = previous.Release();
  }
  ::umount2("vcwk012345.old.3/DEF/mnt", MNT_DETACH);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].folder, "./vcwk012345.old.3");
  EXPECT_EQ(left[0].error, EBUSY);
}

TEST(PreviousWorkFolderTest, NothingToSetAside) {
  ScratchFolder scratch;
  PreviousWorkFolder previous;
  EXPECT_TRUE(previous.SetAside("./vcwk012345"));
  EXPECT_TRUE(previous.Wait());
}

}  // namespace
}  // namespace kv
