#include "model/filehelpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "model/paths.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;
using testing::WriteFile;

// Records the directories handed to RemoveAll and touches nothing.
class RecordingFileSystem : public FileSystem {
 public:
  std::vector<std::string> removed;
  bool WriteFileAtomic(const std::string&, std::string_view, std::string*) override { return true; }
  bool WriteFileReplace(const std::string&, std::string_view, std::string*) override {
    return true;
  }
  bool CopyFile(const std::string&, const std::string&, std::string*) override { return true; }
  bool CreateDirectory(const std::string&, std::string*) override { return true; }
  bool Remove(const std::string&, std::string*) override { return true; }
  bool RemoveAll(const std::string& path, std::string*) override {
    removed.push_back(path);
    return true;
  }
  bool MakeWritable(const std::string&, std::string*) override { return true; }
  bool Rename(const std::string&, const std::string&, std::string*) override { return true; }
};

void MakeReadOnly(const std::string& path) {
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
}

class FileHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory(tmp.path()); }
  void TearDown() override {
    EXPECT_TRUE(ui.unexpected().empty()) << ui.unexpected().front();
    EXPECT_EQ(ui.unused_answers(), 0u);
  }
  TempDir tmp;
  ScriptedInteraction ui;
};

// --- createnewdirectory

TEST_F(FileHelpersTest, FailureHalfWayRemovesWhatItMade) {
  std::filesystem::create_directories(tmp / "a");
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAt(3);  // a/b and a/b/c are made, a/b/c/d fails
  EXPECT_FALSE(createnewdirectory(ui, tmp / "a/b/c/d/e"));
  EXPECT_FALSE(PathExists(tmp / "a/b"));
  EXPECT_TRUE(DirectoryExists(tmp / "a"));
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].kind, MessageKind::Warning);
  EXPECT_EQ(ui.messages()[0].text,
            "An error was encountered whilst trying to create the directory, " + tmp.path() +
                "a/b/c/d/e/");
}

// --- dodeletefile

TEST_F(FileHelpersTest, ReadOnlyFileIsDeletedOnlyAfterYes) {
  for (Answer answer : {Answer::No, Answer::Yes}) {
    const std::string file = tmp / "ro.jpg";
    WriteFile(file, "x");
    MakeReadOnly(file);
    ui.Clear();
    ui.QueueAnswer(answer);
    EXPECT_EQ(dodeletefile(ui, file, true), answer == Answer::Yes);
    EXPECT_EQ(FileExists(file), answer == Answer::No);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(ui.messages()[0].text, "Are you sure you want to delete the file, " + file +
                                         "?  This file is marked READ ONLY!");
    if (answer == Answer::No) {
      EXPECT_TRUE(IsReadOnly(file));
    }
  }
}

// --- docopyfile

// --- dodeletedir

TEST_F(FileHelpersTest, NeverHandsShortPathsOrTheRootToTheDisk) {
  RecordingFileSystem recording;
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
