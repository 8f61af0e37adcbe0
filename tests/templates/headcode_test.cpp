#include "templates/headcode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "model/paths.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"
#include "templates/REMain.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// ---- The snippet maker's OK: the snippet made, or the message that keeps it open.

struct SnippetCase {
  const char* name;
  std::function<void(SnippetFields&)> fill;
  std::size_t max_length;
  std::string snippet;
  std::string problem;  // a prefix of the message
};

const std::string kLong(1024, 'x');

const SnippetCase kSnippets[] = {
    {"html_as_typed", [](auto& f) { f.html = " <B>Hi</B>|<BR> "; }, 0, " <B>Hi</B>|<BR> ", ""},
    {"text_link",
     [](auto& f) {
       f.kind = SnippetKind::TextLink;
       f.text = "Home";
       f.text_link = "index.html";
     },
     0, "<A HREF=\"index.html\">Home</A>", ""},
    {"text_link_emptied_link_text_as_typed",
     [](auto& f) {
       f.kind = SnippetKind::TextLink;
       f.text = " Home ";
       f.text_link = "   ";
     },
     0, " Home ", ""},
    {"text_link_prefix_only_still_links",
     [](auto& f) {
       f.kind = SnippetKind::TextLink;
       f.text = "Home";
     },
     0, "<A HREF=\"http://\">Home</A>", ""},
    {"image_trimmed_no_link",
     [](auto& f) {
       f.kind = SnippetKind::ImageLink;
       f.image_location = " banner.gif ";
       f.image_link = "";
       f.alt_text = "Logo";
     },
     0, "<img SRC=\"banner.gif\" ALT=\"Logo\" BORDER=0>", ""},
    {"image_linked_no_alt",
     [](auto& f) {
       f.kind = SnippetKind::ImageLink;
       f.image_location = "a.gif";
       f.image_link = " http://x.org/ ";
       f.alt_text = "  ";
       f.border = 3;
     },
     0, "<A HREF=\"http://x.org/\"><img SRC=\"a.gif\" BORDER=3></A>", ""},
    {"html_missing", [](auto& f) { f.text = "ignored"; }, 0, "",
     "You have not entered the HTML you would like to be inserted!"},
    {"image_missing",
     [](auto& f) {
       f.kind = SnippetKind::ImageLink;
       f.html = "ignored";
     },
     0, "", "You have not entered the location of the image you would like to be inserted!"},
    {"text_missing", [](auto& f) { f.kind = SnippetKind::TextLink; }, 0, "",
     "You have not entered the text that you would like to be inserted!"},
    {"settings_value_holds_1023", [](auto& f) { f.html = kLong.substr(1); }, 1023, kLong.substr(1),
     ""},
    {"settings_value_refuses_1024", [](auto& f) { f.html = kLong; }, 1023, "",
     "This Header is 1024 characters long, but a Header kept in the site's settings holds at "
     "most 1023"},
    {"list_entry_has_no_limit", [](auto& f) { f.html = kLong; }, 0, kLong, ""},
};

class SnippetTest : public ::testing::TestWithParam<SnippetCase> {};

