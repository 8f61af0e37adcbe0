#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <vector>

#include "model/datadir.h"
#include "model/filehelpers.h"
#include "model/imagefiles.h"
#include "model/liverecord.h"
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
// A folder named with --data-dir is made when missing and given the seeded folders when it is
// new, empty or already a data directory (sites.ini or Styles); what is there stays as it is, and a
// folder of other things gets nothing. Seeding copies whole folders, deep ones too, and nothing
// else (no sites.ini, no folder the program has nothing to copy from). One that cannot be made, or
// a file, is refused with its name and the system's reason; the data directory stays as it was.
TEST(DataDirectory, NamedFolderIsMadeAndSeededUnlessItHoldsOtherThings) {
  TempDir tmp;
  const std::string program = tmp / "prefix/bin/";
  const std::string share = tmp / "prefix/share/parvel-pro/";
  const std::vector<std::string> all = {"Styles", "Samples", "navgraph", "help"};  // no icons
  for (const std::string& folder : all) WriteFile(share + folder + "/seed", folder);
  WriteFile(share + "Styles/more/deep.htm", "deep");
  WriteFile(share + "sites.ini", "not seeded");
  fs::create_directories(program);
  WriteFile(tmp / "blocker", "a file");
  const struct {
    const char* row;
    std::string dir;
    Tree before;  // what the folder holds first; "-": it is not there
    bool ok;
    std::vector<std::string> seeded;  // the seeded folders afterwards
    std::string error;                // the start of the message
  } cases[] = {
      // clang-format off
      {"Missing", tmp / "new/deeper/data", {{"-", ""}}, true, all, ""},
      {"Empty", tmp / "empty/", {}, true, all, ""},
      {"HoldsSitesIni", tmp / "catalogue/", {{"sites.ini", "[Sites]\r\n"}}, true, all, ""},
      {"HoldsStyles", tmp / "styles/", {{"Styles/mine.htm", "the user's own"}}, true,
       {"Samples", "navgraph", "help"}, ""},
      {"HoldsOtherThings", tmp / "pictures/", {{"holiday.jpg", "a photograph"}}, true, {}, ""},
      {"CannotBeMade", tmp / "blocker/data/", {{"-", ""}}, false, {},
       "The data directory " + tmp.path() + "blocker/data/ could not be made: " + tmp.path() +
           "blocker: File exists"},
      {"IsAFile", tmp / "blocker", {{"-", ""}}, false, {},
       "The data directory " + tmp.path() + "blocker/ is not a folder."},
      // clang-format on
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
    for (const std::string& folder : SeededFolders()) {
      if (fs::exists(dir + folder + "/seed")) seeded.push_back(folder);
    }
    EXPECT_EQ(seeded, c.seeded);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}),
              std::ssize(seeded) + (c.before.empty() || c.before.contains("-") ? 0 : 1));
    if (!seeded.empty() && seeded[0] == "Styles") {
      EXPECT_EQ(ReadFile(dir + "Styles/more/deep.htm"), "deep");
    }
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

// --- CreateNewDirectory

TEST_F(FileHelpersTest, FailureHalfWayRemovesWhatItMade) {
  std::filesystem::create_directories(tmp / "a");
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(3);  // a/b and a/b/c are made, a/b/c/d fails
  EXPECT_FALSE(CreateNewDirectory(ui, tmp / "a/b/c/d/e"));
  EXPECT_FALSE(PathExists(tmp / "a/b"));
  EXPECT_TRUE(DirectoryExists(tmp / "a"));
  EXPECT_EQ(ui.texts(), std::vector{"An error was encountered whilst trying to create the "
                                    "directory, " +
                                    tmp.path() + "a/b/c/d/e/"});
}

// --- DeleteFileAsked

TEST_F(FileHelpersTest, ReadOnlyFileIsDeletedOnlyAfterYes) {
  for (Answer answer : {Answer::No, Answer::Yes}) {
    const std::string file = tmp / "ro.jpg";
    WriteFile(file, "x");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ui.Clear();
    ui.QueueAnswer(answer);
    EXPECT_EQ(DeleteFileAsked(ui, file, true), answer == Answer::Yes);
    EXPECT_EQ(FileExists(file) && IsReadOnly(file), answer == Answer::No);
    ASSERT_EQ(ui.texts(), std::vector{"Are you sure you want to delete the file, " + file +
                                      "?  This file is marked READ ONLY!"});
    EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
  }
}

