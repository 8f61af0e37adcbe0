// Deleting for the user: Delete Site, Delete Rotation and the image list's Delete key ask with No
// as the default, send what they delete to the desktop's Trash (a symbolic link as a link), and
// where a disk has no Trash ask again before deleting for good.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "model/buildrecord.h"
#include "model/editsite.h"
#include "model/filehelpers.h"
#include "model/imagelist.h"
#include "model/liverecord.h"
#include "model/model_support.h"
#include "model/siterecords.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ReadTree;
using testing::TrashContents;
using testing::TrashedEntry;
using testing::WriteFile;

class DeleteTest : public testing::DataDirectoryTest {
 protected:
  void SetUp() override { testing::EmptyTrash(); }

  // The cautions of the questions asked so far, in order.
  std::vector<Caution> Cautions() const {
    std::vector<Caution> cautions;
    for (const auto& shown : ui.messages())
      if (shown.buttons != Buttons::Ok) cautions.push_back(shown.caution);
    return cautions;
  }

  SiteSettings settings;
  AppOptions options;
  std::vector<std::string> styles;
};

// The site's folder, its settings file and the list files named for it go to the Trash; a list
// file another site uses, another site's lists and files of other names stay; the catalogue
// forgets the site.
TEST_F(DeleteTest, DeleteSiteSendsItsFolderSettingsAndListsToTheTrash) {
  testing::WriteSite("Site_2", "Two",
                     "RotationCount=1\r\n[Rotation_1]\r\nFooter_File=%/site_1_footers.txt\r\n");
  for (const char* file :
       {"Site_1/a.jpg", "Site_1/Rotation_2/b.jpg", "Site_1_Headers.txt", "Site_1_Headers2.txt",
        "Site_1_Footers.txt", "Site_12_Headers.txt", "Site_1_Headers_old.txt", "Site_2/c.jpg",
        "elsewhere/Rotation_2/a.jpg"}) {
    WriteFile(tmp / file, file);
  }
  // The program's records of what turnwheel put live and what the builds wrote: Site_1's go,
  // Site_2's (the last two) stay.
  const std::string records[] = {LiveRecordFileName("Site_1"), BuildRecordPath("Site_1", 1),
                                 LiveRecordFileName("Site_2"), BuildRecordPath("Site_2", 1)};
  for (const std::string& record : records) WriteFile(record, "record");
  OpenSite("One", "RotationCount=1\r\n[Rotation_1]\r\nHeader_File=%/Site_1_Headers.txt\r\n");
  ui.QueueAnswer(Answer::Yes);
  cat.DeleteSite(ui, true);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(fs::exists(records[i]), i >= 2) << records[i];
  EXPECT_EQ(Cautions(), std::vector<Caution>{Caution::DefaultNo});  // its text: the message table
  EXPECT_EQ(TrashContents(), (std::vector<TrashedEntry>{
                                 {"Site_1", tmp / "Site_1"},
                                 {"Site_1.ini", tmp / "Site_1.ini"},
                                 {"Site_1_Headers.txt", tmp / "Site_1_Headers.txt"},
                                 {"Site_1_Headers2.txt", tmp / "Site_1_Headers2.txt"},
                             }));
  EXPECT_EQ(ReadFile(testing::TrashFolder() + "files/Site_1/Rotation_2/b.jpg"),
            "Site_1/Rotation_2/b.jpg");
  for (const char* kept : {"Site_1_Footers.txt", "Site_12_Headers.txt", "Site_1_Headers_old.txt",
                           "Site_2/c.jpg", "Site_2.ini", "elsewhere/Rotation_2/a.jpg"}) {
    EXPECT_TRUE(fs::exists(tmp / kept)) << kept;
  }
  EXPECT_EQ(ReadFile(tmp / "sites.ini"), "[Sites]\r\nSite_2=Two\r\n");
  EXPECT_EQ(cat.keys(), std::vector<std::string>{"Site_2"});
  EXPECT_EQ(cat.selected(), -1);
}

