#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>

#include "platform/filelock.h"
#include "platform/filesystem.h"
#include "platform/nocase.h"
#include "support/faulty_filesystem.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using namespace std::chrono_literals;

// The ways the program puts a whole file on disk, each as one call.
using Write = bool (FileSystem::*)(const std::string&, std::string_view, std::string*);
using Copy = bool (FileSystem::*)(const std::string&, const std::string&, std::string*);
struct Writer {
  const char* name;
  Write write;
  Copy copy;      // the copies write their text to a source file first
  bool replaces;  // may replace an existing file (CopyFile only makes new ones)
  bool operator()(const std::string& path, std::string* error,
                  std::string_view text = "new") const {
    if (write) return (RealFileSystem().*write)(path, text, error);
    TempDir source;
    WriteFile(source / "from", text);
    ::chmod((source / "from").c_str(), 0600);  // a copy does not take the source's mode
    return (RealFileSystem().*copy)(source / "from", path, error);
  }
};
const Writer kWriters[] = {
    {"WriteFileAtomic", &FileSystem::WriteFileAtomic, nullptr, true},
    {"WriteFileReplace", &FileSystem::WriteFileReplace, nullptr, true},
    {"CopyFile", nullptr, &FileSystem::CopyFile, false},
    {"ReplaceWithCopy", nullptr, &FileSystem::ReplaceWithCopy, true},
};

// With a umask of 027 every writer makes a new file 0640, as a shell redirection would; a file
// replaced keeps its own mode.
TEST(FileSystemTest, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirMode) {
  const mode_t before = ::umask(027);
  for (const Writer& write : kWriters) {
    SCOPED_TRACE(write.name);
    TempDir dir;
    std::string error;
    ASSERT_TRUE(write(dir / "made", &error)) << error;
    EXPECT_EQ(std::filesystem::status(dir / "made").permissions(), std::filesystem::perms(0640));
    if (!write.replaces) {
      EXPECT_FALSE(write(dir / "made", &error));
      continue;
    }
    WriteFile(dir / "kept", "old");
    ASSERT_EQ(::chmod((dir / "kept").c_str(), 0604), 0);
    ASSERT_TRUE(write(dir / "kept", &error)) << error;
    EXPECT_EQ(ReadFile(dir / "kept"), "new");
    EXPECT_EQ(std::filesystem::status(dir / "kept").permissions(), std::filesystem::perms(0604));
  }
  ::umask(before);
}

// Each writer copes with a name of the longest length. When the real rename fails (the target is
// a folder that is not empty) or the disk refuses the write part way (the file size limit stands
// in for a full disk), the old file stays whole. A symbolic link (also one in a chain, also one
// naming a file not yet there) is written through: its target is replaced in its own folder and
// the link stays a link. A file no one may write is refused with the reason and left as it was.
// None of them leaves a temporary behind.
TEST(FileSystemTest, WritesKeepTheOldFileUntilTheNewOneIsWholeAndGoThroughLinks) {
  for (const Writer& write : kWriters) {
    if (!write.replaces) continue;
    SCOPED_TRACE(write.name);
    TempDir dir;
    std::string error;
    const std::string name = dir / std::string(255, 'n');
    ASSERT_TRUE(write(name, &error, "whole")) << error;
    ASSERT_TRUE(write(name, &error, "again")) << error;
    WriteFile(dir / "Index.html/inside", "someone's");
    EXPECT_FALSE(write(dir / "Index.html", &error));
    EXPECT_NE(error.find("Index.html"), std::string::npos) << error;
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 1024;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    // (A copy's own source could not be written under the limit.)
    const bool written = write.write && write(name, &error, std::string(4096, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(written);
    EXPECT_TRUE(!write.write || error.find("File too large") != std::string::npos) << error;
    EXPECT_EQ(ReadFile(name), "again");
    EXPECT_EQ(ReadFile(dir / "Index.html/inside"), "someone's");

    WriteFile(dir / "lists/real.txt", "old");
    std::filesystem::create_directory(dir / "site");
    std::filesystem::create_symlink("../lists/real.txt", dir / "site/link.txt");
    std::filesystem::create_symlink("link.txt", dir / "site/chain.txt");
    std::filesystem::create_symlink(dir / "lists/later.txt", dir / "site/dangling.txt");
    for (const char* link : {"site/link.txt", "site/chain.txt", "site/dangling.txt"}) {
      SCOPED_TRACE(link);
      ASSERT_TRUE(write(dir / link, &error)) << error;
      EXPECT_TRUE(std::filesystem::is_symlink(dir / link));
      EXPECT_EQ(ReadFile(dir / link), "new");
      WriteFile(dir / "lists/real.txt", "old");
    }
    EXPECT_EQ(ReadFile(dir / "lists/later.txt"), "new");
    ASSERT_EQ(::chmod((dir / "lists/real.txt").c_str(), 0444), 0);
    EXPECT_FALSE(write(dir / "site/link.txt", &error));
    EXPECT_TRUE(error.ends_with("lists/real.txt: Permission denied")) << error;
    EXPECT_EQ(ReadFile(dir / "lists/real.txt"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "lists"), {}), 2);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "site"), {}), 3);
  }
}

