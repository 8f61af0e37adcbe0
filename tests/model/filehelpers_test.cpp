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

using testing::ReadFile;
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

TEST_F(FileHelpersTest, CreatesMissingParentsBelowAnExistingDirectory) {
  struct Case {
    const char* existing;  // made first, below tmp
    const char* wanted;    // asked for, below tmp (or a stored form)
    const char* made;      // must be a directory afterwards
  } cases[] = {
      {"a", "a/b/c/", "a/b/c"},
      {"a", "a\\q\\r", "a/q/r"},  // "\" separates like "/"
      {"a", "a//s", "a/s"},       // an empty part is skipped
      {"a/b", "a/b", "a/b"},      // already there
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::filesystem::create_directories(dir / c.existing);
    EXPECT_TRUE(createnewdirectory(ui, dir / c.wanted)) << c.wanted;
    EXPECT_TRUE(DirectoryExists(dir / c.made)) << c.wanted;
  }
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(FileHelpersTest, ShortPathCreatesNothing) {
  FaultyFileSystem counting(RealFileSystem());
  ScopedFileSystem scope(counting);
  for (const char* path : {"", "C:", "/ab", "abc"}) {
    EXPECT_FALSE(createnewdirectory(ui, path)) << path;
  }
  EXPECT_EQ(counting.operations(), 0);
  EXPECT_TRUE(ui.messages().empty());
}

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

TEST_F(FileHelpersTest, ReplacingAnExistingFileAsksWhenTold) {
  struct Case {
    bool ask;
    std::optional<Answer> answer;
    const char* result;
  } cases[] = {
      {true, Answer::No, "old"},
      {true, Answer::Yes, "new"},
      {false, std::nullopt, "new"},
  };
  WriteFile(tmp / "src.jpg", "new");
  const std::string dst = tmp / "dst.jpg";
  for (const auto& c : cases) {
    WriteFile(dst, "old");
    ui.Clear();
    if (c.answer) ui.QueueAnswer(*c.answer);
    EXPECT_EQ(docopyfile(ui, tmp / "src.jpg", dst, c.ask), std::string(c.result) == "new");
    EXPECT_EQ(ReadFile(dst), c.result);
    ASSERT_EQ(ui.messages().size(), c.ask ? 1u : 0u);
    if (c.ask) {
      EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
      EXPECT_EQ(ui.messages()[0].text, "A file already exists by the name of " + dst +
                                           ".  Are you sure you want to overwrite it?");
    }
  }
}

TEST_F(FileHelpersTest, CopyOntoItselfKeepsTheFile) {
  WriteFile(tmp / "sub/f.jpg", "only copy");
  for (const std::string& other :
       {tmp / "sub/f.jpg", tmp / "sub/./f.jpg", tmp / "sub/../sub/f.jpg"}) {
    EXPECT_TRUE(docopyfile(ui, tmp / "sub/f.jpg", other, true)) << other;
    EXPECT_EQ(ReadFile(tmp / "sub/f.jpg"), "only copy") << other;
  }
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(FileHelpersTest, ReadOnlyDestinationIsReplacedOnlyAfterYes) {
  struct Case {
    const char* name;
    Answer answer;  // to the read-only question
    bool make_writable_fails;
    bool copied;
    std::vector<std::string> after_question;  // the messages after the question, in order
  } cases[] = {
      {"yes", Answer::Yes, false, true, {}},
      {"no", Answer::No, false, false, {"copy"}},
      {"yes, mark not cleared", Answer::Yes, true, false, {"reset", "copy"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string src = dir / "src.jpg", dst = dir / "dst.jpg";
    WriteFile(src, "new");
    WriteFile(dst, "old");
    MakeReadOnly(dst);
    ui.Clear();
    ui.QueueAnswer(c.answer);
    FaultyFileSystem faulty(RealFileSystem());
    ScopedFileSystem scope(faulty);
    if (c.make_writable_fails) faulty.FailAt(1);
    EXPECT_EQ(docopyfile(ui, src, dst, false), c.copied);
    EXPECT_EQ(ReadFile(dst), c.copied ? "new" : "old");
    EXPECT_FALSE(PathExists(CopyTemporaryName(dst)));
    if (!c.copied) {
      EXPECT_EQ(faulty.operations(), c.make_writable_fails ? 1 : 0);  // nothing but MakeWritable
      struct stat st {};
      ASSERT_EQ(::stat(dst.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0444u);
    }
    ASSERT_EQ(ui.messages().size(), 1 + c.after_question.size());
    EXPECT_EQ(ui.messages()[0].text, "Are you sure you want to delete the file, " + dst +
                                         "?  This file is marked READ ONLY!");
    EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
    for (size_t i = 0; i < c.after_question.size(); ++i) {
      const auto& m = ui.messages()[i + 1];
      EXPECT_EQ(m.kind, MessageKind::Warning);
      EXPECT_EQ(m.buttons, Buttons::Ok);
      EXPECT_EQ(m.text, c.after_question[i] == "copy"
                            ? "An error was encountered copying the file, " + src + "!"
                            : "Error encountered resetting the read-only tag on the file, " + dst);
    }
  }
}

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
