// What a build may replace: files on the record of what builds wrote, files that hold its bytes
// already and the thumbnail folder; anything else is asked about once, before anything is
// written. And what a build says at its end: pictures left out, a cancel, a full bar.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/build_site.h"
#include "builder/messages.h"
#include "builder/thumbnail.h"
#include "builder/writeplan.h"
#include "model/buildrecord.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::MakeJpeg, testing::ReadFile, testing::ReadTree, testing::Site, testing::WriteFile;
using Names = std::vector<std::string>;

constexpr char kNextGraphic[] = "the program's next graphic";

// The site with the previous/next graphic `next.gif` of the styles folder, and a file of that
// name holding `in_site` in the site folder (none when null).
void WithNextGraphic(Site& site, const char* in_site = nullptr) {
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = site.styles + "next.gif";
  WriteFile(site.settings.Next_Page_File, kNextGraphic);
  if (in_site) WriteFile(site.site + "next.gif", in_site);
}

// The picture `name`.jpg with the user's page `name`.html ("mine") beside it, on a site of
// display pages.
void UserPage(Site& site, const std::string& name) {
  site.settings.DisplayAsImage = false;
  MakeJpeg(site.site + name + ".jpg");
  WriteFile(site.site + name + ".html", "mine");
}

std::string RecordOf(const Site& site) {
  return ReadFile(FolderBuildRecordPath(site.site));
}

