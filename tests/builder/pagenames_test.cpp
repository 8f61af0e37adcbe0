#include "builder/pagenames.h"

#include <gtest/gtest.h>

namespace parvel {
namespace {

TEST(PageNames, NumberedAfterTheFirstPage) {
  struct Case {
    const char* base;
    int page;
    const char* expected;
  } cases[] = {{"Index.html", 1, "Index.html"},
               {"Index.html", 2, "Index2.html"},
               {"Index.html", 13, "Index13.html"},
               {"home", 1, "home"},
               {"home", 3, "home3"},
               {"my.site.htm", 2, "my.site2.htm"}};
  for (const auto& c : cases) EXPECT_EQ(gethtmlpagename(c.base, c.page), c.expected) << c.base;
}

TEST(PageNames, DisplayPageTakesTheMainPageExtension) {
  EXPECT_EQ(DisplayPageName("photo.jpg", "Index.html"), "photo.html");
  EXPECT_EQ(DisplayPageName("a.b.gif", "index.htm"), "a.b.htm");
  EXPECT_EQ(DisplayPageName("photo.jpg", "home"), "photo");
  EXPECT_EQ(DisplayPageName("noext", "Index.html"), "noext.html");
}

}  // namespace
}  // namespace parvel