// A site folder or a rotation folder that is a symbolic link goes as the link: the folder it
// points at keeps every file, and nothing is reported.
TEST_F(DeleteTest, AFolderThatIsALinkGoesByItself) {
  options.UseRotations = true;
  for (const bool site : {true, false}) {
    SCOPED_TRACE(site ? "Delete Site" : "Delete Rotation");
    testing::EmptyTrash();
    ui.Clear();
    const std::string target = tmp / (site ? "real-site/" : "real-rotation/");
    WriteFile(target + "a.jpg", "a");
    WriteFile(target + "Index.html", "page");
    WriteFile(target + "thumbs/a_thb.jpg", "small");
    const testing::Tree before = ReadTree(target);
    const std::string linked = tmp / (site ? "Site_1" : "Site_1/Rotation_2");
    if (!site) fs::create_directories(tmp / "Site_1/Rotation_1");
    fs::create_directory_symlink(target, linked);
    OpenSite("One", site
                        ? "RotationCount=0\r\n"
                        : "RotationCount=2\r\n[Rotation_1]\r\nRotation_Path=%/Site_1/Rotation_1\r\n"
                          "[Rotation_2]\r\nRotation_Path=%/Site_1/Rotation_2/\r\n");
    ui.QueueAnswer(Answer::Yes);
    if (site) {
      cat.DeleteSite(ui, true);
      EXPECT_TRUE(cat.keys().empty());
    } else {
      // A later rotation 2 gets the same folder: the old record of what builds wrote there
      // must not make a user's new file there the program's.
      WriteFile(BuildRecordPath("Site_1", 1), "record 1");
      WriteFile(BuildRecordPath("Site_1", 2), "record 2");
      SiteEditor editor{ui, cat, settings, options, styles};
      ASSERT_TRUE(editor.Open());
      ASSERT_TRUE(editor.SelectRotation(1));
      EXPECT_TRUE(editor.DeleteRotation());
      EXPECT_EQ(testing::SiteKey("General", "RotationCount"), "1");
      EXPECT_FALSE(fs::exists(BuildRecordPath("Site_1", 2)));
      EXPECT_TRUE(fs::exists(BuildRecordPath("Site_1", 1)));
    }
    EXPECT_EQ(ReadTree(target), before);
    EXPECT_FALSE(fs::exists(fs::symlink_status(linked)));
    EXPECT_EQ(ui.messages().size(), 1u);  // the question only: no failure reported
    const std::vector<TrashedEntry> trashed = TrashContents();
    ASSERT_FALSE(trashed.empty());
    EXPECT_EQ(trashed.front(), (TrashedEntry{fs::path(linked).filename().string(), linked}));
    EXPECT_TRUE(fs::is_symlink(testing::TrashFolder() + "files/" + trashed.front().name));
  }
}

// Where the disk has no Trash, one question names what would be deleted for good (the first ten
// and how many more), with No as the default and for a person only; No keeps them all, Yes
// deletes them, a link as a link. Delete Site there asks the same before each step.
TEST_F(DeleteTest, WithoutATrashItAsksBeforeDeletingForGood) {
  FaultyFileSystem no_trash(RealFileSystem());
  no_trash.set_no_trash(true);
  ScopedFileSystem scope(no_trash);
  WriteFile(tmp / "target/kept.jpg", "kept");
  const testing::Tree target = ReadTree(tmp / "target");
  std::vector<std::string> paths;
  std::string named;  // the first ten
  for (int i = 1; i <= 11; ++i) {
    paths.push_back(tmp / ("f" + std::to_string(i) + ".jpg"));
    WriteFile(paths.back(), "x");
    if (i <= 10) named += (i > 1 ? ", " : "") + paths.back();
  }
  WriteFile(tmp / "folder/a.jpg", "a");
  fs::create_directory_symlink(tmp / "target", tmp / "link");
  paths.push_back(tmp / "folder/");
  paths.push_back(tmp / "link/");
  const std::string question =
      "There is no Trash on the file system of these 13 files and folders, so they cannot be "
      "moved there: " +
      named + " and 3 more.  Delete them for good?  They cannot be restored afterwards.";
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    ui.Clear();
    ui.QueueAnswer(answer);
    EXPECT_EQ(TrashPaths(ui, paths), answer == Answer::Yes);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{question});
    EXPECT_EQ(Cautions(), std::vector<Caution>{Caution::PersonOnly});
    for (const std::string& path : paths) {
      EXPECT_EQ(fs::exists(fs::symlink_status(WithoutTrailingSeparator(path))),
                answer == Answer::No)
          << path;
    }
    EXPECT_EQ(ReadTree(tmp / "target"), target);
  }
  // Delete Site: No to deleting for good leaves the site whole and listed; Yes deletes its folder
  // (one path, named by itself) and then asks again for its settings file.
  WriteFile(tmp / "Site_1/a.jpg", "a");
  OpenSite("One", "RotationCount=0\r\n");
  const testing::Tree before = ReadTree(tmp.path());
  ui.Clear();
  ui.QueueAnswer(Answer::Yes);
  ui.QueueAnswer(Answer::No);  // not for good
  cat.DeleteSite(ui, true);
  EXPECT_EQ(ui.texts().back(), "There is no Trash on the file system of " + (tmp / "Site_1") +
                                   ", so it cannot be moved there.  Delete it for good?  It "
                                   "cannot be restored afterwards.");
  EXPECT_EQ(ReadTree(tmp.path()), before);
  EXPECT_EQ(cat.keys(), std::vector<std::string>{"Site_1"});
  EXPECT_EQ(cat.selected(), 0);
  EXPECT_EQ(Cautions(), (std::vector<Caution>{Caution::DefaultNo, Caution::PersonOnly}));

  ui.Clear();
  cat.SelectSite(0, true);
  for (int i = 0; i < 3; ++i) ui.QueueAnswer(Answer::Yes);
  cat.DeleteSite(ui, true);
  EXPECT_EQ(Cautions(),
            (std::vector<Caution>{Caution::DefaultNo, Caution::PersonOnly, Caution::PersonOnly}));
  EXPECT_FALSE(fs::exists(tmp / "Site_1") || fs::exists(tmp / "Site_1.ini"));
  EXPECT_TRUE(cat.keys().empty());
  EXPECT_TRUE(TrashContents().empty());
}