// A swap of two folders (a live site and its new copy) done by three renames, where the system
// cannot swap in one step: a failure at any rename leaves both as they were. n = 0 is the
// system's own swap; 1..3 fail one rename; 4 fails none.
TEST(FileSystemTest, ExchangeSwapsOrLeavesBothAsTheyWere) {
  struct RenamesOnly : FaultyFileSystem {
    RenamesOnly() : FaultyFileSystem(RealFileSystem()) {}
    bool Exchange(const std::string& a, const std::string& b, std::string* error) override {
      return FileSystem::Exchange(a, b, error);
    }
  };
  for (int n = 0; n <= 4; ++n) {
    TempDir dir;
    WriteFile(dir / "a/file", "from a");
    WriteFile(dir / "b/file", "from b");
    RenamesOnly renames;
    if (n > 0) renames.FailAt(n);
    std::string error;
    const bool ok = (n == 0 ? RealFileSystem() : renames).Exchange(dir / "a", dir / "b", &error);
    EXPECT_EQ(ok, n == 0 || n == 4) << n << error;
    EXPECT_EQ(ReadFile(dir / "a/file"), ok ? "from b" : "from a") << n;
    EXPECT_EQ(ReadFile(dir / "b/file"), ok ? "from a" : "from b") << n;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << n;
  }
}

// Folder listings go through Files() like writes: a listing the file system refuses hides the
// files from letter-case matching and from the removal of stale temporaries.
TEST(FileSystemTest, ListingsGoThroughFiles) {
  struct Unlistable : FaultyFileSystem {
    Unlistable() : FaultyFileSystem(RealFileSystem()) {}
    bool ListDirectory(const std::string&, std::vector<DirectoryEntry>*, std::string*) override {
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

  // Each entry's kind, links followed for the last two; a folder that is not there says why.
  std::filesystem::create_directory(dir / "folder");
  std::filesystem::create_symlink("Photo.JPG", dir / "to-file");
  std::filesystem::create_symlink("folder", dir / "to-folder");
  std::filesystem::create_symlink("gone", dir / "dangling");
  std::vector<DirectoryEntry> entries;
  ASSERT_TRUE(Files().ListDirectory(dir.path(), &entries, nullptr));
  std::map<std::string, std::string> kinds;
  for (const DirectoryEntry& e : entries) {
    kinds[e.name] = std::string(e.is_link ? "link " : "") + (e.is_directory ? "folder" : "") +
                    (e.is_regular_file ? "file" : "");
  }
  const std::map<std::string, std::string> expected = {{"Photo.JPG", "file"},
                                                       {"folder", "folder"},
                                                       {"to-file", "link file"},
                                                       {"to-folder", "link folder"},
                                                       {"dangling", "link "}};
  EXPECT_EQ(kinds, expected);
  std::string error;
  EXPECT_FALSE(Files().ListDirectory(dir / "none", &entries, &error));
  EXPECT_EQ(error, dir / "none" + ": No such file or directory");
}

// Whether another process can take the lock on `path` at once (the child locks by hand: a forked
// copy of this process would take over its record of the locks held).
bool OtherProcessGets(const std::string& path) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(::flock(::open(path.c_str(), O_RDONLY), LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Nested holders in one process: the lock goes with the last of them. (Giving up on a lock held
// elsewhere, with its message, is tried with the real programs in the reliability tests.)
TEST(FileLockTest, ExcludesOtherProcessesUntilTheLastHolderGoes) {
  testing::TempDir dir;
  auto outer = std::make_unique<FileLock>(dir.path(), 0ms);
  auto inner = std::make_unique<FileLock>(dir.path(), 0ms);
  ASSERT_TRUE(outer->held()) << outer->error();
  ASSERT_TRUE(inner->held());
  outer.reset();
  EXPECT_FALSE(OtherProcessGets(dir.path()));
  inner.reset();
  EXPECT_TRUE(OtherProcessGets(dir.path()));
  const FileLock missing(dir / "nowhere", 0ms);
  EXPECT_FALSE(missing.held());
  EXPECT_NE(missing.error().find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace parvel
