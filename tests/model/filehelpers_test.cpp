#include "model/filehelpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "model/model_support.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"

namespace parvel {
namespace {

using testing::WriteFile;

using FileHelpersTest = testing::DataDirectoryTest;

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

}  // namespace
}  // namespace parvel
