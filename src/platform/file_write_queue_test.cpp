#include "platform/file_write_queue.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/text_file.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::ReadFile;
using testing::ScratchFolder;

TEST(FileWriteQueueTest, WritesEverythingBeforeDrainReturns) {
  ScratchFolder scratch;
  MakeFolder("out");
  FileWriteQueue queue(2, 1024);  // a small budget makes Submit wait too
  for (int i = 0; i < 500; ++i) {
    TextWriter w;
    ASSERT_TRUE(w.Open("out/f" + std::to_string(i), WriteMode::kTruncate, &queue));
    EXPECT_TRUE(w.is_open());
    w.WriteLine(std::string(100, 'a') + std::to_string(i));
  }
  EXPECT_TRUE(queue.Drain().empty());
  EXPECT_EQ(ReadFile("out/f499"), std::string(100, 'a') + "499\r\n");
}

TEST(FileWriteQueueTest, SamePathKeepsSubmissionOrder) {
  ScratchFolder scratch;
  FileWriteQueue queue(2);
  for (int i = 0; i < 200; ++i) {
    TextWriter page;
    page.Open("page.html", WriteMode::kTruncate, &queue);
    page.Write("v" + std::to_string(i));
    TextWriter log;
    log.Open("log.txt", WriteMode::kAppend, &queue);
    log.Write(std::to_string(i % 10));
  }
  queue.Drain();
  EXPECT_EQ(ReadFile("page.html"), "v199");
  EXPECT_EQ(ReadFile("log.txt").substr(0, 12), "012345678901");
  EXPECT_EQ(ReadFile("log.txt").size(), 200u);
}

TEST(FileWriteQueueTest, FailuresAreReportedByDrain) {
  ScratchFolder scratch;
  FileWriteQueue queue(1);
  TextWriter w;
  w.Open("missing/folder/f", WriteMode::kTruncate, &queue);
  w.Write("x");
  w.Close();
  std::vector<std::string> failed = queue.Drain();
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0], "missing/folder/f");
  EXPECT_TRUE(queue.Drain().empty());
}

}  // namespace
}  // namespace kv