// --- DeleteDirectoryAsked

TEST_F(FileHelpersTest, NeverHandsShortPathsOrTheRootToTheDisk) {
  // Records what is handed to the Trash or to RemoveAll and removes nothing.
  struct Recording : FaultyFileSystem {
    Recording() : FaultyFileSystem(RealFileSystem()) {}
    bool RemoveAll(const std::string& path, std::string*) override {
      removed.push_back(path);
      return true;
    }
    TrashResult MoveToTrash(const std::string& path, std::string*) override {
      removed.push_back(path);
      return TrashResult::Trashed;
    }
    std::vector<std::string> removed;
  } recording;
  ScopedFileSystem scope(recording);
  for (const char* path : {"", "/", "/ab", "/./", "////", "/tmp/../"}) {
    EXPECT_FALSE(DeleteDirectoryAsked(ui, path)) << path;
  }
  EXPECT_TRUE(recording.removed.empty());
  fs::create_directory(tmp / "site");
  EXPECT_TRUE(DeleteDirectoryAsked(ui, tmp / "site/"));
  EXPECT_EQ(recording.removed, std::vector<std::string>{tmp / "site"});
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

// The record keeps any file name (a line end or a backslash in it too); a file that is no record
// is reported, not taken for an empty one.
TEST_F(FileHelpersTest, TheLiveRecordKeepsEveryNameAndRefusesWhatIsNoRecord) {
  std::string error;
  EXPECT_EQ(ReadLiveRecord("Site_1", &error), std::nullopt);
  EXPECT_EQ(error, "");
  const LiveRecord record{"/srv/www/live", {"a.jpg", "odd\nname\\.txt", "thumbs/", "x\r"}};
  ASSERT_TRUE(WriteLiveRecord("Site_1", record, &error)) << error;
  const auto read = ReadLiveRecord("Site_1", &error);
  ASSERT_TRUE(read.has_value()) << error;
  EXPECT_EQ(read->location, record.location);
  EXPECT_EQ(read->entries, record.entries);
  for (const char* text :
       {"[General]\r\nName=x\r\n", "turnwheel live record 1\r\n/srv\r\nbad\\q\r\n",
        "turnwheel live record 1\r\n/srv\r\ncut"}) {
    SCOPED_TRACE(text);
    WriteFile(LiveRecordFileName("Site_1"), text);
    error.clear();
    EXPECT_EQ(ReadLiveRecord("Site_1", &error), std::nullopt);
    EXPECT_NE(error.find("Site_1.live"), std::string::npos) << error;
  }
}

// The record form of every entry of a tree ("thumbs/" for a folder).
std::set<std::string> Entries(const Tree& tree) {
  std::set<std::string> entries;
  for (const auto& [rel, content] : tree) entries.insert(content == "/" ? rel + "/" : rel);
  return entries;
}

class LiveTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeTree(source, kRotation);
    MakeTree(live, kOldLive);
    MakeTree(live, kMine);
  }
  std::vector<LiveFile> Copy() {
    std::vector<LiveFile> files;
    std::string error;
    EXPECT_TRUE(RotationLiveFiles(source, {}, &files, &error)) << error;
    return files;
  }
  // The live folder split by a record that names the old live tree and the rotation.
  LiveContents Contents() {
    LiveContents contents;
    std::string error;
    const std::set<std::string> ours = Ours();
    EXPECT_TRUE(ReadLiveContents(
        live, [&](const std::string& entry, const std::string&) { return ours.contains(entry); },
        &contents, &error))
        << error;
    return contents;
  }
  std::set<std::string> Ours() {
    std::set<std::string> ours = Entries(kOldLive);
    ours.merge(Entries(kRotation));
    return ours;
  }
  // Nothing of ours is left beside the live directory.
  void ExpectNoLeftovers() {
    EXPECT_FALSE(fs::exists(LiveStagingName(live)) || fs::exists(LiveRetiredName(live)) ||
                 fs::exists(ExchangeTemporaryName(live)));
  }
  static Tree With(Tree tree, const Tree& more) {
    tree.insert(more.begin(), more.end());
    return tree;
  }

  // What the user put into the live folder besides turnwheel's files.
  const Tree kMine = {{"notes.txt", "my notes"},
                      {"blog", "/"},
                      {"blog/index.html", "my blog"},
                      {"thumbs/mine.jpg", "my picture"},
                      {"drafts", "/"}};
  TempDir tmp;
  const std::string source = tmp / "site/Rotation_2";
  const std::string live = tmp / "www/site";
};

