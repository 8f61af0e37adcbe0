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
  const ComplianceResult result = TestCompliancy(Path(), true, markers);
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
  settings.Image_Display_Method = 3;
  const std::string page =
      splicetext(settings, ReadFile(Path()), "<p>grid</p>", "", "", "", /*add_script=*/true);
  const auto script = page.find(kPopupScript);
  const auto head_end = page.find("</head>");
  ASSERT_NE(script, std::string::npos);
  ASSERT_NE(head_end, std::string::npos);
  EXPECT_LT(script, head_end);
  EXPECT_LT(head_end, page.find("<p>grid</p>"));
}

TEST_P(SampleTemplateTest, IsAnHtml5PageForPhonesAndDesktops) {
  const std::string text = ReadFile(Path());
  EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(text.find("<meta name=\"viewport\" content=\"width=device-width"), std::string::npos);
  EXPECT_NE(text.find("</html>"), std::string::npos);
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

TEST(DataImages, NavigationGraphicsTheProgramOffersExist) {
  for (const char* name : {"Samples/Previous.gif", "Samples/Next.gif", "navgraph/Previous.gif",
                           "navgraph/Next.gif", "navgraph/Index.gif"}) {
    ImageFileInfo info;
    EXPECT_TRUE(ReadImageFileInfo(kDataDir + name, 0, &info)) << name;
    EXPECT_LE(std::max(info.width, info.height), 64) << name;
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

TEST(DemoPhotos, TenToTwentyUprightJpegsUnderEightMegabytes) {
  const std::string folder = kDataDir + "demo-photos/";
  const std::string sources = ReadFile(folder + "SOURCES.txt");
  std::uintmax_t total = 0;
  int photos = 0, portrait = 0, landscape = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name == "SOURCES.txt" || name.rfind("LICENSE-", 0) == 0) continue;
    SCOPED_TRACE(name);
    EXPECT_EQ(LowerExtension(entry.path()), ".jpg");
    const std::string bytes = ReadFile(entry.path().string());
    EXPECT_EQ(bytes.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_NE(sources.find(name + " "), std::string::npos) << "no source recorded";
    ImageFileInfo info;
    ASSERT_TRUE(ReadImageFileInfo(entry.path().string(), 0, &info));
    EXPECT_LE(std::max(info.width, info.height), 1600);
    // Stored upright: a viewer that ignores the orientation tag shows them the right way up.
    EXPECT_EQ(
        ReadJpegOrientation({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}),
        1);
    (info.height > info.width ? portrait : landscape)++;
    total += entry.file_size();
    ++photos;
  }
  EXPECT_GE(photos, 10);
  EXPECT_LE(photos, 20);
  EXPECT_LT(total, 8u * 1024 * 1024);
  EXPECT_GE(portrait, 1);
  EXPECT_GE(landscape, 1);
}

TEST(DemoPhotos, LicenceTextsNamedInTheSourcesArePresent) {
  const std::string folder = kDataDir + "demo-photos/";
  const std::string sources = ReadFile(folder + "SOURCES.txt");
  for (const char* licence : {"CC-BY-4.0", "CC-BY-SA-4.0", "CC-BY-SA-3.0", "CC0-1.0"}) {
    if (sources.find(std::string(" ") + licence + "\n") == std::string::npos) continue;
    EXPECT_TRUE(fs::is_regular_file(folder + "LICENSE-" + licence + ".txt")) << licence;
  }
}

TEST(HelpPages, ContentsAndEveryDialogTopicExist) {
  EXPECT_TRUE(fs::is_regular_file(kDataDir + "help/index.html"));
  for (int topic : {25, 26, 27, 31, 32, 33, 34, 36}) {
    const std::string path = kDataDir + "help/topic-" + std::to_string(topic) + ".html";
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("<h1>"), std::string::npos) << path;
    EXPECT_NE(text.find("href=\"index.html\""), std::string::npos) << path;
  }
}

}  // namespace
}  // namespace parvel
