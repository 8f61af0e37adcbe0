// How text reaches a page: file names escaped for each place they stand in, the pieces spliced
// into the template, the header and footer lists and the descriptions; then whole pages.
//
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
//                   WebReady=           True: the thumbnails, 2x thumbnails and display copies
//                                       the settings ask for are made first with the build's
//                                       makers, and the pages show them
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
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/textutil.h"
#include "builder/descriptions.h"
#include "builder/headerfooterrotation.h"
#include "builder/htmlsafe.h"
#include "builder/imagepage.h"
#include "builder/pagebuttons.h"
#include "builder/pagecontext.h"
#include "builder/pageindex.h"
#include "builder/pagenames.h"
#include "builder/splice.h"
#include "builder/thumbnail.h"
#include "builder/thumbpage.h"
#include "builder/webcopy.h"
#include "imaging/pixelgraphic.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/sitesettings.h"
#include "platform/filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"
#include "templates/compliance.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::DataFile, testing::ReadFile, testing::TempDir, testing::WriteFile;

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(DataFile("pages"), ec))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::ranges::sort(names);
  return names;
}

class PagesGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(PagesGolden, BuiltPagesMatchThePagesWrittenByHand) {
  const std::string folder = DataFile("pages/" + GetParam()) + "/";
  TempDir temp;
  SetDataDirectory(temp.path());
  const std::string site = temp / "site/";