TEST_P(SnippetTest, Finishes) {
  const SnippetCase& c = GetParam();
  SnippetFields fields;
  c.fill(fields);
  const SnippetResult result = FinishSnippet(fields, true, c.max_length);
  EXPECT_EQ(result.snippet, c.snippet);
  EXPECT_TRUE(result.problem.starts_with(c.problem)) << result.problem;
  EXPECT_EQ(result.problem.empty(), c.problem.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, SnippetTest, ::testing::ValuesIn(kSnippets),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- A snippet in the HTML editor and back.

TEST(SnippetLines, SplitAndJoin) {
  struct Case {
    std::string snippet, text;
  };
  for (const Case& c :
       {Case{"line one|line two", "line one\nline two"}, Case{"A||B", "A\n\nB"}, Case{"", ""},
        Case{"<B>Hi</B>|<BR>", "<B>Hi</B>\n<BR>"}, Case{"|a|", "\na\n"}}) {
    EXPECT_EQ(SnippetToEditorText(c.snippet), c.text) << c.snippet;
    EXPECT_EQ(EditorTextToSnippet(c.text), c.snippet) << c.snippet;
  }
  EXPECT_EQ(EditorTextToSnippet(SnippetToEditorText("line one|line two") + "\nline three"),
            "line one|line two|line three");
  EXPECT_EQ(EditorTextToSnippet("a\r\nb\rc\n\r\nd"), "a|b|c||d");
}

// ---- Inserting a ready-made piece at the caret.

TEST(InsertPiece, AtTheSelectionStartKeepingTheSelection) {
  const auto& items = SnippetMenuItems();
  ASSERT_EQ(items.size(), 19u);
  EXPECT_EQ(items[0], "&nbsp;");
  struct Case {
    std::u16string text;
    std::size_t start;
    std::u16string piece, result;
    std::size_t caret;
  };
  for (const Case& c :
       {Case{u"", 0, u"<B>", u"<B>", 3}, Case{u"abcd", 2, u"&nbsp;", u"ab&nbsp;cd", 8},
        Case{u"abcd", 1, u"</I>", u"a</I>bcd", 5}, Case{u"ab", 2, u"<P>", u"ab<P>", 5},
        Case{u"ab", 9, u"<P>", u"ab<P>", 5}}) {
    const Insertion done = InsertPiece(c.text, c.start, c.piece);
    EXPECT_EQ(done.text, c.result);
    EXPECT_EQ(done.caret, c.caret);
  }
}

// ---- The default list file name with files already there.

TEST(DefaultListFileName, FirstFreeName) {
  struct Case {
    std::vector<std::string> present;
    bool header;
    std::string expected;
  };
  for (const Case& c : {
           Case{{}, true, "Site_3_Headers.txt"},
           Case{{"Site_3_Headers.txt"}, true, "Site_3_Headers2.txt"},
           Case{{"Site_3_Headers.txt", "Site_3_Headers2.txt", "Site_3_Headers4.txt"},
                true,
                "Site_3_Headers3.txt"},
           Case{{"Site_3_Headers.txt", "Site_33_Footers.txt"}, false, "Site_3_Footers.txt"},
           Case{{"Site_3_Footers.txt/"}, false, "Site_3_Footers2.txt"},  // a folder counts
       }) {
    TempDir dir;
    for (const auto& name : c.present) {
      if (name.ends_with('/'))
        std::filesystem::create_directories(dir / name);
      else
        WriteFile(dir / name, "x\r\n");
    }
    EXPECT_EQ(DefaultListFileName(dir.path(), "Site_3", c.header), dir / c.expected);
  }
}

// ---- The list editor's operations on A, B, C.

TEST(SnippetList, Operations) {
  using Entries = std::vector<std::string>;
  struct Case {
    const char* name;
    int selected;
    std::function<bool(SnippetList&)> act;
    Entries entries;
    int selected_after;
  };
  auto add = [](SnippetList& l) {
    l.Add("N");
    return true;
  };
  const Case cases[] = {
      {"add_before_B", 1, add, {"A", "N", "B", "C"}, 2},
      {"add_after_last", 2, add, {"A", "B", "C", "N"}, 2},
      {"add_nothing_selected", -1, add, {"A", "B", "C", "N"}, -1},
      {"up_B", 1, [](auto& l) { return l.MoveUp(); }, {"B", "A", "C"}, 0},
      {"up_top_wraps", 0, [](auto& l) { return l.MoveUp(); }, {"B", "C", "A"}, 2},
      {"down_last_wraps", 2, [](auto& l) { return l.MoveDown(); }, {"C", "A", "B"}, 0},
      {"down_A", 0, [](auto& l) { return l.MoveDown(); }, {"B", "A", "C"}, 1},
      {"up_nothing_selected", -1, [](auto& l) { return !l.MoveUp(); }, {"A", "B", "C"}, -1},
      {"remove_B", 1, [](auto& l) { return l.Remove(); }, {"A", "C"}, -1},
      {"remove_nothing", -1, [](auto& l) { return !l.Remove(); }, {"A", "B", "C"}, -1},
      {"modify_C", 2, [](auto& l) { return l.Modify(""); }, {"A", "B", ""}, 2},
      {"clear",
       1,
       [](auto& l) {
         l.Clear();
         return !l.usable().clear && !l.usable().remove;
       },
       {},
       -1},
  };
  for (const Case& c : cases) {
    SnippetList list;
    list.Replace({"A", "B", "C"});
    list.Select(c.selected);
    EXPECT_TRUE(c.act(list)) << c.name;
    EXPECT_EQ(list.entries(), c.entries) << c.name;
    EXPECT_EQ(list.selected(), c.selected_after) << c.name;
  }
  SnippetList one;
  one.Replace({"A"});
  one.Select(0);
  EXPECT_TRUE(one.usable().remove && one.usable().modify && one.usable().clear);
  EXPECT_FALSE(one.usable().move);
  EXPECT_FALSE(one.MoveDown());
  one.Select(5);
  EXPECT_EQ(one.selected(), -1);
}

TEST(ListMessages, ByHeaderFlag) {
  EXPECT_EQ(ListNotCreatedMessage(true), "You have not created Header List!");
  EXPECT_EQ(ListNotCreatedMessage(false), "You have not created Footer List!");
  EXPECT_EQ(ListLoadFailedMessage(false, "/d/f.txt"),
            "Error encountered loading your Footer List list file, /d/f.txt!");
  EXPECT_EQ(ListSaveFailedMessage(true, "/d/h.txt"),
            "Error encountered saving your Header List file,/d/h.txt!");
  const FurnitureTexts footer = FurnitureTextsFor(false);
  EXPECT_EQ(footer.list_explanation,
            "This dialog allows you to place a different Footer on each created page.  The "
            "Footer is a small piece of HTML that is placed at the bottom of each page.  It may "
            "be text, a banner or a link to another site.  Each time a new page is created, the "
            "Footer HTML is taken from the next list item.  When there are no more items, it "
            "reverts to the first item.");
}

// ---- The preview file.

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory(tmp.path()); }
  TempDir tmp;
  ScriptedInteraction ui;
};

