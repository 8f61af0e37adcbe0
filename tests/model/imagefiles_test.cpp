#include "model/imagefiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testsupport.h"

namespace parvel {
namespace {

TEST(ImageFiles, MatchesTheThreeExtensionsInAnyCase) {
  struct Case {
    const char* name;
    bool image;
  } cases[] = {{"a.jpg", true},   {"B.JPG", true},  {"c.Jpe", true}, {"d.gif", true},
               {"e.jpeg", false}, {"f.png", false}, {"jpg", false},  {"g.jpg.txt", false},
               {".gif", true},    {"h.GIF ", false}};
  for (const auto& c : cases) EXPECT_EQ(IsSiteImageName(c.name), c.image) << c.name;
}

TEST(ImageFiles, ListsImagesSortedWithoutRegardToCase) {
  testing::TempDir dir;
  for (const char* name : {"b.jpg", "A.gif", "_x.jpg", "c.JPE", "notes.txt", "a.GIF"}) {
    testing::WriteFile(dir / name, "x");
  }
  std::filesystem::create_directory(dir / "sub.jpg");
  EXPECT_EQ(ListSiteImages(dir.path()),
            (std::vector<std::string>{"_x.jpg", "A.gif", "a.GIF", "b.jpg", "c.JPE"}));
  EXPECT_TRUE(ListSiteImages(dir / "missing").empty());
}

}  // namespace
}  // namespace parvel