  // The scenario's files go into the site folder; its settings become the site's settings file.
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file())
      WriteFile(name == "scenario.ini" ? temp / "Site_1.ini" : site + name,
                ReplaceAll(ReadFile(entry.path().string()), "${SITE}", site));
  }
  IniFile scenario(temp / "Site_1.ini");
  ASSERT_TRUE(scenario.Load());
  const auto build_key = [&scenario](std::string_view key, std::string_view fallback) {
    return scenario.GetString("Build", key, fallback);
  };
  const auto build_flag = [&](std::string_view key, bool fallback) {
    return UpperAscii(build_key(key, fallback ? "True" : "False")) == "TRUE";
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
  PageContext ctx{.settings = settings,
                  .site_dir = FixPath(settings.Rotation_Path, true),
                  .base_html_name = base,
                  .images = SplitLines(ReplaceAll(build_key("Images", ""), "|", "\n")),
                  .use_thumbs_directory = build_flag("UseThumbsDirectory", true),
                  .max_filename_length = *max_length,
                  .headers = &rotation,
                  .descriptions = describe ? &descriptions : nullptr,
                  .draw = [d = *draw] { return d; }};

  std::unordered_map<std::string, WebImage> web;
  if (build_flag("WebReady", false)) {
    const std::string thumbs = ctx.use_thumbs_directory ? site + "thumbs/" : site;
    fs::create_directories(thumbs);
    fs::create_directories(site + "web");
    const auto make = [](const std::vector<std::uint8_t>& data, const std::string& target) {
      ASSERT_FALSE(data.empty()) << target;
      WriteFile(target, std::string(data.begin(), data.end()));
    };
    for (const std::string& image : ctx.images) {
      const int w = settings.Thumb_Width, h = settings.Thumb_Height;
      make(MakeThumbnailData(site + image, w, h, settings.Thumb_JPEG_Quality),
           thumbs + ThumbnailName(image));
      ImageFileInfo info;
      ASSERT_TRUE(ReadImageFileInfo(site + image, 0, &info));
      if (settings.HiDPI_Thumbnails && TakesHiDpiThumbnail(info.width, info.height, w, h))
        make(MakeThumbnailData(site + image, 2 * w, 2 * h, settings.Thumb_JPEG_Quality),
             thumbs + HiDpiThumbnailName(image));
      if (settings.Web_Image_Size > 0 && TakesWebCopy(image))
        make(MakeWebCopyData(site + image, settings.Web_Image_Size, settings.Web_Image_Quality),
             site + WebCopyName(image));
    }
    web = ReadWebImages(settings, ctx.images, site, thumbs);
    ctx.web = &web;
  }

  const int image_count = static_cast<int>(ctx.images.size());
  const int per_page = settings.Horizontal_Thumb_Count * settings.Vertical_Thumb_Count;
  const int page_count = (image_count + per_page - 1) / per_page;

  ButtonExtensions extensions;
  const bool use_buttons = build_flag("UseButtons", false) && UsesImageButtons(settings);
  ASSERT_TRUE(!use_buttons || RunButtonPass(settings, site, page_count, &extensions, {}).status ==
                                  ButtonPassResult::Done);
  const auto index_for = [&](bool wanted, int page) {
    return wanted ? CreateIndex(ui, settings, base, extensions, page, page_count, use_buttons)
                  : std::string();
  };

  rotation.ResetPositions();
  for (int i = 0; !settings.DisplayAsImage && i < image_count; ++i) {
    const std::string& image = ctx.images[static_cast<size_t>(i)];
    const int page = i / per_page + 1;
    ASSERT_TRUE(
        createHTMLImagepage(ctx, site + DisplayPageName(image, base), i, page,
                            index_for(markers.image.index && settings.IndexInImagePages, page)))
        << image;
  }
  rotation.ResetPositions();
  for (int page = 1; page <= page_count; ++page) {
    ASSERT_TRUE(createHTMLThumbpage(
        ctx, site + HtmlPageName(base, page), page, page_count, (page - 1) * per_page,
        index_for(markers.thumbnail.index && settings.IndexInThumbPages, page)))
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

struct Escaped {
  const char *name, *url, *html, *text, *attr, *script;
};

const Escaped kHostileNames[] = {
    {"my photo.jpg", "my photo.jpg", "my photo.jpg", "my photo.jpg", "my photo.jpg",
     "my photo.jpg"},
    {"Tom&Jerry.jpg", "Tom&Jerry.jpg", "Tom&amp;Jerry.jpg", "Tom&amp;Jerry.jpg",
     "Tom&amp;Jerry.jpg", "Tom&amp;Jerry.jpg"},
    {"it's.jpg", "it's.jpg", "it&#39;s.jpg", "it's.jpg", "it's.jpg", "it\\'s.jpg"},
    {"say \"hi\".jpg", "say %22hi%22.jpg", "say &quot;hi&quot;.jpg", "say \"hi\".jpg",
     "say %22hi%22.jpg", "say %2522hi%2522.jpg"},
    {"#1.jpg", "%231.jpg", "#1.jpg", "#1.jpg", "%231.jpg", "%25231.jpg"},
    {"100%.jpg", "100%25.jpg", "100%.jpg", "100%.jpg", "100%25.jpg", "100%2525.jpg"},
    {"<b>.jpg", "%3Cb%3E.jpg", "&lt;b&gt;.jpg", "&lt;b>.jpg", "%3Cb%3E.jpg", "%253Cb%253E.jpg"},
    // Outside ASCII: percent-encoded bytes in URLs, code points as references in text.
    {"caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf%C3%A9 %E6%97%A5%E6%9C%AC %F0%9F%93%B7.jpg",
     "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf&#233; &#26085;&#26412; &#128247;.jpg", "caf%C3%A9 %E6%97%A5%E6%9C%AC %F0%9F%93%B7.jpg",
     "caf%25C3%25A9 %25E6%2597%25A5%25E6%259C%25AC %25F0%259F%2593%25B7.jpg"},
    {"Z\xC3\xBCrich 2.gif", "Z%C3%BCrich 2.gif", "Z\xC3\xBCrich 2.gif", "Z&#252;rich 2.gif",
     "Z%C3%BCrich 2.gif", "Z%25C3%25BCrich 2.gif"},
    // Bytes that are not UTF-8 (a Latin-1 name, an overlong form, a surrogate, a cut sequence)
    // read as windows-1252, whose undefined bytes give U+FFFD.
    {"caf\xE9\xC0\xAF\xED\xA0\x80\xE6\x97", "caf%E9%C0%AF%ED%A0%80%E6%97",
     "caf\xE9\xC0\xAF\xED\xA0\x80\xE6\x97", "caf&#233;&#192;&#175;&#237;&#160;&#8364;&#230;&#8212;",
     "caf%E9%C0%AF%ED%A0%80%E6%97", "caf%25E9%25C0%25AF%25ED%25A0%2580%25E6%2597"},
    {"\x81\x9F&.jpg", "%81%9F&.jpg", "\x81\x9F&amp;.jpg", "&#65533;&#376;&amp;.jpg",
     "%81%9F&amp;.jpg", "%2581%259F&amp;.jpg"},
    {" a b.jpg ", "%20a b.jpg%20", " a b.jpg ", " a b.jpg ", "%20a b.jpg%20", "%2520a b.jpg%2520"},
    {"a:b.jpg", "a%3Ab.jpg", "a:b.jpg", "a:b.jpg", "a%3Ab.jpg", "a%253Ab.jpg"},
    {"a\\b?c\t\x7F", "a%5Cb%3Fc%09%7F", "a\\b?c\t\x7F", "a\\b?c\t\x7F", "a%5Cb%3Fc%09%7F",
     "a%255Cb%253Fc%2509%257F"},
    {"~!$&()*+,;=@/", "~!$&()*+,;=@/", "~!$&amp;()*+,;=@/", "~!$&amp;()*+,;=@/",
     "~!$&amp;()*+,;=@/", "~!$&amp;()*+,;=@/"},
    {"\x1Fx.jpg", "%1Fx.jpg", "\x1Fx.jpg", "\x1Fx.jpg", "%1Fx.jpg", "%251Fx.jpg"},
    {"", "", "", "", "", ""},
};

TEST(HtmlSafeTest, HostileNamesInEveryFunction) {
  for (const auto& c : kHostileNames) {
    EXPECT_EQ(
        (std::vector<std::string>{UrlFromFileName(c.name), HtmlEscape(c.name),
                                  TextFromFileName(c.name), AttrUrl(c.name), ScriptUrl(c.name)}),
        (std::vector<std::string>{c.url, c.html, c.text, c.attr, c.script}))
        << c.name;
  }
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
    SCOPED_TRACE(::testing::Message() << c.page_template << " method " << c.method << " header "
                                      << c.header << " script " << c.add_script);
    SiteSettings settings;
    settings.Image_Display_Method = static_cast<DisplayMethod>(c.method);
    EXPECT_EQ(
        SpliceText(settings, c.page_template, c.content, c.index, c.header, c.footer, c.add_script),
        c.page);
  }
}

// Entries lose their bars; any line end counts; header and footer rotate apart and wrap to the
// first entry; a reset starts both again. Then: image pages whose template has no footer take no
// entries; two lists for one kind of page restart on every switch.
TEST(Rotation, EntriesRotatePerListAndWrapAndImagePagesUseTheirOwnList) {
  TempDir dir;
  SiteSettings s;
  constexpr MarkerFlags kAll{true, true, true, true};
  TemplateMarkers markers{kAll, kAll};
  const auto List = [&](const std::string& name, const std::string& text) {
    WriteFile(dir / name, text);
    return dir / name;
  };
  // One fetch per word of `calls`: H or F for header or footer, t or i for a thumbnail or image
  // page, a leading * sets the rotation back first; `expected` holds what each fetch gives.
  const auto Run = [&](const std::string& calls, const std::vector<std::string>& expected) {
    HeaderFooterRotation rotation(s, markers);
    std::istringstream words(calls);
    std::vector<std::string> got;
    for (std::string w; words >> w;) {
      if (w[0] == '*') rotation.ResetPositions(), w.erase(0, 1);
      got.push_back(
          rotation
              .NextHeaderFooter(w[0] == 'H' ? HeaderOrFooter::Header : HeaderOrFooter::Footer,
                                w[1] == 't' ? PageKind::Thumbnail : PageKind::Image)
              .value_or("(failed)"));
    }
    EXPECT_EQ(got, expected) << calls;
  };
  s.Header_Mode = s.Footer_Mode = HeaderMode::List;
  s.Header_File = List("h.txt", "\xEF\xBB\xBFHello|world\r\n\r\n|a||b|\nc\rd");
  s.Footer_File = List("f.txt", "f1\r\nf2\r\n");
  Run("Ht Ft Ht Ht Ht Ft Ht Ft Ht *Ht Ft",
      {"Helloworld", "f1", "", "ab", "c", "f2", "d", "f1", "Helloworld", "Helloworld", "f1"});

  markers.image.footer = false;
  s.Image_Footer_Mode = ImageHeaderMode::SameAsIndex;
  s.Header_File = List("a.txt", "a1\r\na2\r\n");
  s.Image_Header_Mode = ImageHeaderMode::List;
  s.Image_Header_File = List("b.txt", "b1\r\nb2\r\n");
  Run("Fi Ft Fi Ft Hi Hi Ht Hi Ht", {"", "f1", "", "f2", "b1", "b2", "a1", "b1", "a1"});
}

// A comma-separated description file is looked up through a temporary file split at each line's
// first comma, removed at the end of the build or by the guard when the build ends early. A
// conversion that cannot read or write fails quietly and leaves no file (the fault walk fails
// every write of the build's conversion).
TEST(Descriptions, CommaSeparatedFileThroughATemporaryFile) {
  TempDir dir;
  ScriptedInteraction ui;
  SiteSettings s;
  s.Filename_Display = FilenameDisplay::DescriptionFile;
  s.Description_File = dir / "captions.txt";
  WriteFile(s.Description_File,
            "[2019] a.jpg,Sunset\r\nbeach.jpg,\"A day, at the sea\"\r\nno comma\nlast,one");
  {
    DescriptionFile descriptions;
    ASSERT_TRUE(descriptions.Prepare(ui, s));
    EXPECT_EQ(ReadFile(descriptions.lookup_path()),
              "[Descriptions]\r\n[2019] a.jpg=Sunset\r\nbeach.jpg=\"A day, at the sea\"\r\n"
              "no comma\r\nlast=one\r\n");
    s.ShowFilenameWhenNoDesc = false;
    EXPECT_EQ(descriptions.Describe("[2019] A.JPG", s), "Sunset");
    EXPECT_EQ(descriptions.Describe("c.jpg", s), "");
    EXPECT_TRUE(descriptions.RemoveTemporary());
    EXPECT_FALSE(PathExists(dir / "~captions.ini"));
    EXPECT_EQ(descriptions.Describe("beach.jpg", s), "A day, at the sea") << "lookups last";
    ASSERT_TRUE(descriptions.Prepare(ui, s));
    EXPECT_EQ(descriptions.lookup_path(), dir / "~captions.ini");
  }
  EXPECT_FALSE(PathExists(dir / "~captions.ini"));
  const std::string huge = dir / "huge.csv";
  WriteFile(dir / "empty.csv", "");
  WriteFile(huge, "a.jpg,x\r\n");
  std::filesystem::resize_file(huge, kMaxDescriptionFileSize + 1);
  EXPECT_FALSE(ConvertCSVtoINI(ui, dir / "empty.csv", dir / "o.ini"));
  EXPECT_FALSE(ConvertCSVtoINI(ui, huge, dir / "o.ini"));
  EXPECT_FALSE(ConvertCSVtoINI(ui, s.Description_File, dir / "no/such/dir/o.ini"));
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_FALSE(PathExists(dir / "o.ini"));
}

}  // namespace
}  // namespace parvel