// The live copy holds the rotation's files and folders (a link to a file as a file); it leaves out
// links to folders, the folders of other rotations however they are spelled, and the programs'
// temporary files. With display copies on, the originals that have a copy stay out too (the
// rotation keeps them); with copies off, none is left out.
TEST_F(LiveTreeTest, ARotationsLiveFilesLeaveOutOtherRotationsTemporariesAndOriginals) {
  WriteFile(tmp / "outside.txt", "outside");
  fs::create_symlink(tmp / "outside.txt", source + "/linked.txt");
  fs::create_directory_symlink(tmp / "www", source + "/loop");
  const Tree pictures = {{"Beach.JPG", "original"},
                         {"gone.jpeg", "original without a copy"},
                         {"anim.gif", "gif"},
                         {"web", "/"},
                         {"web/Beach.jpg", "copy"}};
  MakeTree(source, With(pictures, {{"Rotation_3/c.jpg", "c"},
                                   {"deep/Rotation_4/d.jpg", "d"},
                                   {".parvel-tmp-Index.html.Xy12Ab", "half"},
                                   {".a.jpg.turnwheel-part", "half"},
                                   {".thumbs.exchange", "/"},
                                   {"~prev.htm", "preview"}}));
  EXPECT_EQ(OriginalsLeftOut(source, 0), std::set<std::string>{});
  const LiveSelection selection{
      {tmp / "site/Rotation_2/./Rotation_3/", source + "/deep/../deep/Rotation_4"},
      OriginalsLeftOut(source, 2048)};
  EXPECT_EQ(selection.left_out_files, std::set<std::string>{"Beach.JPG"});
  std::vector<LiveFile> files;
  std::string error;
  ASSERT_TRUE(RotationLiveFiles(source, selection, &files, &error)) << error;
  Tree expected = With(With(kRotation, pictures), {{"linked.txt", "outside"}});
  expected.erase("Beach.JPG");
  std::vector<LiveFile> listed;
  for (const auto& [rel, content] : expected) {
    listed.push_back({rel, content == "/" ? "" : source + "/" + rel});
  }
  EXPECT_EQ(files, listed);
}

