// The files shipped in data/ beside the program: sample templates, navigation graphics, help
// pages and demo photographs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/textutil.h"
#include "builder/build_site.h"
#include "builder/splice.h"
#include "imaging/PGraphic.h"
#include "model/sitesettings.h"
#include "support/testsupport.h"
#include "templates/style.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

const std::string kDataDir = std::string(PARVEL_SOURCE_DIR) + "/data/";

struct SampleTemplate {
  const char* file;
  bool has_index;
};

class SampleTemplateTest : public ::testing::TestWithParam<SampleTemplate> {};

// Compliant without warnings, every referenced file beside it (or the build could not copy it),
// each marker once (only the first is replaced; a second would show as text on every page) and
// the popup script landing in the head.
TEST_P(SampleTemplateTest, IsCompliantWithEachMarkerOnceAndTheScriptInTheHead) {
  const std::string path = kDataDir + "Styles/" + GetParam().file;
  TemplateMarkers markers;
  const ComplianceResult result = TestCompliancy(path, PageKind::Thumbnail, markers);
  ASSERT_TRUE(result.loaded) << path;
  EXPECT_TRUE(result.result);
  EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
  for (const std::string& source : result.source_paths) EXPECT_TRUE(fs::is_regular_file(source));
  const std::string text = ReadFile(path);
  for (const std::string_view marker :
       {kContentMarker, kHeaderMarker, kFooterMarker, kIndexMarker}) {
    const bool wanted = marker != kIndexMarker || GetParam().has_index;
    EXPECT_EQ(testing::Count(text, marker), wanted ? 1 : 0) << marker;
  }
  EXPECT_TRUE(markers.thumbnail.content && markers.thumbnail.header && markers.thumbnail.footer);
  EXPECT_EQ(markers.thumbnail.index, GetParam().has_index);

  SiteSettings settings;
  settings.Image_Display_Method = DisplayMethod::SecondWindow;
  const std::string page = splicetext(settings, text, "<p>grid</p>", "", "", "", true);
  const auto head_end = page.find("</head>");
  ASSERT_NE(head_end, std::string::npos);
  EXPECT_LT(page.find(kPopupScript), head_end);
  EXPECT_LT(head_end, page.find("<p>grid</p>"));
}

INSTANTIATE_TEST_SUITE_P(Styles, SampleTemplateTest,
                         ::testing::Values(SampleTemplate{"Sample_With_Index.htm", true},
                                           SampleTemplate{"Sample_No_Index.htm", false},
                                           SampleTemplate{"Blue_Border_With_Index.htm", true}));

// Every shipped picture loads; the page-button backgrounds are paletted so that buttons stay GIF.
TEST(DataImages, EveryImageLoadsAndButtonBackgroundsArePaletted) {
  int count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kDataDir)) {
    const std::string ext = LowerAscii(entry.path().extension().string());
    if (!entry.is_regular_file() || (ext != ".gif" && ext != ".jpg" && ext != ".png")) continue;
    SCOPED_TRACE(entry.path().string());
    ++count;
    TPixelGraphic image;
    EXPECT_NO_THROW(image.LoadFromFile(entry.path().string()));
    EXPECT_GT(image.Width(), 0);
    EXPECT_GT(image.Height(), 0);
    if (entry.path().filename().string().starts_with("Button")) {
      EXPECT_LE(image.BitCountNum(), 8);
    }
  }
  EXPECT_GE(count, 17);  // 7 navigation graphics and at least 10 photographs
}

}  // namespace
}  // namespace parvel
