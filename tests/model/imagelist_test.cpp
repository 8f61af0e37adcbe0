#include "model/imagelist.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(FolderImageList, DeleteKeyAsksOnceAndDeletesOnlyOnYes) {
  struct Case {
    const char* title;
    std::set<int> selected;
    Answer answer;
    const char* question;  // nullptr: nothing asked
    std::vector<std::string> left;
  };
  const std::vector<std::string> all = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
  // clang-format off
  const Case cases[] = {
      {"one file by name", {1}, Answer::Yes, "Are you sure you want to delete the file, b.jpg?",
       {"a.jpg", "c.jpg", "d.jpg"}},
      {"three files by their number", {0, 2, 3}, Answer::Yes,
       "Are you sure you want to delete these 3 files?", {"b.jpg"}},
      {"No keeps them", {0, 1}, Answer::No, "Are you sure you want to delete these 2 files?", all},
      {"nothing selected", {}, Answer::Yes, nullptr, all},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir tmp;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) WriteFile(tmp / name, "x");
    ScriptedInteraction ui;
    FolderImageList list;
    list.SetDirectory(ui, tmp.path());
    if (c.question) ui.QueueAnswer(c.answer);
    EXPECT_EQ(list.DeleteSelected(ui, c.selected), c.question != nullptr);
    EXPECT_EQ(ui.texts(),
              c.question ? std::vector<std::string>{c.question} : std::vector<std::string>{});
    EXPECT_EQ(list.names(), c.left);  // the list is re-read
    for (const std::string& name : c.left) EXPECT_TRUE(FileExists(tmp / name));
    EXPECT_EQ(ui.busy_depth(), 0);
    EXPECT_TRUE(ui.unexpected().empty());
  }
}

}  // namespace
}  // namespace parvel
