#include "model/imagefiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testsupport.h"

namespace parvel {
namespace {

TEST(ImageFiles, MatchesExtensionsBeginningWithTheThreeInAnyCase) {
  struct Case {
    const char* name;
    bool image;
  } cases[] = {
      {"B.JPG", true},     {"c.Jpe", true},   {"d.gif", true},       {"p.JpEg", true},
      {"q.gifs", true},    {"h.GIF ", false}, {".jpg", true},        {"v.jpg~", false},
      {"w.jpeg-1", false}, {"x.JPG2", true},  {"f.png", false},      {"jpg", false},
      {"photo.jp", false}, {"s.xjpg", false}, {"t.jpeg.bak", false}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSiteImageName(c.name), c.image) << c.name;
}

TEST(ImageFiles, ListsImagesSortedWithoutRegardToCase) {
  testing::TempDir dir;
  for (const char* name : {"b.jpg", "A.gif", "_x.jpg", "c.JPE", "notes.txt", "a.GIF", "e.jpeg",
                           "D.JPEG", "p.png", "noext"}) {
    testing::WriteFile(dir / name, "x");
  }
  std::filesystem::create_directory(dir / "sub.jpg");
  EXPECT_EQ(
      ListSiteImages(dir.path()),
      (std::vector<std::string>{"_x.jpg", "A.gif", "a.GIF", "b.jpg", "c.JPE", "D.JPEG", "e.jpeg"}));
  EXPECT_TRUE(ListSiteImages(dir / "missing").empty());
}

}  // namespace
}  // namespace parvel
