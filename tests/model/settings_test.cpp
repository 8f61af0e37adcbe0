#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "base/textutil.h"
#include "model/colour.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/sitesettings.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::DataFile;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(IniFile, ReadsValuesByTheRules) {
  const struct {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  } cases[] = {
      {"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
      {"section_case", "[Rotation_1]\nKey=1\n", "ROTATION_1", "key", "1"},
      {"blanks_around", "  [ S ]  \n  a key  =  a value  \n", "S", "a key", "a value"},
      {"double_quotes", "[S]\nk=\"  x \"\n", "S", "k", "  x "},
      {"single_quotes", "[S]\nk='x'\n", "S", "k", "x"},
      {"one_pair_only", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
      {"unmatched_quote_kept", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
      {"lone_quote_kept", "[S]\nk=\"\n", "S", "k", "\""},
      {"empty_value", "[S]\nk=\n", "S", "k", ""},
      {"missing_key", "[S]\nk=1\n", "S", "j", std::nullopt},
      {"missing_section", "[S]\nk=1\n", "T", "k", std::nullopt},
      {"key_in_other_section", "[S]\nk=1\n[T]\nj=2\n", "S", "j", std::nullopt},
      {"first_of_duplicates", "[S]\nk=1\nk=2\n", "S", "k", "1"},
      {"equals_in_value", "[S]\nk=a=b\n", "S", "k", "a=b"},
      {"lone_cr_lines", "[S]\rk=1\rj=2\r", "S", "j", "2"},
      {"no_equals_ignored", "[S]\ngarbage\nk=1\n", "S", "k", "1"},
      {"key_before_any_section", "k=1\n[S]\n", "S", "k", std::nullopt},
      {"key_opening_with_bracket", "[S]\n[2019] a.jpg=x\n", "S", "[2019] a.jpg", "x"},
      {"bracketed_key_hides_no_later_key", "[S]\n[a]=x\nk=1\n", "S", "k", "1"},
      {"equals_inside_brackets_is_a_section", "[a=b]\nk=1\n", "a=b", "k", "1"},
      {"unclosed_bracket_without_equals_is_a_section", "[S\nk=1\n", "S", "k", "1"},
      {"long_value_cut", "[S]\nk=" + std::string(5000, 'x'), "S", "k", std::string(1023, 'x')},
  };
  for (const auto& c : cases) {
    IniFile ini;
    ini.Parse(c.text);
    EXPECT_EQ(ini.Get(c.section, c.key), c.expected) << c.name;
  }
}

TEST(IniFile, SetKeepsOrderAndAppendsAtSectionEnd) {
  IniFile ini;
  ini.Parse("; kept\r\n[A]\r\na=1\r\nb=2\r\n\r\n[B]\r\nc=3\r\n");
  ini.Set("a", "B", "20");   // existing key: replaced in place, old spelling kept
  ini.Set("A", "new", "x");  // new key: after the last line of A, before the blank line
  ini.Set("C", "d", "4");    // new section: at the end
  EXPECT_EQ(ini.Serialize(),
            "; kept\r\n[A]\r\na=1\r\nb=20\r\nnew=x\r\n\r\n[B]\r\nc=3\r\n[C]\r\nd=4\r\n");
}

// Every form is read; the forms a colour is written in read back as that colour.
TEST(Colour, ReadsAndWritesTheStoredForms) {
  const struct {
    const char* text;
    std::optional<Colour> colour;
    bool written = false;
  } cases[] = {{"Default", Colour::Default(), true},
               {"clBlack", Colour::Of(0), true},
               {"clBtnFace", Colour::Of(0x8000000F), true},
               {"$00123456", Colour::Of(0x00123456), true},
               {"$80000019", Colour::Of(0x80000019), true},
               {"CLRED", Colour::Of(0x000000FF)},
               {"clScrollBar", Colour::Of(0x80000000)},
               {"clinfobk", Colour::Of(0x80000018)},
               {"-1", Colour::Of(0xFFFFFFFF)},
               {"255", Colour::Of(0x000000FF)},
               {"", std::nullopt},
               {"clOrange", std::nullopt},
               {"$123456789", std::nullopt},
               {"12px", std::nullopt}};
  for (const auto& c : cases) {
    EXPECT_EQ(ParseColour(c.text), c.colour) << c.text;
    EXPECT_EQ(c.written ? ColourToString(*c.colour) : c.text, c.text);
  }
}

// ---- Every field of the record as text, so that a test can say what changed and what did not.

struct TextOf {
  std::string operator()(int v) const { return std::to_string(v); }
  std::string operator()(bool v) const { return v ? "true" : "false"; }
  std::string operator()(const std::string& v) const { return v; }
  std::string operator()(const Colour& v) const { return ColourToString(v); }
  std::string operator()(IndexLayout v) const {
    return v == IndexLayout::Horizontal ? "Horizontal" : "Vertical";
  }
  template <typename Choice>
  requires(std::is_enum_v<Choice> && !std::is_same_v<Choice, IndexLayout> &&
           !std::is_same_v<Choice, FilenameDisplay>) std::string
  operator()(Choice v) const {
    return std::to_string(Stored(v));
  }
  std::string operator()(FilenameDisplay v) const {
    static const char* const kWords[] = {"None", "HideExt", "DescriptionFile", "Normal"};
    return kWords[static_cast<int>(v)];
  }
};

// clang-format off
#define PARVEL_SETTINGS_FIELDS(X)                                                                 \
  X(Status) X(Rotation_Path) X(Style_File) X(Header_File) X(Header_HTML) X(Footer_File)           \
  X(Footer_HTML) X(ImageNavigationBar) X(KorrinLink) X(IndexInThumbPages) X(IndexInImagePages)    \
  X(Page_Position_Heading) X(Page_Position_Heading_Size) X(Thumb_Width) X(Cell_Padding)           \
  X(Cell_Spacing) X(Thumb_Height) X(Thumb_Border) X(Thumb_JPEG_Quality) X(Horizontal_Thumb_Count) \
  X(Vertical_Thumb_Count) X(Default_Font) X(Default_Font_Size) X(Index_Font) X(Index_Font_Size)   \
  X(Index_Image_Font_Size) X(Previous_Page_File) X(Next_Page_File) X(Return_To_Index_File)        \
  X(Image_Display_Method) X(Selected_Page_Index_File) X(Other_Page_Index_File)                    \
  X(Filename_Display) X(Description_File) X(ShowFilenameWhenNoDesc)                              \
  X(Displayed_Page_Text_Colour) X(Other_Page_Text_Colour) X(Link_Enclosure_Colour)                \
  X(Heading_Colour) X(Page_Number_Prefix) X(Link_Enclosure) X(Index_Layout) X(DisplayAsImage)     \
  X(Image_Style_File) X(Image_Header_Same_As_Index) X(Image_Header_File) X(Image_Header_HTML)     \
  X(Image_Footer_Same_As_Index) X(Image_Footer_File) X(Image_Footer_HTML) X(Image_Width)          \
  X(Image_Height) X(Image_Heading) X(Image_UseSameNavGraphics) X(Default_Font_Bold)               \
  X(Default_Font_Italics) X(Index_Font_Bold) X(Index_Font_Italics) X(Web_Image_Size)             \
  X(Web_Image_Quality) X(HiDPI_Thumbnails) X(Lazy_Loading) X(Header_Mode) X(Footer_Mode)           \
  X(Image_Header_Mode) X(Image_Footer_Mode) X(prev_next_image_buttons) X(index_image_buttons)     \
  X(max_image_size) X(default_font_default) X(index_font_default) X(current_rotation)
// clang-format on

using FieldMap = std::map<std::string, std::string>;

FieldMap Describe(const SiteSettings& s) {
  FieldMap m;
#define PARVEL_DESCRIBE(field) m[#field] = TextOf()(s.field);
  PARVEL_SETTINGS_FIELDS(PARVEL_DESCRIBE)
#undef PARVEL_DESCRIBE
  return m;
}

// `changes` is "Field=value; Field=value"; "<data>/" in a value stands for the data directory.
FieldMap Apply(FieldMap base, std::string_view changes) {
  while (!changes.empty()) {
    const size_t end = std::min(changes.find("; "), changes.size());
    const std::string_view item = changes.substr(0, end);
    const size_t eq = item.find('=');
    const std::string key(item.substr(0, eq));
    EXPECT_TRUE(eq != std::string_view::npos && base.count(key)) << "bad change " << item;
    base[key] = ReplaceAll(item.substr(eq + 1), "<data>/", DataDirectory());
    changes.remove_prefix(std::min(end + 2, changes.size()));
  }
  return base;
}

// The fields that differ, one line each, or empty.
std::string Diff(const FieldMap& expected, const FieldMap& actual) {
  std::string out;
  for (const auto& [key, value] : expected) {
    const std::string got = actual.count(key) ? actual.at(key) : "<none>";
    if (got != value) out += key + ": expected \"" + value + "\", got \"" + got + "\"\n";
  }
  return out;
}

// A record where every field differs from its initial value and from what a missing key gives,
// so that "keeps" and "missing gives X" can be told apart.
// clang-format off
SiteSettings Primed() {
  return SiteSettings{
      .Status = RotationStatus::Opened, .Rotation_Path = "/kept/rotation/", .Style_File = "/kept/style.htm",
      .Header_File = "/kept/header.txt", .Header_HTML = "kept header",
      .Footer_File = "/kept/footer.txt", .Footer_HTML = "kept footer",
      .ImageNavigationBar = false, .KorrinLink = false, .IndexInThumbPages = false,
      .IndexInImagePages = false, .Page_Position_Heading = false, .Page_Position_Heading_Size = 2,
      .Thumb_Width = 321, .Cell_Padding = 17, .Cell_Spacing = 12, .Thumb_Height = 322,
      .Thumb_Border = 5, .Thumb_JPEG_Quality = 55, .Horizontal_Thumb_Count = 7,
      .Vertical_Thumb_Count = 8, .Default_Font = "Kept Sans", .Default_Font_Size = 2,
      .Index_Font = "Kept Serif", .Index_Font_Size = -1, .Index_Image_Font_Size = 33,
      .Previous_Page_File = "/kept/prev.gif", .Next_Page_File = "/kept/next.gif",
      .Return_To_Index_File = "/kept/index.gif", .Image_Display_Method = DisplayMethod::NewWindowScript,
      .Selected_Page_Index_File = "/kept/sel.gif", .Other_Page_Index_File = "/kept/other.gif",
      .Filename_Display = FilenameDisplay::None, .Description_File = "kept.csv",
      .ShowFilenameWhenNoDesc = false, .Displayed_Page_Text_Colour = Colour::Of(0x00010203),
      .Other_Page_Text_Colour = Colour::Of(0x00040506),
      .Link_Enclosure_Colour = Colour::Of(0x00070809), .Heading_Colour = Colour::Of(0x000A0B0C),
      .Page_Number_Prefix = "Kept", .Link_Enclosure = 3, .Index_Layout = IndexLayout::Horizontal,
      .DisplayAsImage = false, .Image_Style_File = "/kept/image.htm",
      .Image_Header_Same_As_Index = false, .Image_Header_File = "/kept/image_header.txt",
      .Image_Header_HTML = "kept image header", .Image_Footer_Same_As_Index = false,
      .Image_Footer_File = "/kept/image_footer.txt", .Image_Footer_HTML = "kept image footer",
      .Image_Width = 1234, .Image_Height = 987, .Image_Heading = false,
      .Image_UseSameNavGraphics = false, .Default_Font_Bold = true, .Default_Font_Italics = true,
      .Index_Font_Bold = true, .Index_Font_Italics = true, .Web_Image_Size = 640,
      .Web_Image_Quality = 50, .HiDPI_Thumbnails = true, .Lazy_Loading = true,
      .Header_Mode = HeaderMode::List,
      .Footer_Mode = HeaderMode::Html, .Image_Header_Mode = ImageHeaderMode::List,
      .Image_Footer_Mode = ImageHeaderMode::Html, .prev_next_image_buttons = true,
      .index_image_buttons = true, .max_image_size = true, .default_font_default = false,
      .index_font_default = false, .current_rotation = 5};
}
// clang-format on

// The changes to a record that a file in tests/data lists, one field a line: what loading a
// section does to the primed record.
std::string Expected(const std::string& name) {
  return ReplaceAll(ReadFile(DataFile(name + ".expected")), "\n", "; ");
}

class SiteSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory(dir_.path()); }
  void TearDown() override {
    EXPECT_EQ(ui_.busy_depth(), 0);
    EXPECT_EQ(ui_.unexpected(), std::vector<std::string>{});
  }
  std::string File() const { return dir_ / "Site_1.ini"; }
  bool Load(SiteSettings& s, int rotation, bool with_path, bool make_current) {
    return LoadRotation(ui_, s, site_, rotation, {with_path, make_current});
  }
  TempDir dir_;
  ScriptedInteraction ui_;
  SiteContext site_{"Site_1", dir_.path() + "Site_1/", true};
};

