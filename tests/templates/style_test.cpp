#include "templates/style.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir, testing::WriteFile;

const std::string kAllMarkers = "***CONTENT*** ***INDEX*** ***HEADER*** ***FOOTER***";

// Markers are found as written; only the content marker is required. An unreadable template
// warns and keeps the flags of the last good test.
TEST(Compliance, MarkersAreFoundExactlyAndOnlyContentIsRequired) {
  TempDir dir;
  TemplateMarkers markers;
  const std::string page = dir / "page.htm", huge = dir / "huge.htm";
  const std::string missing_content =
      "* The text, ***CONTENT***, could not be located in your HTML file.  This text is required "
      "so that Parvel Pro knows where to insert the thumbnails or image.";
  WriteFile(page, kAllMarkers);
  ComplianceResult r = TestCompliancy(page, PageKind::Thumbnail, markers);
  EXPECT_TRUE(r.result && r.found.index && r.found.header && r.found.footer && r.warnings.empty());
  WriteFile(page, "***content*** ***INDEX***");
  r = TestCompliancy(page, PageKind::Thumbnail, markers);
  EXPECT_FALSE(r.result || r.found.content || r.found.header || r.found.footer);
  EXPECT_EQ(r.warnings, std::vector<std::string>{missing_content});
  EXPECT_TRUE(markers.thumbnail.index && !markers.thumbnail.header);

  WriteFile(page, kAllMarkers);
  TestCompliancy(page, PageKind::Image, markers);
  WriteFile(huge, "***CONTENT***");
  std::filesystem::resize_file(huge, kMaxTemplateSize + 1);
  for (const std::string& path : {dir / "none.htm", dir.path(), huge, std::string("/dev/zero")}) {
    r = TestCompliancy(path, PageKind::Image, markers);
    EXPECT_FALSE(r.loaded || r.result);
    EXPECT_EQ(r.warnings,
              std::vector<std::string>{"* Error encountered loading the HTML file, " + path});
    EXPECT_TRUE(markers.image.header);
  }
}

struct RefCase {
  const char* name;
  std::string body;
  std::vector<std::string> existing;  // files made in the template's folder
  std::vector<std::string> listed = {};
  std::vector<std::string> missing = {};  // references warned about as missing
  std::vector<std::string> outside = {};  // references warned about as outside the folder
  bool complete = true;
};

TEST(Compliance, ReferencesAreListedAndChecked) {
  TemplateMarkers markers;
  const std::string long254(254, 'a');
  const std::string long255(255, 'b');
  // clang-format off
  const RefCase cases[] = {
      {"background any case, first only",
       "<BODY BACKGROUND=\"Back.GIF\"><td background=\"two.gif\">", {"Back.GIF"}, {"back.gif"}},
      {"web addresses skipped", "<img src=\"pics/a.gif\"><img SRC=\"http://x.org/b.gif\">"
       "<img src=\"HTTPS://y/c.gif\">", {"pics/a.gif"}, {"pics/a.gif"}},
      {"folder and file found in another case", "<img src=\"PICS/A.GIF\">", {"Pics/a.Gif"},
       {"pics/a.gif"}},
      {"missing file", "<img src=\"a.gif\"><script src=\"s.js\">", {"s.js"}, {"a.gif", "s.js"},
       {"a.gif"}},
      {"empty and unquoted references skipped",
       "<img src=\"\"><img src='q.gif'><img src=r.gif><img src = \"s.gif\">", {}, {}},
      {"254 characters is a reference", "<img src=\"" + long254 + "\">", {}, {long254}, {long254}},
      {"a background has no source's length limit",
       "<body background=\"" + long255 + "\"><img src=\"a.gif\">", {long255, "a.gif"},
       {long255, "a.gif"}},
      {"255 characters ends the scan",
       "<img src=\"x.gif\"><img src=\"" + long255 + "\"><img src=\"y.gif\">", {}, {"x.gif"}, {},
       {}, false},
      {"background running into the next attribute",
       "<body background=\"b.gif><img src=\"a.gif\">", {"a.gif"}, {"b.gif><img src=", "a.gif"},
       {"b.gif><img src="}},
      {"leaving the folder",
       "<img src=\"../up.gif\"><img src=\"a/../../x.gif\"><img src=\"/etc/passwd\">"
       "<img src=\"c:\\win\\w.gif\"><img src=\"\\\\server\\s.gif\">", {}, {}, {},
       {"../up.gif", "a/../../x.gif", "/etc/passwd", "c:/win/w.gif", "//server/s.gif"}},
      // "a/../c:x.gif" normalises to "c:x.gif", which a second normalisation takes for a drive
      // letter: a name that is not there, never an empty result dereferenced.
      {"normalising to a drive letter", "<img src=\"a/../c:x.gif\"><img src=\"b.gif\">", {"b.gif"},
       {"a/../c:x.gif", "b.gif"}, {"a/../c:x.gif"}},
      {"staying inside after normalising", "<img src=\"a/../b.gif\"><img src=\"./c/./d.gif\">",
       {"b.gif", "c/d.gif"}, {"a/../b.gif", "./c/./d.gif"}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string folder = dir / "tpl/";
    for (const auto& f : c.existing) WriteFile(folder + f, "x");
    WriteFile(folder + "page.htm", "***CONTENT***" + c.body);
    const ComplianceResult r = TestCompliancy(folder + "page.htm", PageKind::Thumbnail, markers);
    EXPECT_TRUE(r.result) << "the references never change the result";
    EXPECT_EQ(r.required_files, c.listed);
    std::vector<std::string> warnings;
    for (const auto& ref : c.outside) {
      warnings.push_back("* The file, " + ref + ", lies outside the directory, " + folder +
                         ", and will not be copied");
    }
    for (const auto& ref : c.missing) {
      warnings.push_back("* The file, " + ref + ", could not be located in the directory, " +
                         folder);
    }
    EXPECT_EQ(r.warnings, warnings);

    ComplianceResult direct;
    EXPECT_EQ(GenerateRequiredFilesList("***CONTENT***" + c.body, folder, direct), c.complete);
  }
}

}  // namespace
}  // namespace parvel
