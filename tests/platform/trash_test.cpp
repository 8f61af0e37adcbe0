// The desktop Trash through GIO: what goes there can be restored from files/ with the original
// path in info/, and a symbolic link goes by itself.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/filesystem.h"
#include "platform/trash.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ReadTree;
using testing::TempDir;
using testing::TrashContents;
using testing::TrashedEntry;
using testing::WriteFile;

class TrashTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EmptyTrash(); }
  TempDir dir;
};

// A file, a folder with what it holds, a link to a folder (also named with a trailing "/") and a
// link to a file each land in files/ under their own name, with a .trashinfo naming where they
// were; the links' targets stay whole.
TEST_F(TrashTest, EachEntryGoesAsItIsAndRecordsWhereItWas) {
  WriteFile(dir / "photo.jpg", "photo");
  WriteFile(dir / "Site/a.jpg", "a");
  WriteFile(dir / "Site/Rotation_2/b.jpg", "b");
  WriteFile(dir / "target/c.jpg", "c");
  fs::create_directory_symlink(dir / "target", dir / "linked");
  fs::create_directory_symlink(dir / "target", dir / "slashed");
  fs::create_symlink(dir / "target/c.jpg", dir / "c-link.jpg");
  const testing::Tree target = ReadTree(dir / "target");
  for (const std::string& path :
       {dir / "photo.jpg", dir / "Site", dir / "linked", dir / "slashed/", dir / "c-link.jpg"}) {
    SCOPED_TRACE(path);
    std::string error;
    EXPECT_EQ(TrashPath(path, &error), TrashResult::Trashed) << error;
    EXPECT_FALSE(fs::exists(fs::symlink_status(path.substr(0, path.find_last_not_of('/') + 1))));
  }
  EXPECT_EQ(ReadTree(dir / "target"), target);
  EXPECT_EQ(TrashContents(), (std::vector<TrashedEntry>{{"Site", dir / "Site"},
                                                        {"c-link.jpg", dir / "c-link.jpg"},
                                                        {"linked", dir / "linked"},
                                                        {"photo.jpg", dir / "photo.jpg"},
                                                        {"slashed", dir / "slashed"}}));
  const std::string files = testing::TrashFolder() + "files/";
  EXPECT_EQ(ReadFile(files + "Site/Rotation_2/b.jpg"), "b");
  EXPECT_TRUE(fs::is_symlink(files + "linked"));
  EXPECT_EQ(fs::read_symlink(files + "linked"), fs::path(dir / "target"));
  EXPECT_TRUE(fs::is_symlink(files + "c-link.jpg"));
}

// What is not there fails, naming the path and the cause, and leaves the Trash as it was. (The
// file system seam's moves to the Trash are seen by the model's delete tests.)
TEST_F(TrashTest, AFailureNamesThePath) {
  std::string error;
  EXPECT_EQ(TrashPath(dir / "missing.jpg", &error), TrashResult::Failed);
  EXPECT_NE(error.find(dir / "missing.jpg"), std::string::npos) << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  EXPECT_TRUE(TrashContents().empty());
}

}  // namespace
}  // namespace parvel