// A move to the Trash that fails is reported with its path and cause; the others go on.
TEST_F(DeleteTest, AFailedMoveIsReportedAndTheRestGoOn) {
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  WriteFile(tmp / "a.jpg", "a");
  WriteFile(tmp / "b.jpg", "b");
  faulty.FailAt(1, "Permission denied");
  EXPECT_FALSE(TrashPaths(ui, {tmp / "a.jpg", tmp / "b.jpg"}));
  EXPECT_EQ(ui.texts(), std::vector<std::string>{"Could not move " + (tmp / "a.jpg") +
                                                 " to the Trash: Permission denied"});
  EXPECT_EQ(ReadFile(tmp / "a.jpg"), "a");
  EXPECT_EQ(TrashContents(), (std::vector<TrashedEntry>{{"b.jpg", tmp / "b.jpg"}}));
}

// Delete Rotation whose folder cannot go keeps the rotation listed: the section and the count
// stay as they were.
TEST_F(DeleteTest, ARotationWhoseFolderStaysStaysListed) {
  options.UseRotations = true;
  WriteFile(tmp / "Site_1/Rotation_1/a.jpg", "a");
  WriteFile(tmp / "Site_1/Rotation_2/b.jpg", "b");
  OpenSite("One",
           "RotationCount=2\r\n[Rotation_1]\r\nRotation_Path=%/Site_1/Rotation_1\r\n"
           "[Rotation_2]\r\nRotation_Path=%/Site_1/Rotation_2\r\n");
  SiteEditor editor{ui, cat, settings, options, styles};
  ASSERT_TRUE(editor.Open());
  ASSERT_TRUE(editor.SelectRotation(1));
  const std::string before = ReadFile(tmp / "Site_1.ini");
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(1, "Permission denied");
  ui.QueueAnswer(Answer::Yes);
  EXPECT_FALSE(editor.DeleteRotation());
  EXPECT_EQ(ui.texts(), (std::vector<std::string>{
                            editor.DeleteQuestion(),
                            "Cannot remove directory, it may be not be empty or it may be marked "
                            "read-only."}));
  EXPECT_EQ(ui.logs(), std::vector<std::string>{"Permission denied"});
  EXPECT_EQ(Cautions(), std::vector<Caution>{Caution::DefaultNo});
  EXPECT_EQ(ReadFile(tmp / "Site_1.ini"), before);
  EXPECT_EQ(ReadFile(tmp / "Site_1/Rotation_2/b.jpg"), "b");
}

