#include "platform/tree_removal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/test_folder.h"

namespace kv {
namespace {

using testing::Exists;
using testing::ScratchFolder;
using testing::WriteFile;

// The cancel flag is tested before every entry: a removal asked to stop
// leaves the rest, and says so.
TEST(TreeRemovalTest, ACancelledRemovalLeavesTheRest) {
  ScratchFolder scratch;
  WriteFile("tree/a.txt", "a");
  WriteFile("tree/b/c.txt", "c");
  const int here = ::open(".", O_RDONLY | O_DIRECTORY);
  std::atomic<bool> cancel{true};
  TreeRemoval removal;
  EXPECT_FALSE(RemoveTreeAt(here, "tree", "./tree", removal, &cancel));
  EXPECT_TRUE(removal.cancelled);
  EXPECT_TRUE(Exists("tree/b/c.txt"));
  cancel = false;
  TreeRemoval again;
  EXPECT_TRUE(RemoveTreeAt(here, "tree", "./tree", again, &cancel));
  EXPECT_EQ(again.removed, 4);
  EXPECT_FALSE(Exists("tree"));
  // Already gone: nothing to do, no failure.
  EXPECT_TRUE(RemoveTreeAt(here, "tree", "./tree", again));
  EXPECT_EQ(again.error, 0);
  ::close(here);
}

}  // namespace
}  // namespace kv
