// The files shipped in data/ beside the program: sample templates, navigation graphics, help
// pages and demo photographs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/splice.h"
#include "imaging/PGraphic.h"
#include "imaging/exif.h"
#include "model/sitesettings.h"
#include "support/testsupport.h"
#include "templates/style.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

const std::string kDataDir = std::string(PARVEL_SOURCE_DIR) + "/data/";

std::size_t Count(const std::string& text, std::string_view what) {
  std::size_t count = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

std::string LowerExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

struct SampleTemplate {
  const char* file;
  bool has_index;
};

class SampleTemplateTest : public ::testing::TestWithParam<SampleTemplate> {
 protected:
  std::string Path() const { return kDataDir + "Styles/" + GetParam().file; }
};

TEST_P(SampleTemplateTest, PassesTheComplianceTestWithoutWarnings) {
  TemplateMarkers markers;
  const ComplianceResult result = TestCompliancy(Path(), PageKind::Thumbnail, markers);
  ASSERT_TRUE(result.loaded) << Path();
  EXPECT_TRUE(result.result);
  EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
  // Every file a sample refers to must lie beside it, or the build could not copy it.
  for (const std::string& source : result.source_paths) EXPECT_TRUE(fs::is_regular_file(source));
  EXPECT_TRUE(markers.thumbnail.content);
  EXPECT_TRUE(markers.thumbnail.header);
  EXPECT_TRUE(markers.thumbnail.footer);
  EXPECT_EQ(markers.thumbnail.index, GetParam().has_index);
}

TEST_P(SampleTemplateTest, CarriesEachMarkerOnce) {
  // Only the first occurrence is replaced; a second would show up as literal text on every page.
  const std::string text = ReadFile(Path());
  EXPECT_EQ(Count(text, kContentMarker), 1u);
  EXPECT_EQ(Count(text, kHeaderMarker), 1u);
  EXPECT_EQ(Count(text, kFooterMarker), 1u);
  EXPECT_EQ(Count(text, kIndexMarker), GetParam().has_index ? 1u : 0u);
}

TEST_P(SampleTemplateTest, PopupScriptLandsInTheHead) {
  SiteSettings settings;
  settings.Image_Display_Method = DisplayMethod::SecondWindow;
  const std::string page =
      splicetext(settings, ReadFile(Path()), "<p>grid</p>", "", "", "", /*add_script=*/true);
  const auto script = page.find(kPopupScript);
  const auto head_end = page.find("</head>");
  ASSERT_NE(script, std::string::npos);
  ASSERT_NE(head_end, std::string::npos);
  EXPECT_LT(script, head_end);
  EXPECT_LT(head_end, page.find("<p>grid</p>"));
}

INSTANTIATE_TEST_SUITE_P(Styles, SampleTemplateTest,
                         ::testing::Values(SampleTemplate{"Sample_With_Index.htm", true},
                                           SampleTemplate{"Sample_No_Index.htm", false},
                                           SampleTemplate{"Blue_Border_With_Index.htm", true}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

std::vector<fs::path> DataImages() {
  std::vector<fs::path> images;
  for (const auto& entry : fs::recursive_directory_iterator(kDataDir)) {
    const std::string ext = LowerExtension(entry.path());
    if (entry.is_regular_file() && (ext == ".gif" || ext == ".jpg" || ext == ".png"))
      images.push_back(entry.path());
  }
  std::sort(images.begin(), images.end());
  return images;
}

TEST(DataImages, EveryImageLoads) {
  const auto images = DataImages();
  ASSERT_GE(images.size(), 17u);  // 7 navigation graphics and at least 10 photographs
  for (const auto& path : images) {
    SCOPED_TRACE(path.string());
    TPixelGraphic image;
    EXPECT_NO_THROW(image.LoadFromFile(path.string()));
    EXPECT_GT(image.Width(), 0);
    EXPECT_GT(image.Height(), 0);
  }
}

TEST(DataImages, PageButtonBackgroundsArePalettedSoButtonsStayGif) {
  for (const char* name : {"navgraph/Button.gif", "navgraph/Button_Selected.gif"}) {
    SCOPED_TRACE(name);
    TPixelGraphic image;
    image.LoadFromFile(kDataDir + name);
    EXPECT_LE(image.BitCountNum(), 8);
    EXPECT_GE(image.Width(), 40);
    EXPECT_GE(image.Height(), 16);
  }
}

}  // namespace
}  // namespace parvel
