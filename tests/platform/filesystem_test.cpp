#include "platform/filesystem.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(FileSystemTest, ExchangeSwapsTwoDirectories) {
  TempDir dir;
  WriteFile(dir / "a/file", "from a");
  WriteFile(dir / "b/file", "from b");
  std::string error;
  ASSERT_TRUE(RealFileSystem().Exchange(dir / "a", dir / "b", &error)) << error;
  EXPECT_EQ(ReadFile(dir / "a/file"), "from b");
  EXPECT_EQ(ReadFile(dir / "b/file"), "from a");
}

TEST(FileSystemTest, ExchangeWithSomethingMissingChangesNothing) {
  TempDir dir;
  WriteFile(dir / "a/file", "from a");
  std::string error;
  EXPECT_FALSE(RealFileSystem().Exchange(dir / "a", dir / "b", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(dir / "a/file"), "from a");
  RenamesOnly renames;
  EXPECT_FALSE(renames.Exchange(dir / "a", dir / "b", &error));
  EXPECT_EQ(ReadFile(dir / "a/file"), "from a");
}

TEST(FileSystemTest, ExchangeByRenamesUndoesAFailureAtEveryStep) {
  for (int n = 1; n <= 4; ++n) {
    TempDir dir;
    WriteFile(dir / "a/file", "from a");
    WriteFile(dir / "b/file", "from b");
    RenamesOnly renames;
    renames.FailAt(n);
    std::string error;
    const bool ok = renames.Exchange(dir / "a", dir / "b", &error);
    if (n == 4) {  // three renames: the fourth operation never comes
      ASSERT_TRUE(ok) << error;
      EXPECT_EQ(ReadFile(dir / "a/file"), "from b");
      EXPECT_EQ(ReadFile(dir / "b/file"), "from a");
    } else {
      EXPECT_FALSE(ok) << n;
      EXPECT_EQ(error, "No space left on device") << n;
      EXPECT_EQ(ReadFile(dir / "a/file"), "from a") << n;
      EXPECT_EQ(ReadFile(dir / "b/file"), "from b") << n;
    }
    EXPECT_FALSE(fs::exists(ExchangeTemporaryName(dir / "b"))) << n;
  }
}

TEST(FileSystemTest, FaultyFileSystemCountsAnExchangeAsOneOperation) {
  TempDir dir;
  WriteFile(dir / "a", "1");
  WriteFile(dir / "b", "2");
  FaultyFileSystem faulty(RealFileSystem());
  faulty.FailAt(1);
  EXPECT_FALSE(faulty.Exchange(dir / "a", dir / "b", nullptr));
  EXPECT_TRUE(faulty.Exchange(dir / "a", dir / "b", nullptr));
  EXPECT_EQ(faulty.operations(), 2);
  EXPECT_EQ(ReadFile(dir / "a"), "2");
}

TEST(FileSystemTest, WritesOfLongNamesKeepTheirTemporaryWithinTheNameLimit) {
  TempDir dir;
  const std::string name(255, 'n');
  std::string error;
  ASSERT_TRUE(RealFileSystem().WriteFileAtomic(dir / name, "whole", &error)) << error;
  EXPECT_EQ(ReadFile(dir / name), "whole");
  ASSERT_TRUE(RealFileSystem().WriteFileReplace(dir / name, "again", &error)) << error;
  EXPECT_EQ(ReadFile(dir / name), "again");
}

TEST(FileSystemTest, FileHoldsOnlyTheSameBytesInARegularFile) {
  TempDir dir;
  const std::string big(200 * 1024, 'p');  // longer than one read
  std::string big_changed = big;
  big_changed[150 * 1024] = 'q';
  WriteFile(dir / "big", big);
  WriteFile(dir / "page", "abc");
  fs::create_symlink(dir / "page", dir / "link");
  fs::create_directories(dir / "folder");
  const struct {
    const char* name;
    std::string contents;
    bool holds;
  } cases[] = {
      {"page", "abc", true},       {"page", "abd", false}, {"page", "ab", false},
      {"page", "abcd", false},     {"page", "", false},    {"big", big, true},
      {"big", big_changed, false}, {"link", "abc", false}, {"folder", "", false},
      {"missing", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileHolds(dir / c.name, c.contents), c.holds)
        << c.name << " against " << c.contents.size() << " bytes";
  }
  WriteFile(dir / "empty", "");
  EXPECT_TRUE(FileHolds(dir / "empty", ""));
}

TEST(FileSystemTest, StaleTemporariesAreRecognisedAndRemoved) {
  struct Case {
    const char* name;
    bool temporary;
  } cases[] = {{".parvel-tmp-Index.html.a1B2c3", true},
               {".parvel-tmp-x", true},
               {".parvel-tmp-", false},
               {".Index.html.a1B2c3", false},
               {".htaccess.backup", false},
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
  EXPECT_EQ(RemoveStaleTemporaries(dir / "missing"), 0);
}

}  // namespace
}  // namespace parvel
