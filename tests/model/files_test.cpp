#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "model/datadir.h"
#include "model/filehelpers.h"
#include "model/imagefiles.h"
#include "model/livetree.h"
#include "model/model_support.h"
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
using FileHelpersTest = testing::DataDirectoryTest;

TEST(ImageFiles, MatchesExtensionsBeginningWithTheThreeInAnyCase) {
  struct Case {
    const char* name;
    bool image;
  } cases[] = {
      {"B.JPG", true},     {"c.Jpe", true},   {"d.gif", true},       {"p.JpEg", true},
      {"q.gifs", true},    {"h.GIF ", false}, {".jpg", true},        {"v.jpg~", false},
      {"w.jpeg-1", false}, {"x.JPG2", true},  {"f.png", false},      {"jpg", false},
      {"photo.jp", false}, {"s.xjpg", false}, {"t.jpeg.bak", false}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSiteImageName(c.name), c.image) << c.name;
}

TEST(ImageFiles, ListsImagesSortedWithoutRegardToCase) {
  testing::TempDir dir;
  for (const char* name : {"b.jpg", "A.gif", "_x.jpg", "c.JPE", "notes.txt", "a.GIF", "e.jpeg",
                           "D.JPEG", "p.png", "noext"}) {
    testing::WriteFile(dir / name, "x");
  }
  std::filesystem::create_directory(dir / "sub.jpg");
  EXPECT_EQ(
      ListSiteImages(dir.path()),
      (std::vector<std::string>{"_x.jpg", "A.gif", "a.GIF", "b.jpg", "c.JPE", "D.JPEG", "e.jpeg"}));
  EXPECT_TRUE(ListSiteImages(dir / "missing").empty());
}

// (The installed layout, seeding from share/parvel-pro, is checked by tests/cli/install_check.sh.)
TEST(DataDirectory, SeedsWhatIsMissingAndLeavesTheRestAlone) {
  TempDir tmp;
  const std::string from = tmp / "share/";
  WriteFile(from + "Styles/more/deep.htm", "deep");
  WriteFile(from + "help/index.html", "new help");
  WriteFile(from + "sites.ini", "not seeded");
  const std::string dir = tmp / "data/";
  WriteFile(dir + "help/index.html", "the user's own");

  std::string error;
  ASSERT_TRUE(PrepareDataDirectory(dir, from, &error)) << error;
  EXPECT_EQ(ReadFile(dir + "Styles/more/deep.htm"), "deep");
  EXPECT_EQ(ReadFile(dir + "help/index.html"), "the user's own");
  // Styles and help only: no Samples (nothing to copy it from), no sites.ini, no temporary.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);

  // A folder that cannot be made is an error, not a silent fallback.
  WriteFile(tmp / "blocker", "x");
  EXPECT_FALSE(PrepareDataDirectory(tmp / "blocker/parvel-pro/", from, &error));
  EXPECT_FALSE(error.empty());
}