// Which user entries a live copy would land on.
TEST_F(LiveTreeTest, CollisionsAreTheUsersEntriesInTheCopysWay) {
  const struct {
    const char* name;
    std::set<std::string> user;
    std::vector<std::string> hit;
  } cases[] = {
      {"beside", {"notes.txt", "blog/", "blog/index.html"}, {}},
      {"a folder in a folder", {"thumbs/", "thumbs/mine.jpg", "deep/"}, {}},
      {"a file on a file", {"Index.html", "a.jpg"}, {"Index.html", "a.jpg"}},
      {"a file on a folder", {"deep"}, {"deep"}},
      {"a folder on a file", {"a.jpg/", "a.jpg/x"}, {"a.jpg", "a.jpg/x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LiveCollisions(Copy(), {{}, c.user}), c.hit);
  }
}

// Turnwheel's entries are replaced or removed; the user's stay, as the very same files, and their
// folders and the live folder keep their permissions; the live folder given as a link stays one.
TEST_F(LiveTreeTest, PutLiveReplacesItsOwnAndKeepsTheUsersFiles) {
  const LiveContents contents = Contents();
  EXPECT_EQ(contents.user, Entries(kMine));
  struct stat before {};
  ASSERT_EQ(::stat((live + "/blog/index.html").c_str(), &before), 0);
  fs::permissions(live + "/drafts", fs::perms::owner_all);
  fs::permissions(live, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::set_gid);
  const fs::perms live_perms = fs::status(live).permissions();
  const std::string link = tmp / "current";  // a link it is given stays a link
  fs::create_directory_symlink(live, link);
  std::string error;
  ASSERT_TRUE(PutLive(Copy(), link, contents, Ours(), &error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadTree(live), With(kRotation, kMine));
  struct stat after {};
  ASSERT_EQ(::stat((live + "/blog/index.html").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(fs::status(live + "/drafts").permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(live).permissions(), live_perms);
  ExpectNoLeftovers();
}

// Where the live folder cannot be renamed, its files are replaced where they are: the same result,
// and an owned folder that holds a file of the user's stays.
TEST_F(LiveTreeTest, PutLiveInPlaceReplacesItsOwnAndKeepsTheUsersFiles) {
  const Tree old_folder = {{"old", "/"}, {"old/mine.txt", "mine too"}};
  MakeTree(live, old_folder);
  LiveContents contents = Contents();
  contents.owned.insert(contents.user.extract("old/"));  // turnwheel made it, the user filled it
  std::string error;
  ASSERT_TRUE(PutLiveInPlace(Copy(), live, contents, &error)) << error;
  EXPECT_EQ(ReadTree(live), With(With(kRotation, kMine), old_folder));
  ExpectNoLeftovers();
}

// A run stopped part way is repaired by the next one, and the user's files in what it left are
// not lost.
TEST_F(LiveTreeTest, ARunStoppedPartWayIsRepaired) {
  // Between the renames of an earlier version: the previous tree was retired, the new one never
  // arrived; a staging copy holds second names of the user's files and a file the user made
  // after the copy was swapped in.
  const Tree old_live = ReadTree(live);
  fs::rename(live, LiveRetiredName(live));
  MakeTree(LiveStagingName(live), {{"Index.html", "half"}, {"blog", "/"}, {"later.txt", "late"}});
  fs::create_hard_link(LiveRetiredName(live) + "/blog/index.html",
                       LiveStagingName(live) + "/blog/index.html");
  std::string error;
  EXPECT_TRUE(RepairLive(live, Ours(), &error)) << error;
  EXPECT_EQ(ReadTree(live), With(old_live, {{"later.txt", "late"}}));
  ExpectNoLeftovers();
  // A file of the user's whose place is taken stays where it is, and the repair says so.
  MakeTree(LiveStagingName(live), {{"notes.txt", "other notes"}});
  EXPECT_FALSE(RepairLive(live, Ours(), &error));
  EXPECT_NE(error.find("notes.txt is not turnwheel's"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(LiveStagingName(live) + "/notes.txt"), "other notes");
  fs::remove_all(LiveStagingName(live));
  fs::remove(live + "/later.txt");
  // Inside a swap by renames, after parking the live tree: it goes back, then the swap is done
  // afresh; after the new tree arrived but before the parked one moved on: it is cleared.
  fs::rename(live, ExchangeTemporaryName(live));
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(RepairLive(live, Ours(), &error)) << error;
    ASSERT_TRUE(PutLive(Copy(), live, Contents(), Ours(), &error)) << error;
    EXPECT_EQ(ReadTree(live), With(kRotation, kMine));
    ExpectNoLeftovers();
    if (run == 0) MakeTree(ExchangeTemporaryName(live), {{"a.jpg", "old"}});
  }
}

// PutLive refuses relative paths, the root and a file.
TEST_F(LiveTreeTest, PutLiveRefusesRelativeAndRootPathsAndFiles) {
  std::string error;
  EXPECT_FALSE(PutLive(Copy(), "www/site", {}, {}, &error));
  EXPECT_NE(error.find("not an absolute path"), std::string::npos);
  EXPECT_FALSE(PutLive(Copy(), "/", {}, {}, &error));
  WriteFile(tmp / "afile", "x");
  EXPECT_FALSE(PutLive(Copy(), tmp / "afile", {}, {}, &error));
  EXPECT_EQ(ReadFile(tmp / "afile"), "x");
}

}  // namespace
}  // namespace parvel
