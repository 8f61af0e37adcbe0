// The header and footer editors and the page settings, worked through their controls: the site
// editor opening the snippet maker or the list editor, the list editor's file flows and messages,
// the HTML editor's buttons, insert menu, typing limit and printing, and the page settings' round
// trip over all six pages. The snippet and list rules are tested in the core.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <map>

#include "app/qtinteraction.h"
#include "model/ui/editsitedialog.h"
#include "templates/REMain.h"
#include "templates/ui/headcodedialog.h"
#include "templates/ui/richedit.h"
#include "templates/ui/thumboptionsdialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

QString Text(QWidget& parent, const char* name) {
  return Find<QLineEdit>(parent, name)->text();
}
void SetText(QWidget& parent, const char* name, const QString& text) {
  Find<QLineEdit>(parent, name)->setText(text);
}
QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

struct Fixture {
  DataDir data;
  Doubles doubles;
  ScriptedChooser& chooser = doubles.chooser;
  Seams seams() { return doubles.seams(); }
};

// What every named input control of the page settings shows.
std::map<QString, QString> Shown(QWidget& dialog) {
  std::map<QString, QString> shown;
  for (auto* spin : dialog.findChildren<QSpinBox*>()) shown[spin->objectName()] = spin->text();
  for (auto* button : dialog.findChildren<QAbstractButton*>())
    if (button->isCheckable()) shown[button->objectName()] = button->isChecked() ? "on" : "off";
  for (auto* combo : dialog.findChildren<QComboBox*>())
    shown[combo->objectName()] = QString::number(combo->currentIndex()) + combo->currentText();
  for (auto* edit : dialog.findChildren<QLineEdit*>())  // not the spin boxes' and combos' own
    if (edit->objectName().startsWith("edt")) shown[edit->objectName()] = edit->text();
  return shown;
}

void Pick(QWidget& dialog, const char* name, int item) {
  Find<QComboBox>(dialog, name)->setCurrentIndex(item);
  emit Find<QComboBox>(dialog, name)->activated(item);
}

}  // namespace

class HeaderFooterTest : public QObject {
  Q_OBJECT