// A folder named with --data-dir is made when missing and given the seeded folders when it is
// new, empty or already a data directory (sites.ini or Styles); what is there stays as it is, and a
// folder of other things gets nothing. One that cannot be made, or a file, is refused with its
// name and the system's reason; the data directory stays as it was.
TEST(DataDirectory, NamedFolderIsMadeAndSeededUnlessItHoldsOtherThings) {
  TempDir tmp;
  const std::string program = tmp / "prefix/bin/";
  const std::string share = tmp / "prefix/share/parvel-pro/";
  for (const std::string& folder : SeededFolders()) WriteFile(share + folder + "/seed", folder);
  fs::create_directories(program);
  WriteFile(tmp / "blocker", "a file");
  const std::vector<std::string> all = {"Styles", "Samples", "navgraph", "help", "icons"};
  const struct {
    const char* row;
    std::string dir;
    Tree before;  // what the folder holds first; "-": it is not there
    bool ok;
    std::vector<std::string> seeded;  // the seeded folders afterwards
    std::string error;                // the start of the message
  } cases[] = {
      {"Missing", tmp / "new/deeper/data", {{"-", ""}}, true, all, ""},
      {"Empty", tmp / "empty/", {}, true, all, ""},
      {"HoldsSitesIni", tmp / "catalogue/", {{"sites.ini", "[Sites]\r\n"}}, true, all, ""},
      {"HoldsStyles",
       tmp / "styles/",
       {{"Styles/mine.htm", "the user's own"}},
       true,
       {"Samples", "navgraph", "help", "icons"},
       ""},
      {"HoldsOtherThings", tmp / "pictures/", {{"holiday.jpg", "a photograph"}}, true, {}, ""},
      {"CannotBeMade",
       tmp / "blocker/data/",
       {{"-", ""}},
       false,
       {},
       "The data directory " + tmp.path() + "blocker/data/ could not be made: " + tmp.path() +
           "blocker: File exists"},
      {"IsAFile",
       tmp / "blocker",
       {{"-", ""}},
       false,
       {},
       "The data directory " + tmp.path() + "blocker/ is not a folder."},
  };
  const std::string kept = "/kept/data/directory/";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    const std::string dir = c.dir.ends_with("/") ? c.dir : c.dir + "/";
    if (!c.before.contains("-")) {
      fs::create_directories(dir);
      for (const auto& [name, content] : c.before) WriteFile(dir + name, content);
    }
    SetDataDirectory(kept);
    DataDirectoryInputs in;
    in.override_dir = c.dir;
    in.program_dir = program;
    std::string error;
    EXPECT_EQ(SetUpDataDirectory(in, &error), c.ok);
    EXPECT_EQ(DataDirectory(), c.ok ? dir : kept);
    EXPECT_EQ(error, c.error);
    if (!c.ok) continue;
    std::vector<std::string> seeded;
    for (const std::string& folder : all) {
      if (fs::exists(dir + folder + "/seed")) seeded.push_back(folder);
    }
    EXPECT_EQ(seeded, c.seeded);
    for (const auto& [name, content] : c.before) {
      if (name != "-") {
        EXPECT_EQ(ReadFile(dir + name), content);
      }
    }
    // Started again, nothing changes.
    const Tree once = ReadTree(dir);
    ASSERT_TRUE(SetUpDataDirectory(in, &error));
    EXPECT_EQ(ReadTree(dir), once);
  }
  SetDataDirectory(kept);
}

// --- createnewdirectory

TEST_F(FileHelpersTest, FailureHalfWayRemovesWhatItMade) {
  std::filesystem::create_directories(tmp / "a");
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(3);  // a/b and a/b/c are made, a/b/c/d fails
  EXPECT_FALSE(createnewdirectory(ui, tmp / "a/b/c/d/e"));
  EXPECT_FALSE(PathExists(tmp / "a/b"));
  EXPECT_TRUE(DirectoryExists(tmp / "a"));
  EXPECT_EQ(ui.texts(), std::vector{"An error was encountered whilst trying to create the "
                                    "directory, " +
                                    tmp.path() + "a/b/c/d/e/"});
}

// --- dodeletefile

TEST_F(FileHelpersTest, ReadOnlyFileIsDeletedOnlyAfterYes) {
  for (Answer answer : {Answer::No, Answer::Yes}) {
    const std::string file = tmp / "ro.jpg";
    WriteFile(file, "x");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ui.Clear();
    ui.QueueAnswer(answer);
    EXPECT_EQ(dodeletefile(ui, file, true), answer == Answer::Yes);
    EXPECT_EQ(FileExists(file) && IsReadOnly(file), answer == Answer::No);
    ASSERT_EQ(ui.texts(), std::vector{"Are you sure you want to delete the file, " + file +
                                      "?  This file is marked READ ONLY!"});
    EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
  }
}

// --- dodeletedir

TEST_F(FileHelpersTest, NeverHandsShortPathsOrTheRootToTheDisk) {
  // Records the directories handed to RemoveAll and removes nothing.
  struct Recording : FaultyFileSystem {
    Recording() : FaultyFileSystem(RealFileSystem()) {}
    bool RemoveAll(const std::string& path, std::string*) override {
      removed.push_back(path);
      return true;
    }
    std::vector<std::string> removed;
  } recording;
  ScopedFileSystem scope(recording);
  for (const char* path : {"", "/", "/ab", "/./", "////", "/tmp/../"}) {
    EXPECT_FALSE(dodeletedir(ui, path)) << path;
  }
  EXPECT_TRUE(recording.removed.empty());
  EXPECT_TRUE(dodeletedir(ui, "/tmp/some/site/"));
  EXPECT_EQ(recording.removed, std::vector<std::string>{"/tmp/some/site/"});
}

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
