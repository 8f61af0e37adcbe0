// Builds the pages of every scenario folder in tests/data/pages with the real page makers, in the
// order a build writes them, and compares them byte for byte with the pages written by hand in the
// folder's expected/ subfolder.
//
// A scenario folder holds:
//   scenario.ini  section [Rotation_1]: the rotation's settings exactly as a settings file stores
//                 them (loaded with LoadRotation, paths in the stored "%\" form, the test's folder
//                 being the data directory); section [Build]: what the build around the page makers
//                 knows, with these keys:
//                   Images=             image names in build order, separated by "|"
//                   BaseHTMLName=       the site's main page name (default Index.html)
//                   UseThumbsDirectory= application option, True or False (default True)
//                   MaxFilenameLength=  application option (default 15)
//                   KorrinDraw=         the fixed draw 0..4 that picks the promotional line
//                                       (default 0)
//                   UseButtons=         True: the button pass runs first and the indexes show
//                                       its buttons, as long as the settings name a background
//   expected/     every page compared, each file named as the page the build writes
//   other files   templates, header/footer lists, description files and the pictures whose sizes
//                 the pages show (blank, made once by the imaging code): copied into the site
//                 folder
//                 ("site" below the data directory), with "${SITE}" replaced by that folder's path
//                 (for values a settings file stores as typed, such as Description_File).
// As a build does, the page number prefix gets its trailing blank, image display pages come first,
// then the header/footer rotation starts again and the thumbnail pages follow; every page of the
// site is made so that rotating headers and footers fall where they would, and each file in
// expected/ is compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/textutil.h"
#include "builder/descriptions.h"
#include "builder/imagepage.h"
#include "builder/pagebuttons.h"
#include "builder/pagecontext.h"
#include "builder/pageindex.h"
#include "builder/pagenames.h"
#include "builder/rotheadr.h"
#include "builder/thumbpage.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/sitesettings.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"
#include "templates/style.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::DataFile, testing::ReadFile, testing::TempDir, testing::WriteFile;

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(DataFile("pages"), ec)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PagesGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(PagesGolden, BuiltPagesMatchThePagesWrittenByHand) {
  const std::string folder = DataFile("pages/" + GetParam()) + "/";
  TempDir temp;
  struct Restore {
    std::string dir = DataDirectory();
    ~Restore() { SetDataDirectory(dir); }
  } restore;
  SetDataDirectory(temp.path());
  const std::string site = temp / "site/";

  // The scenario's files go into the site folder; its settings become the site's settings file.
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    const std::string text = ReplaceAll(ReadFile(entry.path().string()), "${SITE}", site);
    WriteFile(name == "scenario.ini" ? temp / "Site_1.ini" : site + name, text);
  }
  IniFile scenario(temp / "Site_1.ini");
  ASSERT_TRUE(scenario.Load());
  auto build_key = [&scenario](std::string_view key, std::string_view fallback) {
    return scenario.GetString("Build", key, fallback);
  };

  ScriptedInteraction ui;
  SiteSettings settings;
  ASSERT_TRUE(LoadRotation(ui, settings, {"Site_1", site, false}, 1,
                           {.with_path = true, .make_current = true}));
  SetDefaultValues(settings);
  if (settings.Page_Number_Prefix.empty()) settings.Page_Number_Prefix = "Page";
  if (!settings.Page_Number_Prefix.ends_with(' ')) settings.Page_Number_Prefix += ' ';

  TemplateMarkers markers;
  ASSERT_TRUE(TestCompliancy(settings.Style_File, PageKind::Thumbnail, markers).result);
  ASSERT_TRUE(settings.DisplayAsImage ||
              TestCompliancy(settings.Image_Style_File, PageKind::Image, markers).result);
  DescriptionFile descriptions;
  const bool describe = settings.Filename_Display == FilenameDisplay::DescriptionFile;
  ASSERT_TRUE(!describe || descriptions.Prepare(ui, settings));
  HeaderFooterRotation rotation(settings, markers);

  const std::string base = build_key("BaseHTMLName", "Index.html");
  const auto max_length = ParseInt(build_key("MaxFilenameLength", "15"));
  const auto draw = ParseInt(build_key("KorrinDraw", "0"));
  ASSERT_TRUE(max_length && draw);
  PageContext ctx{
      .settings = settings,
      .site_dir = fixpath(settings.Rotation_Path, true),
      .base_html_name = base,
      .images = SplitLines(ReplaceAll(build_key("Images", ""), "|", "\n")),
      .use_thumbs_directory = UpperAscii(build_key("UseThumbsDirectory", "True")) != "FALSE",
      .max_filename_length = *max_length,
      .headers = &rotation,
      .descriptions = describe ? &descriptions : nullptr,
      .draw = [d = *draw] { return d; }};
  ASSERT_EQ(ctx.site_dir, site);

  const int image_count = static_cast<int>(ctx.images.size());
  const int per_page = settings.Horizontal_Thumb_Count * settings.Vertical_Thumb_Count;
  const int page_count = (image_count + per_page - 1) / per_page;

  ButtonExtensions extensions;
  const bool use_buttons =
      UpperAscii(build_key("UseButtons", "False")) == "TRUE" && UsesImageButtons(settings);
  ASSERT_TRUE(!use_buttons || RunButtonPass(settings, site, page_count, &extensions, {}).status ==
                                  ButtonPassResult::Done);
  auto index_for = [&](bool wanted, int page) {
    return wanted ? CreateIndex(ui, settings, base, extensions, page, page_count, use_buttons)
                  : std::string();
  };

  rotation.ResetPositions();
  if (!settings.DisplayAsImage) {
    for (int page = 1; page <= page_count; ++page) {
      const std::string index = index_for(markers.image.index && settings.IndexInImagePages, page);
      for (int i = (page - 1) * per_page; i < std::min(page * per_page, image_count); ++i) {
        const std::string& image = ctx.images[static_cast<size_t>(i)];
        ASSERT_TRUE(createHTMLImagepage(ctx, site + DisplayPageName(image, base), i, page, index))
            << image;
      }
    }
  }
  rotation.ResetPositions();
  for (int page = 1; page <= page_count; ++page) {
    const std::string index =
        index_for(markers.thumbnail.index && settings.IndexInThumbPages, page);
    ASSERT_TRUE(createHTMLThumbpage(ctx, site + gethtmlpagename(base, page), page, page_count,
                                    (page - 1) * per_page, index))
        << "page " << page;
  }
  EXPECT_TRUE(ui.messages().empty()) << ui.texts().front();

  int compared = 0;
  for (const auto& entry : fs::directory_iterator(folder + "expected")) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(ReadFile(site + name), ReadFile(entry.path().string())) << name;
    ++compared;
  }
  EXPECT_GT(compared, 0) << "no expected pages";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, PagesGolden, ::testing::ValuesIn(ScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

TEST(PagesGoldenData, EveryScenarioFolderIsThere) {
  EXPECT_GE(ScenarioNames().size(), 13u);
}

}  // namespace
}  // namespace parvel