 private slots:
  // Site editor -> list editor -> snippet maker -> HTML editor; the footer's snippet maker,
  // which stores only on OK.
  void siteEditorOpensTheEditorItsChoiceAsks() {
    EditorFixture f(false, "");
    QVERIFY(f.Open());
    QVERIFY(!Enabled(*f.editor, "btnEditHeader"));
    Find<QComboBox>(*f.editor, "cmbHeader")->setCurrentIndex(2);
    f.doubles.dialogs.Queue([&](QDialog& list) {
      CHECK_EQ(list.windowTitle(), QString("Edit Header List"));
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        SetText(maker, "edtHtml", "line one|line two");
        f.doubles.dialogs.Queue([&](QDialog& html) {
          auto* text = Find<QPlainTextEdit>(html, "memText");
          CHECK_EQ(text->toPlainText(), QString("line one\nline two"));
          text->moveCursor(QTextCursor::End);
          QTest::keyClicks(text, "\rline three");
          return int(QDialog::Accepted);
        });
        Click(maker, "btnEdit");
        return Click(maker, "btnOK");
      });
      Click(list, "btnAdd");
      return Click(list, "btnOK");
    });
    Click(*f.editor, "btnEditHeader");
    QCOMPARE(f.app.settings.Header_File, f.data.path + "Site_1_Headers.txt");
    QCOMPARE(f.data.Read("Site_1_Headers.txt"), std::string("line one|line two|line three\r\n"));

    f.app.settings.Footer_HTML = "<B>Hi</B>";
    Find<QComboBox>(*f.editor, "cmbFooter")->setCurrentIndex(1);
    for (const bool ok : {false, true}) {
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        CHECK_EQ(Text(maker, "edtHtml"), QString("<B>Hi</B>"));
        Find<QRadioButton>(maker, "rbText")->setChecked(true);
        CHECK_EQ(Enabled(maker, "edtHtml"), false);
        SetText(maker, "edtTextLink", " index.html ");
        SetText(maker, "edtText", "Home");
        return ok ? Click(maker, "btnOK") : int(QDialog::Rejected);
      });
      Click(*f.editor, "btnEditFooter");
      QCOMPARE(f.app.settings.Footer_HTML,
               std::string(ok ? "<A HREF=\"index.html\">Home</A>" : "<B>Hi</B>"));
    }
    QVERIFY(f.doubles.dialogs.unexpected.empty());
    QVERIFY(f.doubles.ui.messages().empty());
  }

  // Save as.. and Load.. of a list with an empty entry; Clear All asks; a list that cannot be
  // saved keeps the dialog open (the list file rules and messages are tested in the core).
  void listEditorFileButtons() {
    Fixture f;
    f.data.Write("Site_3_Footers.txt", "A\r\n\r\nC\r\n");
    f.data.Write("blocker", "a file where a folder should be");
    TdlgHeaderFooter list(f.seams(), false, f.data.path + "Site_3_Footers.txt", "Site_3");
    f.doubles.dialogs.Queue([&](QDialog& dialog) {
      f.chooser.saves = {Q(f.data.path + "copy.txt")};
      Click(dialog, "btnSave");
      f.doubles.ui.QueueAnswer(Answer::Yes);
      Click(dialog, "btnClearAll");
      CHECK_EQ(Items(dialog, "lbxEntries").size(), 0);
      f.chooser.files = {Q(f.data.path + "copy.txt")};
      Click(dialog, "btnLoad");
      CHECK_EQ(Items(dialog, "lbxEntries"), (QStringList{"A", "", "C"}));
      SetText(dialog, "edtFileName", Q(f.data.path + "blocker/list.txt"));
      CHECK_EQ(Click(dialog, "btnOK") == QDialog::Accepted, false);
      return int(QDialog::Rejected);
    });
    QCOMPARE(list.Open(), int(QDialog::Rejected));
    QCOMPARE(f.doubles.ui.messages().size(), 2u);
    QCOMPARE(f.data.Read("copy.txt"), std::string("A\r\n\r\nC\r\n"));
  }

  // The buttons follow the text, its selection and the clipboard; an insert goes before the
  // selection; Preview writes the preview file; typing stops at a thousand characters.
  void htmlEditorButtonsInsertsTypingLimitAndPrinting() {
    Fixture f;
    QGuiApplication::clipboard()->clear();
    TfrmRichEdit editor(f.seams(), "");
    auto* text = Find<QPlainTextEdit>(editor, "memText");
    for (const char* name : {"btnUndo", "btnCut", "btnPaste", "btnPreview"})
      QVERIFY2(!Enabled(editor, name), name);
    QGuiApplication::clipboard()->setText("<HR>");
    QVERIFY(Enabled(editor, "btnPaste"));
    QTest::keyClicks(text, "abcd");
    QVERIFY(Enabled(editor, "btnUndo") && Enabled(editor, "btnPreview"));
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
    QVERIFY(Enabled(editor, "btnCut"));
    Find<QAction>(editor, "mnuItem15")->trigger();
    QCOMPARE(text->toPlainText(), QString("a</I>bcd"));
    QVERIFY(!Enabled(editor, "btnCut"));
    Click(editor, "btnPreview");
    QCOMPARE(f.doubles.ui.opened(), std::vector<std::string>{PreviewFileName()});
    QCOMPARE(f.data.Read("~prev.htm"), std::string("<BODY>\r\na</I>bcd\r\n</BODY>"));
    text->setPlainText(QString(997, 'x'));
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "abcdef");
    QVERIFY(text->toPlainText().endsWith("xabc"));
    // Open.. reads a file's lines; Print prints them under the program's title.
    f.data.Write("snippet.txt", "<B>Quiz</B>|\r\nJumped\r\n");
    f.chooser.files = {Q(f.data.path + "snippet.txt")};
    Click(editor, "btnOpen");
    QCOMPARE(text->toPlainText(), QString("<B>Quiz</B>|\nJumped\n"));
    f.chooser.pdf = Q(f.data.path + "out.pdf");
    Click(editor, "btnPrint");
    QByteArray title("/Title (\xFE\xFF", 10);
    for (const char c : std::string_view(kAppTitle)) title.append('\0').append(c);
    QVERIFY(QByteArray::fromStdString(f.data.Read("out.pdf")).contains(title + ")"));
  }

  // Every page's controls go to the settings and come back from the settings file as they were;
  // a colour picked with "Other" shows its value; help opens each page's topic.
  void pageSettingsRoundTripOverAllPages() {
    Fixture f;
    SiteSettings settings;
    RecentTemplates recent;
    TemplateMarkers markers;
    TdlgThumbOptions dialog(f.seams(), settings, recent, markers);
    f.data.Write("image.htm", "<html>***CONTENT***</html>");
    f.data.Write("prev.gif", "GIF89a");
    f.data.Write("next.gif", "GIF89a");
    f.chooser.colours.push_back(QColor(255, 128, 0));
    std::map<QString, QString> before;
    f.doubles.dialogs.Queue([&](QDialog& d) {
      Find<QSpinBox>(d, "spnThumbWidth")->setValue(150);  // Thumbnails
      Find<QRadioButton>(d, "rdbNormal")->click();
      Find<QRadioButton>(d, "rdbHorizontal")->click();  // Page Index
      Find<QLineEdit>(d, "edtPageNumberPrefix")->setText("Seite");
      Pick(d, "cmbDisplayedColour", 8);  // Page Index 2
      Pick(d, "cmbOtherColour", kColourOtherItem);
      Pick(d, "cmbIndexFontSize", 5);
      Find<QRadioButton>(d, "rdbIndexCustomFont")->click();
      Find<QComboBox>(d, "cmbIndexFont")->setEditText("Arial,Helvetica");
      Find<QRadioButton>(d, "rdbDisplayAsPage")->click();  // Image Display
      Find<QComboBox>(d, "cmbImageTemplate")->setEditText(Q(f.data.path + "image.htm"));
      Find<QCheckBox>(d, "chkMaxImageSize")->click();
      Find<QSpinBox>(d, "spnImageWidth")->setValue(1024);
      Pick(d, "cmbFontSize", 0);  // Page Text
      Find<QCheckBox>(d, "chkKorrinLink")->click();
      Find<QCheckBox>(d, "chkPrevNextImageButtons")->click();  // Other
      SetText(d, "edtPreviousFile", Q(f.data.path + "prev.gif"));
      SetText(d, "edtNextFile", Q(f.data.path + "next.gif"));
      Pick(d, "cmbDisplayMethod", 2);
      before = Shown(d);
      auto* tabs = Find<QTabWidget>(d, "pgcSettings");
      for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        Click(d, "btnHelp");
      }
      return Click(d, "btnOK");
    });
    QCOMPARE(dialog.Open(), int(QDialog::Accepted));
    QCOMPARE(f.doubles.ui.help_topics(), (std::vector<int>{31, 32, 32, 33, 34, 36}));
    QCOMPARE(before["edtOtherColour"], QString("#FF8000"));
    QCOMPARE(settings.Other_Page_Text_Colour, Colour::Of(0x000080FF));
    const SiteContext site{"Site_1", f.data.path, false};
    QVERIFY(SaveRotation(f.doubles.ui, settings, site, 1, SavedKeys::WithStatusAndPath));
    settings = SiteSettings{};
    QVERIFY(
        LoadRotation(f.doubles.ui, settings, site, 1, {.with_path = true, .make_current = true}));
    f.doubles.dialogs.Queue([&](QDialog& d) {
      for (const auto& [name, value] : Shown(d))
        CHECK_EQ(name + "=" + value, name + "=" + before[name]);
      return Click(d, "btnCancel");
    });
    QCOMPARE(dialog.Open(), int(QDialog::Rejected));
    QVERIFY(f.doubles.ui.messages().empty());
  }
};

QTEST_MAIN(HeaderFooterTest)
#include "headerfooter_test.moc"
