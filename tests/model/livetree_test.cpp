#include "model/livetree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ReadTree;
using testing::TempDir;
using testing::Tree;
using testing::WriteFile;

void MakeTree(const std::string& root, const Tree& tree) {
  fs::create_directories(root);
  for (const auto& [rel, content] : tree) {
    if (content == "/") {
      fs::create_directories(root + "/" + rel);
    } else {
      WriteFile(root + "/" + rel, content);
    }
  }
}

const Tree kRotation = {{"Index.html", "new index"},       {"a.jpg", "new a"}, {"thumbs", "/"},
                        {"thumbs/a_thb.jpg", "new thumb"}, {"deep", "/"},      {"deep/er", "/"},
                        {"deep/er/note.txt", "new note"},  {"empty", "/"}};
const Tree kOldLive = {{"Index.html", "old index"},
                       {"stale.html", "old stale"},
                       {"thumbs", "/"},
                       {"thumbs/old_thb.jpg", "old thumb"},
                       {"deep", "old file where a directory comes"},
                       {"empty", "/"},
                       {"empty/gone.txt", "old"}};

class LiveTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeTree(source, kRotation);
    MakeTree(live, kOldLive);
  }
  // Nothing of ours is left beside the live directory.
  void ExpectNoLeftovers() {
    EXPECT_FALSE(fs::exists(LiveStagingName(live)) || fs::exists(LiveRetiredName(live)));
  }

  TempDir tmp;
  const std::string source = tmp / "site/Rotation_2";
  const std::string live = tmp / "www/site";
};

TEST_F(LiveTreeTest, CopyTreeFollowsFileLinksAndLeavesDirectoryLinksOut) {
  WriteFile(tmp / "outside.txt", "outside");
  fs::create_symlink(tmp / "outside.txt", source + "/linked.txt");
  fs::create_directory_symlink(tmp / "www", source + "/loop");
  const std::string target = tmp / "copy";
  std::string error;
  ASSERT_TRUE(CopyTree(source, target, &error)) << error;
  Tree expected = kRotation;
  expected["linked.txt"] = "outside";
  EXPECT_EQ(ReadTree(target), expected);
  EXPECT_FALSE(fs::is_symlink(target + "/linked.txt"));
}

// A run stopped part way is repaired by the next one.
TEST_F(LiveTreeTest, ARunStoppedPartWayIsRepaired) {
  // Between the renames: the previous tree was retired, the new one never arrived. The next run
  // restores it, clears the staging copy, then fails making the new one.
  fs::rename(live, LiveRetiredName(live));
  MakeTree(LiveStagingName(live), {{"half.jpg", "half"}});
  {
    FaultyFileSystem faulty(RealFileSystem());
    ScopedFileSystem scope(faulty);
    faulty.FailAt(3);
    EXPECT_FALSE(ReplaceTreeBySwap(source, live, nullptr));
  }
  EXPECT_EQ(ReadTree(live), kOldLive);
  ExpectNoLeftovers();
  // Inside a swap by renames, after parking the live tree: it goes back, then the swap is done
  // afresh; after the new tree arrived but before the parked one moved on: it is cleared.
  fs::rename(live, ExchangeTemporaryName(live));
  for (int run = 0; run < 2; ++run) {
    std::string error;
    ASSERT_TRUE(ReplaceTreeBySwap(source, live, &error)) << error;
    EXPECT_EQ(ReadTree(live), kRotation);
    EXPECT_FALSE(fs::exists(ExchangeTemporaryName(live)));
    ExpectNoLeftovers();
    if (run == 0) MakeTree(ExchangeTemporaryName(live), {{"old.jpg", "old"}});
  }
}

// PutLive refuses relative paths, the root and a file, and keeps a link it is given.
TEST_F(LiveTreeTest, PutLiveRefusesRelativeAndRootPathsAndKeepsALink) {
  std::string error;
  EXPECT_FALSE(PutLive(source, "www/site", &error));
  EXPECT_NE(error.find("not an absolute path"), std::string::npos);
  EXPECT_FALSE(PutLive(source, "/", &error));
  WriteFile(tmp / "afile", "x");
  EXPECT_FALSE(PutLive(source, tmp / "afile", &error));
  EXPECT_EQ(ReadFile(tmp / "afile"), "x");
  const std::string link = tmp / "current";
  fs::create_directory_symlink(live, link);
  ASSERT_TRUE(PutLive(source, link, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadTree(live), kRotation);
  ExpectNoLeftovers();
}

}  // namespace
}  // namespace parvel
