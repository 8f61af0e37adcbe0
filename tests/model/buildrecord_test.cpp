// The record of the files builds wrote: where it is kept, how it reads back, and that a record
// of one folder or site never speaks for another.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "model/buildrecord.h"
#include "model/model_support.h"

namespace parvel {
namespace {

using testing::DataDirectoryTest, testing::ReadFile, testing::WriteFile;
using Names = std::vector<std::string>;

using BuildRecordTest = DataDirectoryTest;

// Names with the record's own separators and escapes read back as they were written.
TEST_F(BuildRecordTest, NamesReadBackAsWritten) {
  const std::string folder = tmp / "site%0A/";
  const Names names = {"a\nb.html", "100%25.html", "x\r.gif", "sub/page.html"};
  BuildRecord record(FolderBuildRecordPath(folder), folder);
  for (const auto& name : names) {
    WriteFile(folder + name, "made");
    record.Add(folder + name);
  }
  record.Add(tmp / "elsewhere.html");  // outside the folder: not recorded
  ASSERT_TRUE(record.Save(nullptr));
  BuildRecord again(FolderBuildRecordPath(folder), folder);
  ASSERT_TRUE(again.Load());
  for (const auto& name : names) EXPECT_TRUE(again.Holds(folder + name)) << name;
  EXPECT_EQ(again.entries().size(), names.size());
  EXPECT_FALSE(again.Holds(tmp / "elsewhere.html"));
  // Files that are gone, also behind a link, leave the record; the others stay.
  std::filesystem::remove(folder + "x\r.gif");
  std::filesystem::remove(folder + "sub/page.html");
  std::filesystem::create_symlink(tmp / "nowhere", folder + "dangling.html");
  std::filesystem::create_symlink(folder + "a\nb.html", folder + "link.html");
  again.Add(folder + "dangling.html");
  again.Add(folder + "link.html");
  again.DropMissing();
  EXPECT_EQ(again.entries(), (std::set<std::string>{"100%25.html", "a\nb.html", "link.html"}));
}

// A record of another folder (the rotation was moved) or one that is not a record reads as
// empty; saving replaces it.
TEST_F(BuildRecordTest, AnotherFoldersRecordCountsForNothing) {
  const std::string file = BuildRecordPath("Site_1", 1);
  const std::string old_folder = tmp / "old/", folder = tmp / "new/";
  WriteFile(old_folder + "Index.html", "x");
  WriteFile(folder + "Index.html", "x");
  BuildRecord old_record(file, old_folder);
  old_record.Add(old_folder + "Index.html");
  ASSERT_TRUE(old_record.Save(nullptr));
  for (const char* text : {"", "garbage\n"}) {
    if (*text) WriteFile(file, text);
    BuildRecord record(file, folder);
    EXPECT_EQ(record.Load(), *text == '\0');
    EXPECT_FALSE(record.Holds(folder + "Index.html"));
    record.Add(folder + "Index.html");
    ASSERT_TRUE(record.Save(nullptr));
    EXPECT_EQ(ReadFile(file),
              std::string(kBuildRecordHeader) + "\nfolder " + folder + "\nIndex.html\n");
  }
}

// Each site's rotations have records of their own, whatever the key's letter case; no key
// reaches another's records.
TEST_F(BuildRecordTest, RecordsOfOneSite) {
  EXPECT_EQ(BuildRecordPath("SITE_1", 2), BuildRecordPath("site_1", 2));
  EXPECT_NE(BuildRecordPath("Site_1", 2), BuildRecordPath("Site_1", 3));
  EXPECT_NE(BuildRecordPath("a-1", 2), BuildRecordPath("a", 12));
  EXPECT_EQ(BuildRecordPath("../x", 1).find("/../"), std::string::npos);
  for (const auto& path : {BuildRecordPath("Site_1", 1), BuildRecordPath("Site_1", 12),
                           BuildRecordPath("Site_12", 1), BuildRecordPath("Site_1-x", 1)}) {
    WriteFile(path, "x");
  }
  Names paths = SiteBuildRecordPaths("site_1");
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (Names{BuildRecordPath("Site_1", 1), BuildRecordPath("Site_1", 12)}));
  EXPECT_TRUE(BuildRecordPath("Site_1", 1).starts_with(tmp / "records/"));
  EXPECT_NE(FolderBuildRecordPath(tmp / "a"), FolderBuildRecordPath(tmp / "b/"));
  EXPECT_EQ(FolderBuildRecordPath(tmp / "a"), FolderBuildRecordPath(tmp / "a/"));
}

}  // namespace
}  // namespace parvel
