#include "builder/splice.h"

#include <gtest/gtest.h>

#include <string>

namespace parvel {
namespace {

TEST(ReplaceStringTest, ReplacesOnlyTheFirstOccurrence) {
  struct Case {
    const char* source;
    const char* find;
    const char* replace;
    const char* result;
  } cases[] = {
      {"a-X-b-X-c", "X", "YY", "a-YY-b-X-c"},
      {"X at the start", "X", "Y", "Y at the start"},
      {"at the end X", "X", "", "at the end "},
      {"nothing here", "X", "Y", "nothing here"},
      {"aaa", "aa", "b", "ba"},
      {"find", "find", "find find", "find find"},
      {"Case x", "X", "Y", "Case x"},
      {"", "X", "Y", ""},
      {"no empty search", "", "Y", "no empty search"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceString(c.source, c.find, c.replace), c.result) << c.source << " / " << c.find;
  }
}

std::string Splice(std::string_view page_template, int method = 0, bool add_script = false) {
  SiteSettings settings;
  settings.Image_Display_Method = static_cast<DisplayMethod>(method);
  return splicetext(settings, page_template, "C", "I", "H", "F", add_script);
}

TEST(SpliceTextTest, MarkersAreReplacedAtTheirFirstOccurrence) {
  struct Case {
    const char* page_template;
    const char* page;
  } cases[] = {
      {"***HEADER***|***INDEX***|***CONTENT***|***FOOTER***", "H|I|C|F"},
      {"***HEADER***<body>", "H<body>"},
      {"<p>***CONTENT***</p><p>***CONTENT***</p>", "<p>C</p><p>***CONTENT***</p>"},
      {"<body>***INDEX*** no content</body>", "<body>I no content</body>"},
      {"***content*** ***Index***", "***content*** ***Index***"},
      {"**CONTENT** ***CONTENT**", "**CONTENT** ***CONTENT**"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Splice(c.page_template), c.page) << c.page_template;
}

// Each marker is looked for in the text the earlier steps left, in the order content, index,
// header, footer.
TEST(SpliceTextTest, MarkersInsidePiecesFollowTheFixedOrder) {
  SiteSettings settings;
  const std::string page_template = "[***CONTENT***][***INDEX***][***HEADER***][***FOOTER***]";
  EXPECT_EQ(splicetext(settings, page_template, "c ***INDEX***", "i", "h", "f", false),
            "[c i][***INDEX***][h][f]");
  EXPECT_EQ(splicetext(settings, page_template, "c", "i ***CONTENT***", "h", "f", false),
            "[c][i ***CONTENT***][h][f]");
  EXPECT_EQ(splicetext(settings, page_template, "c", "i", "h ***FOOTER***", "f", false),
            "[c][i][h f][***FOOTER***]");
  EXPECT_EQ(splicetext(settings, page_template, "c", "i", "h", "f ***HEADER***", false),
            "[c][i][h][f ***HEADER***]");
}

TEST(SpliceTextTest, ScriptPlacement) {
  const std::string s(kPopupScript);
  struct Case {
    const char* page_template;
    int method;
    bool add_script;
    std::string page;
  } cases[] = {
      {"<HEAD></HEAD>***CONTENT***", 2, true, "<HEAD>" + s + "</HEAD>C"},
      {"<Head></Head>***CONTENT***", 3, true, "<Head>" + s + "</Head>C"},
      {"<head></head>***CONTENT***", 2, true, "<head>" + s + "</head>C"},
      // "</HEAD>" wins over the other spellings wherever it stands.
      {"<head></head>***CONTENT***</HEAD>", 2, true, "<head></head>C" + s + "</HEAD>"},
      {"</Head></head>***CONTENT***", 2, true, s + "</Head></head>C"},
      {"</HEAD>***CONTENT***</HEAD>", 2, true, s + "</HEAD>C</HEAD>"},
      // Any other spelling counts as no head: the script goes with the content.
      {"<hEAD></hEAD><body>***CONTENT***</body>", 2, true, "<hEAD></hEAD><body>" + s + "C</body>"},
      {"<body>***CONTENT***</body>", 3, true, "<body>" + s + "C</body>"},
      {"<body>no marker</body>", 2, true, "<body>no marker</body>"},
      // No script for the other methods, no valid choice, or image display pages.
      {"<HEAD></HEAD>***CONTENT***", 0, true, "<HEAD></HEAD>C"},
      {"<HEAD></HEAD>***CONTENT***", 1, true, "<HEAD></HEAD>C"},
      {"<HEAD></HEAD>***CONTENT***", -1, true, "<HEAD></HEAD>C"},
      {"<HEAD></HEAD>***CONTENT***", 4, true, "<HEAD></HEAD>C"},
      {"<HEAD></HEAD>***CONTENT***", 2, false, "<HEAD></HEAD>C"},
      {"<HEAD></HEAD>***CONTENT***", 3, false, "<HEAD></HEAD>C"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Splice(c.page_template, c.method, c.add_script), c.page)
        << c.page_template << " method " << c.method << " script " << c.add_script;
  }
}

// The script goes into the head before the markers are replaced, so a "</HEAD>" that a piece
// brings along does not attract it.
TEST(SpliceTextTest, ScriptIsPlacedBeforeThePiecesArrive) {
  SiteSettings settings;
  settings.Image_Display_Method = DisplayMethod::NewWindowScript;
  EXPECT_EQ(splicetext(settings, "***HEADER***<body>***CONTENT***", "C", "", "</HEAD>", "", true),
            "</HEAD><body>" + std::string(kPopupScript) + "C");
}

}  // namespace
}  // namespace parvel