// Each row: files made before the build, whether the build asks (and the names it gives), the
// answer, and whether the user's file `file` is replaced.
TEST(BuildRecord, AsksOnceAboutFilesItDidNotMake) {
  const struct Row {
    const char* name;
    std::function<void(Site&)> before;
    std::optional<std::string> question;  // nullopt: not asked
    Answer answer;
    const char* file;
    std::optional<std::string> user_bytes;  // what the user's file held; nullopt: no check
  } rows[] = {
      {"a user's page beside its picture", [](Site& site) { UserPage(site, "clock"); },
       "clock.html", Answer::Yes, "clock.html", "mine"},
      {"a user's photograph where the navigation graphic goes",
       [](Site& site) { WithNextGraphic(site, "my photograph"); }, "next.gif", Answer::No,
       "next.gif", "my photograph"},
      {"both, named in the order they would be written",
       [](Site& site) { WithNextGraphic(site, "my photograph"), UserPage(site, "clock"); },
       "next.gif, clock.html", Answer::No, "clock.html", "mine"},
      {"a file that holds the build's bytes already",
       [](Site& site) { WithNextGraphic(site, kNextGraphic); }, std::nullopt, Answer::Yes,
       "next.gif", std::nullopt},
      {"a display copy",
       [](Site& site) {
         site.settings.Web_Image_Size = 400;
         WriteFile(site.site + "web/img01.jpg", "my copy");
       },
       "web/img01.jpg", Answer::No, "web/img01.jpg", "my copy"},
      {"a file in the thumbnail folder",
       [](Site& site) { WriteFile(site.site + "thumbs/img01_thb.jpg", "my thumbnail"); },
       std::nullopt, Answer::Yes, "thumbs/img01_thb.jpg", std::nullopt},
      {"a page an earlier build wrote, edited since",
       [](Site& site) {
         ASSERT_TRUE(site.Build());
         WriteFile(site.site + "Index.html", "edited by hand");
       },
       std::nullopt, Answer::Yes, "Index.html", "edited by hand"},
      {"a site built before records were kept, its pages changing",
       [](Site& site) {
         site.AddImages(3);
         site.settings.Horizontal_Thumb_Count = site.settings.Vertical_Thumb_Count = 1;
         ASSERT_TRUE(site.Build());
         fs::remove(FolderBuildRecordPath(site.site));
         site.settings.Horizontal_Thumb_Count = 2;
       },
       "Index.html, Index2.html", Answer::Yes, "Index.html", std::nullopt},
      {"twelve of them: the first ten named",
       [](Site& site) {
         for (int i = 10; i < 22; ++i) UserPage(site, "p" + std::to_string(i));
       },
       "p10.html, p11.html, p12.html, p13.html, p14.html, p15.html, p16.html, p17.html, "
       "p18.html, p19.html and 2 more",
       Answer::Yes, "p21.html", "mine"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Site site;
    site.AddImages(1);
    row.before(site);
    site.ui.Clear();
    const auto tree = ReadTree(site.site);
    const std::string record = RecordOf(site);
    if (row.question) site.ui.QueueAnswer(row.answer);
    const bool built = site.Build();
    const Names expected =
        row.question
            ? Names{"The build would replace these files that it did not make: " + *row.question +
                    ".  Replace them?"}
            : Names{};
    EXPECT_EQ(site.ui.texts(), expected);
    EXPECT_TRUE(site.ui.unexpected().empty());
    if (row.question && row.answer == Answer::No) {
      // Nothing written: not the thumbnail folder, not a page, not the record.
      EXPECT_FALSE(built);
      EXPECT_EQ(ReadTree(site.site), tree);
      EXPECT_EQ(RecordOf(site), record);
      continue;
    }
    ASSERT_TRUE(built);
    EXPECT_TRUE(!row.user_bytes || site.Page(row.file) != *row.user_bytes) << "kept";
    // What the build wrote is the program's now: the next build asks nothing.
    site.ui.Clear();
    WriteFile(site.site + row.file, "changed again");
    EXPECT_TRUE(site.Build());
    EXPECT_TRUE(site.ui.texts().empty()) << ::testing::PrintToString(site.ui.texts());
  }
}

// The record lives in the data directory, names the files the build wrote (not the thumbnail
// folder's), and a build that changes nothing leaves it as it is.
TEST(BuildRecord, KeptInTheDataDirectoryAndUntouchedByAnUnchangedBuild) {
  Site site;
  site.AddImages(2);
  WithNextGraphic(site);
  ASSERT_TRUE(site.Build());
  const std::string path = FolderBuildRecordPath(site.site);
  EXPECT_TRUE(path.starts_with(site.dir / "data/records/"));
  EXPECT_EQ(ReadFile(path),
            std::string(kBuildRecordHeader) + "\nfolder " + site.site + "\nIndex.html\nnext.gif\n");
  // Far enough back that a rewrite would show in the file time.
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
  const auto before = fs::last_write_time(path);
  ASSERT_TRUE(site.Build());
  EXPECT_EQ(fs::last_write_time(path), before);
  // A file of the record that is gone leaves it: the name may become the user's.
  fs::remove(site.site + "next.gif");
  site.settings.prev_next_image_buttons = false;
  ASSERT_TRUE(site.Build());
  EXPECT_EQ(ReadFile(path),
            std::string(kBuildRecordHeader) + "\nfolder " + site.site + "\nIndex.html\n");
}

// A picture whose thumbnail cannot be made, and the user goes on: its thumbnail is not on any
// page, the end of the build names it instead of saying "completed", the bar is full when it
// asks. Both with the build's own thread and with workers.
TEST(BuildEnd, APictureWithoutThumbnailIsLeftOutAndNamed) {
  for (const int jobs : {1, 2}) {
    SCOPED_TRACE(jobs);
    Site site;
    site.AddImages(2);
    site.settings.DisplayAsImage = false;
    site.settings.ImageNavigationBar = true;
    WriteFile(site.site + "fake.jpg", "not a picture");
    BuildState state(site.ui, site.settings, site.inputs);
    state.set_jobs(jobs);
    site.ui.QueueAnswer(Answer::Yes);  // go on without the thumbnail
    site.ui.QueueAnswer(Answer::No);   // no preview
    ASSERT_TRUE(site.Build(state, false));
    EXPECT_EQ(state.left_out(), Names{"fake.jpg"});
    EXPECT_EQ(
        site.ui.texts(),
        (Names{ThumbnailCauseQuestion("The file, " + site.site + "fake.jpg, is not a picture"),
               "Your build has finished, but 1 picture was left out of the pages because its "
               "thumbnail could not be made: fake.jpg.  Would you like to preview it now?"}));
    EXPECT_EQ(site.Page("Index.html").find("fake"), std::string::npos);
    EXPECT_FALSE(site.Exists("fake.html"));
    // The first picture's page leads on to the second, and nothing leads to the one left out.
    EXPECT_NE(site.Page("img01.html").find("img02.html"), std::string::npos);
    EXPECT_EQ(site.Page("img01.html").find("fake"), std::string::npos);
    const auto& last = site.ui.progress().back();
    EXPECT_GT(last.maximum, 0);
    EXPECT_EQ(last.position, last.maximum);
  }
}

// Build All asks nothing at its end, but a left-out picture is still said, with the folder.
TEST(BuildEnd, UnattendedBuildSaysWhatWasLeftOut) {
  Site site;
  site.AddImages(1);
  for (int i = 0; i < 12; ++i) WriteFile(site.site + "bad" + std::to_string(i + 10) + ".jpg", "x");
  for (int i = 0; i < 12; ++i) site.ui.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(site.Build(true));
  EXPECT_EQ(site.ui.texts().back(),
            "The build of " + site.site +
                " has finished, but 12 pictures were left out of the pages because their "
                "thumbnails could not be made: bad10.jpg, bad11.jpg, bad12.jpg, bad13.jpg, "
                "bad14.jpg, bad15.jpg, bad16.jpg, bad17.jpg, bad18.jpg, bad19.jpg and 2 more.");
}

// A completed build's question comes with the bar full; a cancelled one says so with the bar
// back at 0 and leaves Status as it was.
TEST(BuildEnd, CancelSaysCancelledAndLeavesStatus) {
  Site site;
  site.AddImages(2);
  site.settings.Status = RotationStatus::Opened;
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(false));
  state.FillImageList();
  site.ui.CancelAtCheckpoint(1);
  site.ui.QueueAnswer(Answer::Yes);  // cancel
  EXPECT_FALSE(state.Start());
  EXPECT_EQ(state.outcome(), BuildOutcome::Cancelled);
  EXPECT_EQ(site.ui.progress().back().message, "The build was cancelled.");
  EXPECT_EQ(site.ui.progress().back().position, 0);
  EXPECT_EQ(site.settings.Status, RotationStatus::Opened);
  site.ui.QueueAnswer(Answer::No);                    // no preview
  ScriptedInteraction::ProgressStep bar{"", -1, -1};  // when the preview question comes
  site.ui.on_message = [&](std::string_view text) {
    if (text == kPreviewQuestion) bar = site.ui.progress().back();
  };
  ASSERT_TRUE(state.Start());
  EXPECT_EQ(state.outcome(), BuildOutcome::Completed);
  EXPECT_GT(bar.maximum, 0);
  EXPECT_EQ(bar.position, bar.maximum);
  EXPECT_EQ(site.settings.Status, RotationStatus::Built);
}

// The plan: own folders, duplicates, and the question's list of names.
TEST(WritePlan, ConflictsLeaveOutOwnFoldersRecordAndReplaceable) {
  testing::TempDir dir;
  const std::string folder = dir / "site/";
  for (const char* name : {"a.html", "b.html", "c.html", "thumbs/t.jpg"})
    WriteFile(folder + name, "user");
  SetDataDirectory(dir / "data/");
  BuildRecord record(FolderBuildRecordPath(folder), folder);
  record.Add(folder + "b.html");
  WritePlan plan(folder);
  plan.AddOwnFolder(folder + "thumbs/");
  for (const char* name : {"c.html", "a.html", "b.html", "thumbs/t.jpg", "new.html", "c.html"})
    plan.Add(folder + name);
  plan.Add(folder + "d.html", [] { return true; });
  EXPECT_EQ(plan.Conflicts(record), (Names{folder + "c.html", folder + "a.html"}));
}

}  // namespace
}  // namespace parvel
