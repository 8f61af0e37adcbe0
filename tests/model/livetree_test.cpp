#include "model/livetree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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
    EXPECT_FALSE(fs::exists(LiveStagingName(live)));
    EXPECT_FALSE(fs::exists(LiveRetiredName(live)));
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

TEST_F(LiveTreeTest, AFailureAtAnyStepLeavesTheOldLiveSiteWhole) {
  // Count the operations of a good run, then fail each one in turn.
  int operations = 0;
  {
    TempDir probe;
    MakeTree(probe / "live", kOldLive);
    FaultyFileSystem counting(RealFileSystem());
    ScopedFileSystem scope(counting);
    ASSERT_TRUE(ReplaceTreeBySwap(source, probe / "live", nullptr));
    operations = counting.operations();
  }
  ASSERT_GT(operations, 10);
  for (int n = 1; n <= operations; ++n) {
    fs::remove_all(live);
    MakeTree(live, kOldLive);
    FaultyFileSystem faulty(RealFileSystem());
    ScopedFileSystem scope(faulty);
    faulty.FailAt(n);
    std::string error;
    const bool ok = ReplaceTreeBySwap(source, live, &error);
    // Only the last step, removing the retired tree, may fail without harm.
    if (ok) {
      EXPECT_EQ(n, operations) << "step " << n;
      EXPECT_EQ(ReadTree(live), kRotation) << "step " << n;
      fs::remove_all(LiveRetiredName(live));
    } else {
      EXPECT_EQ(ReadTree(live), kOldLive) << "step " << n;
      EXPECT_EQ(error, "No space left on device") << "step " << n;
      ExpectNoLeftovers();
    }
  }
}

TEST_F(LiveTreeTest, AReaderNeverFindsAHalfCopiedSite) {
  // Looks at the live directory before every write and after the swap: it must be there and hold
  // the old or the new tree whole.
  class Watching : public FaultyFileSystem {
   public:
    explicit Watching(const std::string& live) : FaultyFileSystem(RealFileSystem()), live_(live) {}
    bool CopyFile(const std::string& from, const std::string& to, std::string* error) override {
      Look();
      return FaultyFileSystem::CopyFile(from, to, error);
    }
    bool CreateDirectory(const std::string& path, std::string* error) override {
      Look();
      return FaultyFileSystem::CreateDirectory(path, error);
    }
    bool Rename(const std::string& from, const std::string& to, std::string* error) override {
      Look();
      const bool ok = FaultyFileSystem::Rename(from, to, error);
      Look();
      return ok;
    }
    bool RemoveAll(const std::string& path, std::string* error) override {
      Look();
      return FaultyFileSystem::RemoveAll(path, error);
    }
    bool Exchange(const std::string& a, const std::string& b, std::string* error) override {
      Look();
      const bool ok = FaultyFileSystem::Exchange(a, b, error);
      Look();
      return ok;
    }
    void Look() {
      ++looks;
      ASSERT_TRUE(fs::exists(live_)) << "look " << looks;
      const Tree now = ReadTree(live_);
      EXPECT_TRUE(now == kOldLive || now == kRotation) << "look " << looks;
    }
    int looks = 0;

   private:
    std::string live_;
  } watching(live);
  ScopedFileSystem scope(watching);
  ASSERT_TRUE(ReplaceTreeBySwap(source, live, nullptr));
  EXPECT_GT(watching.looks, 10);
  EXPECT_EQ(ReadTree(live), kRotation);
}

TEST_F(LiveTreeTest, ARunStoppedBetweenTheRenamesIsRepaired) {
  // The previous tree was retired, the new one never arrived.
  fs::rename(live, LiveRetiredName(live));
  MakeTree(LiveStagingName(live), {{"half.jpg", "half"}});
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(3);  // restore, clear the staging copy, then fail making the new one
  EXPECT_FALSE(ReplaceTreeBySwap(source, live, nullptr));
  EXPECT_EQ(ReadTree(live), kOldLive);
  ExpectNoLeftovers();
}

TEST_F(LiveTreeTest, ARunStoppedInsideASwapByRenamesIsRepaired) {
  // Stopped after parking the live tree: it goes back, then the swap is done afresh.
  fs::rename(live, ExchangeTemporaryName(live));
  std::string error;
  ASSERT_TRUE(ReplaceTreeBySwap(source, live, &error)) << error;
  EXPECT_EQ(ReadTree(live), kRotation);
  EXPECT_FALSE(fs::exists(ExchangeTemporaryName(live)));
  ExpectNoLeftovers();
  // Stopped after the new tree arrived but before the parked one moved on: it is cleared.
  MakeTree(ExchangeTemporaryName(live), {{"old.jpg", "old"}});
  ASSERT_TRUE(ReplaceTreeBySwap(source, live, &error)) << error;
  EXPECT_EQ(ReadTree(live), kRotation);
  EXPECT_FALSE(fs::exists(ExchangeTemporaryName(live)));
}

TEST_F(LiveTreeTest, InPlaceFailureLeavesNoHalfWrittenFile) {
  const std::string big(1 << 16, 'b');
  WriteFile(source + "/a.jpg", big);
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(4);
  EXPECT_FALSE(ReplaceTreeInPlace(source, live, nullptr));
  for (const auto& [rel, content] : ReadTree(live)) {
    EXPECT_EQ(rel.find("turnwheel-part"), std::string::npos) << rel;
    if (rel == "a.jpg") {
      EXPECT_EQ(content, big);
    }
  }
  // The next run finishes the job.
  faulty.Heal();
  ASSERT_TRUE(ReplaceTreeInPlace(source, live, nullptr));
  Tree expected = kRotation;
  expected["a.jpg"] = big;
  EXPECT_EQ(ReadTree(live), expected);
}

TEST_F(LiveTreeTest, PutLiveRefusesRelativeAndRootPaths) {
  std::string error;
  EXPECT_FALSE(PutLive(source, "www/site", &error));
  EXPECT_NE(error.find("not an absolute path"), std::string::npos);
  EXPECT_FALSE(PutLive(source, "/", &error));
  WriteFile(tmp / "afile", "x");
  EXPECT_FALSE(PutLive(source, tmp / "afile", &error));
  EXPECT_EQ(ReadFile(tmp / "afile"), "x");
}

TEST_F(LiveTreeTest, PutLiveThroughALinkKeepsTheLink) {
  const std::string link = tmp / "current";
  fs::create_directory_symlink(live, link);
  std::string error;
  ASSERT_TRUE(PutLive(source, link, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadTree(live), kRotation);
  ExpectNoLeftovers();
}

}  // namespace
}  // namespace parvel