// The Delete key: No (the default) keeps the files; Yes sends them to the Trash, a read-only one
// only after a second Yes, and a failure shows the list's own warning.
TEST_F(DeleteTest, TheImageListSendsTheChosenFilesToTheTrash) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) WriteFile(tmp / name, name);
  ASSERT_EQ(::chmod((tmp / "c.jpg").c_str(), 0444), 0);
  FolderImageList list;
  list.SetDirectory(ui, tmp.path());
  ASSERT_EQ(list.names(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));

  ui.QueueAnswer(Answer::No);
  EXPECT_TRUE(list.DeleteSelected(ui, {0}));
  EXPECT_EQ(ui.texts(),
            std::vector<std::string>{"Are you sure you want to delete the file, a.jpg?"});
  EXPECT_EQ(list.names().size(), 4u);

  ui.Clear();
  ui.QueueAnswer(Answer::Yes);  // the three
  ui.QueueAnswer(Answer::No);   // not the read-only one
  EXPECT_TRUE(list.DeleteSelected(ui, {0, 1, 2}));
  EXPECT_EQ(ui.texts(),
            (std::vector<std::string>{"Are you sure you want to delete these 3 files?",
                                      "Are you sure you want to delete the file, " +
                                          (tmp / "c.jpg") + "?  This file is marked READ ONLY!"}));
  EXPECT_EQ(Cautions(), (std::vector<Caution>{Caution::DefaultNo, Caution::DefaultNo}));
  EXPECT_EQ(list.names(), (std::vector<std::string>{"c.jpg", "d.jpg"}));
  EXPECT_EQ(TrashContents(),
            (std::vector<TrashedEntry>{{"a.jpg", tmp / "a.jpg"}, {"b.jpg", tmp / "b.jpg"}}));
  EXPECT_EQ(ui.busy_depth(), 0);

  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(1, "Permission denied");
  ui.Clear();
  ui.QueueAnswer(Answer::Yes);
  list.DeleteSelected(ui, {1});
  EXPECT_EQ(ui.texts(),
            (std::vector<std::string>{"Are you sure you want to delete the file, d.jpg?",
                                      "Error encountered deleting the file, d.jpg?"}));
  EXPECT_EQ(ui.logs().back(), "Permission denied");
  EXPECT_EQ(list.names(), (std::vector<std::string>{"c.jpg", "d.jpg"}));
}

TEST(SiteListFilesTest, NamesOfTheSitesLists) {
  const std::pair<const char*, bool> cases[] = {
      {"Site_3_Headers.txt", true},      {"Site_3_Footers.txt", true},
      {"site_3_headers12.TXT", true},    {"Site_3_Footers90000.txt", true},
      {"Site_33_Headers.txt", false},    {"Site_3_Headers_old.txt", false},
      {"Site_3_Headers.txt.bak", false}, {"Site_3.ini", false},
      {"Site_3_Headers2a.txt", false},   {"Site_3_Header.txt", false},
  };
  for (const auto& [name, listed] : cases)
    EXPECT_EQ(IsSiteListFileName(name, "Site_3"), listed) << name;
  EXPECT_FALSE(IsSiteListFileName("_Headers.txt", ""));
}

// Records are the program's own: removed outright (a folder with what it holds, a link as a
// link), a failure named while the rest still go.
TEST_F(DeleteTest, RecordsAreRemovedOutright) {
  WriteFile(tmp / "records/Site_1/live.txt", "live");
  WriteFile(tmp / "Site_1.built", "built");
  WriteFile(tmp / "elsewhere/kept.txt", "kept");
  fs::create_directory_symlink(tmp / "elsewhere", tmp / "Site_1.link");
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(1, "Read-only file system");
  std::string error;
  EXPECT_FALSE(RemoveRecords(
      {tmp / "Site_1.built", tmp / "records/Site_1/", tmp / "Site_1.link", tmp / "Site_1.missing"},
      &error));
  EXPECT_EQ(error, "Read-only file system");
  EXPECT_TRUE(fs::exists(tmp / "Site_1.built"));
  EXPECT_FALSE(fs::exists(tmp / "records/Site_1"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "Site_1.link")));
  EXPECT_EQ(ReadFile(tmp / "elsewhere/kept.txt"), "kept");
  EXPECT_TRUE(RemoveRecords({tmp / "Site_1.built"}, &error));
  EXPECT_FALSE(fs::exists(tmp / "Site_1.built"));
  EXPECT_TRUE(TrashContents().empty());
}

}  // namespace
}  // namespace parvel
