// The sample templates shipped in data/ beside the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "builder/build_site.h"
#include "builder/splice.h"
#include "templates/style.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
const std::string kDataDir = std::string(PARVEL_SOURCE_DIR) + "/data/";

// Compliant without warnings, every referenced file beside it, each marker once (a second would
// show as text on every page) and the popup script landing in the head.
TEST(SampleTemplates, AreCompliantWithEachMarkerOnceAndTheScriptInTheHead) {
  for (const auto& [file, has_index] : {std::pair{"Sample_With_Index.htm", 1},
                                        {"Sample_No_Index.htm", 0},
                                        {"Blue_Border_With_Index.htm", 1}}) {
    SCOPED_TRACE(file);
    const std::string path = kDataDir + "Styles/" + file;
    TemplateMarkers markers;
    const ComplianceResult result = TestCompliancy(path, PageKind::Thumbnail, markers);
    EXPECT_TRUE(result.result && result.warnings.empty());
    for (const std::string& source : result.source_paths) EXPECT_TRUE(fs::is_regular_file(source));
    const std::string text = testing::ReadFile(path);
    for (const std::string_view marker : {kContentMarker, kHeaderMarker, kFooterMarker})
      EXPECT_EQ(testing::Count(text, marker), 1) << marker;
    EXPECT_EQ(testing::Count(text, kIndexMarker), has_index);
    SiteSettings settings;
    settings.Image_Display_Method = DisplayMethod::SecondWindow;
    const std::string page = splicetext(settings, text, "<p>grid</p>", "", "", "", true);
    EXPECT_LT(page.find(kPopupScript), page.find("</head>"));
    EXPECT_LT(page.find("</head>"), page.find("<p>grid</p>"));
  }
}

}  // namespace
}  // namespace parvel