TEST_F(PreviewTest, WritesTheBodyAndOpensIt) {
  EXPECT_EQ(PreviewFileContent(""), "<BODY>\r\n\r\n</BODY>");
  EXPECT_EQ(PreviewFileName(), tmp / "~prev.htm");
  ASSERT_TRUE(PreviewHtml(ui, "<B>a</B>\nb"));
  EXPECT_EQ(ReadFile(tmp / "~prev.htm"), "<BODY>\r\n<B>a</B>\r\nb\r\n</BODY>");
  EXPECT_EQ(ui.opened(), std::vector<std::string>{tmp / "~prev.htm"});
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(PreviewTest, ReadOnlyOldFileAsksFirst) {
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    ui.Clear();
    WriteFile(tmp / "~prev.htm", "old");
    std::filesystem::permissions(tmp / "~prev.htm", std::filesystem::perms::owner_read);
    ui.QueueAnswer(answer);
    EXPECT_EQ(PreviewHtml(ui, "new"), answer == Answer::Yes);
    ASSERT_FALSE(ui.messages().empty());
    EXPECT_TRUE(ui.messages()[0].text.ends_with("This file is marked READ ONLY!"));
    if (answer == Answer::No) {
      EXPECT_EQ(ReadFile(tmp / "~prev.htm"), "old");
      EXPECT_EQ(ui.messages().back().text, kPreviewFailedMessage);
      EXPECT_TRUE(ui.opened().empty());
    } else {
      EXPECT_EQ(ReadFile(tmp / "~prev.htm"), "<BODY>\r\nnew\r\n</BODY>");
      EXPECT_EQ(ui.opened().size(), 1u);
    }
  }
}

}  // namespace
}  // namespace parvel
