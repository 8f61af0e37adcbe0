#include "builder/splice.h"

#include <gtest/gtest.h>

#include <string>

namespace parvel {
namespace {

TEST(ReplaceStringTest, ReplacesOnlyTheFirstOccurrence) {
  EXPECT_EQ(ReplaceString("a-X-b-X-c", "X", "YY"), "a-YY-b-X-c");
  EXPECT_EQ(ReplaceString("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceString("Case x", "X", "Y"), "Case x");
  EXPECT_EQ(ReplaceString("no empty search", "", "Y"), "no empty search");
}

// Markers are replaced at their first occurrence, each looked for in the text the earlier steps
// left, in the order content, index, header, footer; the popup script goes into the head (or
// before the content) for display methods 2 and 3 of thumbnail pages, before the pieces arrive.
TEST(SpliceTextTest, MarkersAndScript) {
  const std::string s(kPopupScript);
  const std::string all = "[***CONTENT***][***INDEX***][***HEADER***][***FOOTER***]";
  const struct {
    std::string page_template, content, index, header, footer;
    int method;
    bool add_script;
    std::string page;
  } cases[] = {
      {"<p>***CONTENT***</p><p>***CONTENT***</p>", "C", "", "", "", 0, false,
       "<p>C</p><p>***CONTENT***</p>"},
      {"***content*** **INDEX** ***HEADER***", "C", "I", "H", "F", 0, false,
       "***content*** **INDEX** H"},
      {all, "c ***INDEX***", "i", "h", "f", 0, false, "[c i][***INDEX***][h][f]"},
      {all, "c", "i ***CONTENT***", "h", "f", 0, false, "[c][i ***CONTENT***][h][f]"},
      {all, "c", "i", "h ***FOOTER***", "f", 0, false, "[c][i][h f][***FOOTER***]"},
      {all, "c", "i", "h", "f ***HEADER***", 0, false, "[c][i][h][f ***HEADER***]"},
      {"<Head></Head>***CONTENT***", "C", "", "", "", 3, true, "<Head>" + s + "</Head>C"},
      {"<head></head>***CONTENT***", "C", "", "", "", 2, true, "<head>" + s + "</head>C"},
      // "</HEAD>" wins over the other spellings wherever it stands.
      {"<head></head>***CONTENT***</HEAD>", "C", "", "", "", 2, true,
       "<head></head>C" + s + "</HEAD>"},
      {"</Head></head>***CONTENT***", "C", "", "", "", 2, true, s + "</Head></head>C"},
      // Any other spelling counts as no head: the script goes with the content.
      {"<hEAD></hEAD>***CONTENT***", "C", "", "", "", 3, true, "<hEAD></hEAD>" + s + "C"},
      {"***HEADER***<body>***CONTENT***", "C", "", "</HEAD>", "", 2, true,
       "</HEAD><body>" + s + "C"},
      {"<HEAD></HEAD>***CONTENT***", "C", "", "", "", 1, true, "<HEAD></HEAD>C"},
      {"<HEAD></HEAD>***CONTENT***", "C", "", "", "", 4, true, "<HEAD></HEAD>C"},
      {"<HEAD></HEAD>***CONTENT***", "C", "", "", "", 2, false, "<HEAD></HEAD>C"},
  };
  for (const auto& c : cases) {
    SiteSettings settings;
    settings.Image_Display_Method = static_cast<DisplayMethod>(c.method);
    EXPECT_EQ(
        splicetext(settings, c.page_template, c.content, c.index, c.header, c.footer, c.add_script),
        c.page)
        << c.page_template << " method " << c.method;
  }
}

}  // namespace
}  // namespace parvel