// ---- Loading: the rules of keys one at a time, where the garbage file below does not show
// them (it holds the clamped numbers, booleans and words in any letter case, expanded paths,
// colours, empty button files and a footer file winning over its text). Each case loads its
// section over the primed record; `changes` are the fields that change besides those an empty
// section changes (the missing-key rules).
TEST_F(SiteSettingsTest, EachKeyChangesOnlyWhatItSays) {
  const struct {
    const char* body;
    const char* changes;
  } cases[] = {
      {"", ""},
      {"Page_Position_Heading_Size=H2", ""},
      {"Index_Font=", "Index_Font=; index_font_default=true"},
      {"Other_Page_Index_File=", "Other_Page_Index_File=; index_image_buttons=false"},
      {"Filename_Display=Hide Ext", ""},
      // Maximum image size: both numbers or none.
      {"Image_Width=200\r\nImage_Height=300",
       "Image_Width=200; Image_Height=300; max_image_size=true"},
      {"Image_Width=NA\r\nImage_Height=300", ""},
      // Image headers are read only for HTML image pages (the garbage file has bare images).
      {"DisplayAsImage=False\r\nImage_Header_Same_As_Index=True\r\nImage_Header_HTML=old",
       "DisplayAsImage=false; Image_Header_Same_As_Index=true; Image_Header_Mode=1"},
      {"DisplayAsImage=False\r\nImage_Header_HTML=x\r\nImage_Header_File=%/ih.txt",
       "DisplayAsImage=false; Image_Header_HTML=x; Image_Header_File=<data>/ih.txt; "
       "Image_Header_Mode=3"},
      // The web-ready keys: limits clamped, 0 or below is off, garbage gives the default.
      {"Web_Image_Size=50", "Web_Image_Size=200"},
      {"Web_Image_Size=9000\r\nWeb_Image_Quality=5", "Web_Image_Size=8192; Web_Image_Quality=10"},
      {"Web_Image_Size=-3\r\nWeb_Image_Quality=120", "Web_Image_Quality=100"},
      {"Web_Image_Size=big\r\nWeb_Image_Quality=fine", ""},
      {"Web_Image_Size=2048\r\nHiDPI_Thumbnails=TRUE\r\nLazy_Loading=yes",
       "Web_Image_Size=2048; HiDPI_Thumbnails=true"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    WriteFile(File(), "[Rotation_1]\r\n" + std::string(c.body));
    SiteSettings s = Primed();
    EXPECT_TRUE(Load(s, 1, false, false));
    const FieldMap expected =
        Apply(Apply(Describe(Primed()), Expected("settings_empty_section")), c.changes);
    EXPECT_EQ(Diff(expected, Describe(s)), "");
  }
}

// ---- The hand-written file full of garbage, and what each of its sections changes.

TEST_F(SiteSettingsTest, GarbageFileLoadsByTheRules) {
  WriteFile(File(), ReadFile(DataFile("settings_full_of_garbage.ini")));
  // Rotation 1, everything garbage: the group stops at once and the first colour ends the load.
  // Rotation 2: out-of-range numbers, odd words, a duplicate key and a line that is no key.
  for (const int rotation : {1, 2}) {
    SiteSettings s = Primed();
    EXPECT_EQ(Load(s, rotation, true, true), rotation == 2);
    const FieldMap expected =
        Apply(Describe(Primed()), Expected("settings_full_of_garbage_" + std::to_string(rotation)));
    EXPECT_EQ(Diff(expected, Describe(s)), "") << rotation;
  }
  EXPECT_TRUE(ui_.messages().empty());
}

// ---- Saving.

TEST_F(SiteSettingsTest, EveryFieldSurvivesSaveAndLoad) {
  SiteSettings original = Primed();
  original.Status = RotationStatus::Built;
  original.Rotation_Path = DataDirectory() + "Site_1/Rotation_1/";
  original.Style_File = DataDirectory() + "Styles/s.htm";
  original.Header_File = DataDirectory() + "h.txt";
  original.Heading_Colour = Colour::Of(0x00123456);
  original.Link_Enclosure_Colour = Colour::Of(kClRed);
  original.Other_Page_Text_Colour = Colour::Default();
  original.Image_UseSameNavGraphics = true;
  ASSERT_TRUE(SaveRotation(ui_, original, site_, 1, SavedKeys::WithStatusAndPath));
  // The keys in the order a saved file holds them (files written by other versions rely on it):
  // the fields in the order listed above, up to Index_Font_Italics; the rest are not stored.
  IniFile saved(File());
  ASSERT_TRUE(saved.Load());
  std::string keys;
  for (const std::string& key : saved.Keys("Rotation_1")) keys += key + " ";
#define PARVEL_NAME(field) #field " "
  const std::string_view fields = PARVEL_SETTINGS_FIELDS(PARVEL_NAME);
#undef PARVEL_NAME
  EXPECT_EQ(keys, fields.substr(0, fields.find("Header_Mode")));

  SiteSettings back;
  ASSERT_TRUE(Load(back, 1, true, true));
  original.current_rotation = 1;
  // Text or files of modes not in use are not stored, so a fresh record keeps its own.
  original.Header_HTML = back.Header_HTML;
  original.Footer_File = back.Footer_File;
  original.Image_Header_HTML = back.Image_Header_HTML;
  original.Image_Footer_File = back.Image_Footer_File;
  EXPECT_EQ(Diff(Describe(original), Describe(back)), "");
}

}  // namespace
}  // namespace parvel
