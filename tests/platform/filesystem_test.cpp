#include "platform/filesystem.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <filesystem>

#include "platform/nocase.h"
#include "support/faulty_filesystem.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Passes everything to the disk except Exchange, which takes the default: three renames.
class RenamesOnly : public FaultyFileSystem {
 public:
  RenamesOnly() : FaultyFileSystem(RealFileSystem()) {}
  bool Exchange(const std::string& a, const std::string& b, std::string* error) override {
    return FileSystem::Exchange(a, b, error);
  }
};

int FilesIn(const std::string& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++n;
  return n;
}

// n = 0 is the system's own exchange; 1..3 fail one of the three renames, 4 fails nothing.
TEST(FileSystemTest, ExchangeSwapsOrLeavesBothAsTheyWere) {
  for (int n = 0; n <= 4; ++n) {
    TempDir dir;
    WriteFile(dir / "a/file", "from a");
    WriteFile(dir / "b/file", "from b");
    RenamesOnly renames;
    if (n > 0) renames.FailAt(n);
    std::string error;
    const bool ok = n == 0 ? RealFileSystem().Exchange(dir / "a", dir / "b", &error)
                           : renames.Exchange(dir / "a", dir / "b", &error);
    EXPECT_EQ(ok, n == 0 || n == 4) << n << error;
    EXPECT_EQ(ReadFile(dir / "a/file"), ok ? "from b" : "from a") << n;
    EXPECT_EQ(ReadFile(dir / "b/file"), ok ? "from a" : "from b") << n;
    EXPECT_EQ(ok ? "No space left on device" : error, "No space left on device") << n;
    EXPECT_EQ(FilesIn(dir.path()), 2) << n;
  }
  TempDir dir;
  WriteFile(dir / "a/file", "from a");
  std::string error;
  EXPECT_FALSE(RealFileSystem().Exchange(dir / "a", dir / "b", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(dir / "a/file"), "from a");
}

// Both writers keep the old file's permissions, cope with a name of the longest length, and
// leave no temporary file behind when the real rename fails (the target is a folder that is not
// empty).
TEST(FileSystemTest, ReplacingKeepsPermissionsAndAFailedRenameLeavesNoTemporary) {
  for (const bool durable : {true, false}) {
    const auto write = [durable](const std::string& path, std::string_view text,
                                 std::string* error) {
      return durable ? RealFileSystem().WriteFileAtomic(path, text, error)
                     : RealFileSystem().WriteFileReplace(path, text, error);
    };
    TempDir dir;
    const std::string name(255, 'n');
    std::string error;
    ASSERT_TRUE(write(dir / name, "whole", &error)) << error;
    ASSERT_EQ(::chmod((dir / name).c_str(), 0640), 0);
    ASSERT_TRUE(write(dir / name, "again", &error)) << error;
    EXPECT_EQ(ReadFile(dir / name), "again");
    struct stat st {};
    ASSERT_EQ(::stat((dir / name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << durable;

    WriteFile(dir / "Index.html/inside", "someone's");
    EXPECT_FALSE(write(dir / "Index.html", "page", &error));
    EXPECT_NE(error.find("Index.html"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(dir / "Index.html/inside"), "someone's");
    EXPECT_EQ(FilesIn(dir.path()), 2) << durable;  // the long name and the folder
  }
}

// A real write that fails part way (the file size limit stands in for a full disk) replaces
// nothing, leaves no temporary file and says why.
TEST(FileSystemTest, AWriteTheDiskRefusesLeavesTheOldFileWhole) {
  TempDir dir;
  WriteFile(dir / "page.html", "old");
  struct rlimit before {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  struct rlimit small = before;
  small.rlim_cur = 1024;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string atomic_error, replace_error;
  const std::string big(4096, 'x');
  const bool atomic = RealFileSystem().WriteFileAtomic(dir / "page.html", big, &atomic_error);
  const bool replace = RealFileSystem().WriteFileReplace(dir / "page.html", big, &replace_error);
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, handler);
  EXPECT_FALSE(atomic);
  EXPECT_FALSE(replace);
  EXPECT_NE(replace_error.find("File too large"), std::string::npos) << replace_error;
  EXPECT_EQ(ReadFile(dir / "page.html"), "old");
  EXPECT_EQ(FilesIn(dir.path()), 1);
}

TEST(FileSystemTest, FileHoldsOnlyTheSameBytesInARegularFile) {
  TempDir dir;
  const std::string big(200 * 1024, 'p');  // longer than one read
  std::string big_changed = big;
  big_changed[150 * 1024] = 'q';
  WriteFile(dir / "big", big);
  WriteFile(dir / "page", "abc");
  WriteFile(dir / "empty", "");
  fs::create_symlink(dir / "page", dir / "link");
  const struct {
    const char* name;
    std::string contents;
    bool holds;
  } cases[] = {{"page", "abc", true},       {"page", "abd", false}, {"page", "ab", false},
               {"page", "abcd", false},     {"big", big, true},     {"empty", "", true},
               {"big", big_changed, false}, {"link", "abc", false}, {"missing", "", false}};
  for (const auto& c : cases) EXPECT_EQ(FileHolds(dir / c.name, c.contents), c.holds) << c.name;
}

TEST(FileSystemTest, StaleTemporariesAreRecognisedAndRemoved) {
  const struct {
    const char* name;
    bool temporary;
  } cases[] = {{".parvel-tmp-Index.html.a1B2c3", true},
               {".parvel-tmp-x", true},
               {".parvel-tmp-", false},
               {".Index.html.a1B2c3", false},
               {"parvel-tmp-Index.html", false}};
  TempDir dir;
  for (const auto& c : cases) {
    EXPECT_EQ(IsWriteTemporaryName(c.name), c.temporary) << c.name;
    WriteFile(dir / c.name, "x");
  }
  fs::create_directories(dir / ".parvel-tmp-folder");  // not a file: stays
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 2);
  for (const auto& c : cases) EXPECT_EQ(fs::exists(dir / c.name), !c.temporary) << c.name;
  EXPECT_TRUE(fs::exists(dir / ".parvel-tmp-folder"));
}

// Folder listings go through Files() like writes: a listing the file system refuses hides the
// files from letter-case matching and from the removal of stale temporaries.
TEST(FileSystemTest, ListingsGoThroughFiles) {
  class Unlistable : public FaultyFileSystem {
   public:
    Unlistable() : FaultyFileSystem(RealFileSystem()) {}
    bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>*,
                       std::string* error) override {
      if (error) *error = directory + ": Permission denied";
      return false;
    }
  };
  TempDir dir;
  WriteFile(dir / "Photo.JPG", "x");
  WriteFile(WriteTemporaryName(dir / "page.html", ".part"), "x");
  {
    Unlistable unlistable;
    ScopedFileSystem scope(unlistable);
    EXPECT_EQ(FindFileNoCase(dir.path(), "photo.jpg"), std::nullopt);
    EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 0);
  }
  EXPECT_EQ(FindFileNoCase(dir.path(), "photo.jpg"), dir / "Photo.JPG");
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);
}

}  // namespace
}  // namespace parvel
