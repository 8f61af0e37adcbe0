// The header and footer editors worked through their controls: the site editor and the page
// settings dialog opening the snippet maker or the list editor, the list editor's file flows and
// messages, and the HTML editor's buttons, insert menu, typing limit and printing.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
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

// Answers Save as.. from a queue (an empty entry cancels) and prints into a PDF file.
class FileChooser : public ScriptedChooser {
 public:
  std::deque<QString> saves;
  QString pdf;
  std::optional<QString> SaveFile(QWidget*, const QString&, const QString&,
                                  const QString&) override {
    if (saves.empty()) return std::nullopt;
    const QString answer = saves.front();
    saves.pop_front();
    if (answer.isEmpty()) return std::nullopt;
    return answer;
  }
  bool Print(QWidget*, const QString& title, const QString& text) override {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return PrintPlainText(printer, title, text);
  }
};

template <typename T>
T* Find(QWidget& parent, const char* name) {
  auto* widget = parent.findChild<T*>(name);
  if (!widget) qFatal("no control %s in %s", name, qPrintable(parent.objectName()));
  return widget;
}

QString Text(QWidget& parent, const char* name) {
  return Find<QLineEdit>(parent, name)->text();
}

void SetText(QWidget& parent, const char* name, const QString& text) {
  Find<QLineEdit>(parent, name)->setText(text);
}

bool Enabled(QWidget& parent, const char* name) {
  return Find<QWidget>(parent, name)->isEnabled();
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

struct ListFixture {
  DataDir data;
  Doubles doubles;
  FileChooser chooser;
  Seams seams() { return Seams{doubles.ui, chooser, doubles.dialogs}; }
};

// The characters a PDF file written by Qt draws, in order: its page content streams are inflated
// and each glyph shown is looked up in the fonts' glyph-to-character maps.
QString PrintedText(const QByteArray& pdf) {
  std::map<int, char16_t> characters;
  static const QRegularExpression list(R"(<([0-9A-F]{4})> <[0-9A-F]{4}> \[([^\]]*)\])");
  static const QRegularExpression hex("<([0-9A-F]{4})>");
  for (auto range = list.globalMatch(QString::fromLatin1(pdf)); range.hasNext();) {
    const auto match = range.next();
    int glyph = match.captured(1).toInt(nullptr, 16);
    for (auto code = hex.globalMatch(match.captured(2)); code.hasNext();)
      characters[glyph++] = static_cast<char16_t>(code.next().captured(1).toInt(nullptr, 16));
  }
  QString text;
  static const QRegularExpression shown("<([0-9A-F]{4})> Tj");
  for (qsizetype at = 0; (at = pdf.indexOf(">>\nstream\n", at)) >= 0;) {
    at += 10;
    const qsizetype end = pdf.indexOf("\nendstream", at);
    if (!pdf.mid(pdf.lastIndexOf("<<", at), at - pdf.lastIndexOf("<<", at)).contains("Flate"))
      continue;
    QByteArray sized("\x00\x10\x00\x00", 4);  // qUncompress's size hint
    const QByteArray content = qUncompress(sized + pdf.mid(at, end - at));
    for (auto glyph = shown.globalMatch(QString::fromLatin1(content)); glyph.hasNext();)
      text += QChar(characters[glyph.next().captured(1).toInt(nullptr, 16)]);
  }
  return text;
}

}  // namespace

class HeaderFooterTest : public QObject {
  Q_OBJECT

 private slots:
  // Site editor -> list editor -> snippet maker -> HTML editor, and the snippet maker alone.
  void siteEditorOpensTheEditorItsChoiceAsks() {
    EditorFixture f(false, "");
    QVERIFY(f.Open());
    TdlgEditSite& editor = *f.editor;
    QVERIFY(!Enabled(editor, "btnEditHeader"));
    Find<QComboBox>(editor, "cmbHeader")->setCurrentIndex(2);
    QVERIFY(Enabled(editor, "btnEditHeader"));
    QVERIFY(!Enabled(editor, "btnEditFooter"));
    const std::string list_file = f.data.path + "Site_1_Headers.txt";
    f.doubles.dialogs.Queue([&](QDialog& list) {
      CHECK_EQ(list.windowTitle(), QString("Edit Header List"));
      CHECK_EQ(Text(list, "edtFileName"), Q(list_file));
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        CHECK_EQ(maker.windowTitle(), QString("Edit Header"));
        SetText(maker, "edtHtml", "line one|line two");
        f.doubles.dialogs.Queue([&](QDialog& html) {
          auto* text = Find<QPlainTextEdit>(html, "memText");
          CHECK_EQ(text->toPlainText(), QString("line one\nline two"));
          text->moveCursor(QTextCursor::End);
          QTest::keyClicks(text, "\rline three");
          return int(QDialog::Accepted);
        });
        Click(maker, "btnEdit");
        CHECK_EQ(Text(maker, "edtHtml"), QString("line one|line two|line three"));
        return Click(maker, "btnOK");
      });
      Click(list, "btnAdd");
      CHECK_EQ(Items(list, "lbxEntries"), QStringList{"line one|line two|line three"});
      return Click(list, "btnOK");
    });
    Click(editor, "btnEditHeader");
    QCOMPARE(f.app.settings.Header_File, list_file);
    QCOMPARE(f.doubles.ui.messages().size(), 0u);
    QCOMPARE(f.data.Read("Site_1_Headers.txt"), std::string("line one|line two|line three\r\n"));

    // The footer's "Same Footer": the snippet maker on Footer_HTML; only OK stores.
    f.app.settings.Footer_HTML = "<B>Hi</B>|<BR>";
    Find<QComboBox>(editor, "cmbFooter")->setCurrentIndex(1);
    for (const bool ok : {false, true}) {
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        CHECK_EQ(maker.windowTitle(), QString("Edit Footer"));
        CHECK_EQ(Find<QRadioButton>(maker, "rbHtml")->isChecked(), true);
        CHECK_EQ(Enabled(maker, "edtText"), false);
        CHECK_EQ(Text(maker, "edtHtml"), QString("<B>Hi</B>|<BR>"));
        // The HTML editor shows two lines and gives the same snippet back.
        f.doubles.dialogs.Queue([&](QDialog& html) {
          CHECK_EQ(Find<QPlainTextEdit>(html, "memText")->document()->blockCount(), 2);
          return int(QDialog::Accepted);
        });
        Click(maker, "btnEdit");
        CHECK_EQ(Text(maker, "edtHtml"), QString("<B>Hi</B>|<BR>"));
        Find<QRadioButton>(maker, "rbText")->setChecked(true);
        CHECK_EQ(Enabled(maker, "edtHtml"), false);
        CHECK_EQ(Text(maker, "edtTextLink"), QString("http://"));
        SetText(maker, "edtTextLink", " index.html ");
        SetText(maker, "edtText", "Home");
        return ok ? Click(maker, "btnOK") : int(QDialog::Rejected);
      });
      Click(editor, "btnEditFooter");
      QCOMPARE(f.app.settings.Footer_HTML,
               std::string(ok ? "<A HREF=\"index.html\">Home</A>" : "<B>Hi</B>|<BR>"));
    }
    // A settings value holds 1023 characters: a longer snippet is refused at OK.
    f.doubles.dialogs.Queue([&](QDialog& maker) {
      SetText(maker, "edtHtml", QString(1024, 'x'));
      const int result = Click(maker, "btnOK");
      CHECK_EQ(result, int(QDialog::Rejected));
      return result;
    });
    Click(editor, "btnEditFooter");
    QCOMPARE(f.app.settings.Footer_HTML, std::string("<A HREF=\"index.html\">Home</A>"));
    QVERIFY(f.doubles.ui.texts().back().starts_with("This Footer is 1024 characters long"));
    Find<QComboBox>(editor, "cmbFooter")->setCurrentIndex(0);
    QVERIFY(!Enabled(editor, "btnEditFooter"));
    QVERIFY(f.doubles.dialogs.unexpected.empty());
    QCOMPARE(f.doubles.dialogs.unused(), 0u);
  }

  void pageSettingsImageHeaderModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ok");
    QTest::newRow("same html, OK") << 2 << true;
    QTest::newRow("same html, Cancel") << 2 << false;
    QTest::newRow("list, OK") << 3 << true;
    QTest::newRow("list, Cancel") << 3 << false;
  }
  void pageSettingsImageHeaderModes() {
    QFETCH(int, mode);
    QFETCH(bool, ok);
    ListFixture f;
    SiteSettings s;
    s.DisplayAsImage = false;
    s.Image_Header_Mode = static_cast<ImageHeaderMode>(mode);
    s.Image_Header_HTML = "<P>";
    s.Image_Header_File = f.data.path + "old.txt";
    f.data.Write("old.txt", "A\r\n");
    RecentTemplates recent;
    TemplateMarkers markers;
    TdlgThumbOptions dialog(f.seams(), s, recent, markers);
    dialog.SetSiteKey("Site_7");
    f.doubles.dialogs.Queue([&](QDialog& settings) {
      CHECK_EQ(Enabled(settings, "btnEditHeader"), true);
      f.doubles.dialogs.Queue([&](QDialog& sub) {
        if (mode == 2) {
          CHECK_EQ(sub.objectName(), QString("dlgNewHeaderFooter"));
          CHECK_EQ(Text(sub, "edtHtml"), QString("<P>"));
          SetText(sub, "edtHtml", "<B>x</B>");
        } else {
          CHECK_EQ(sub.objectName(), QString("dlgHeaderFooter"));
          CHECK_EQ(Items(sub, "lbxEntries"), QStringList{"A"});
          SetText(sub, "edtFileName", Q(f.data.path + "new.txt"));
        }
        return ok ? Click(sub, "btnOK") : int(QDialog::Rejected);
      });
      Click(settings, "btnEditHeader");
      return int(QDialog::Rejected);
    });
    dialog.Open();
    QCOMPARE(s.Image_Header_HTML, std::string(ok && mode == 2 ? "<B>x</B>" : "<P>"));
    QCOMPARE(s.Image_Header_File, f.data.path + (ok && mode == 3 ? "new.txt" : "old.txt"));
    QCOMPARE(f.data.Exists("new.txt"), ok && mode == 3);
    QVERIFY(f.doubles.dialogs.unexpected.empty());
  }

  // A list with an empty entry saved and loaded again; Add's place; the messages and what a
  // failure or a cancelled question leaves.
  void listEditorFilesAndMessages() {
    ListFixture f;
    f.data.Write("Site_3_Footers.txt", "A\r\n\r\nC\r\n");
    f.data.Write("blocker", "a file where a folder should be");
    TdlgHeaderFooter list(f.seams(), false, f.data.path + "Site_3_Footers.txt", "Site_3");
    f.doubles.dialogs.Queue([&](QDialog& dialog) {
      CHECK_EQ(Items(dialog, "lbxEntries"), (QStringList{"A", "", "C"}));
      for (const char* name : {"btnRemove", "btnModify", "btnMoveUp", "btnMoveDown"})
        CHECK_EQ(Enabled(dialog, name), false);
      CHECK_EQ(Enabled(dialog, "btnClearAll"), true);
      // Save as.. a new file; Load.. it again: the same three entries.
      f.chooser.saves = {Q(f.data.path + "copy.txt")};
      Click(dialog, "btnSave");
      CHECK_EQ(f.data.Read("copy.txt"), std::string("A\r\n\r\nC\r\n"));
      Find<QListWidget>(dialog, "lbxEntries")->setCurrentRow(1);
      Click(dialog, "btnRemove");
      f.chooser.files = {Q(f.data.path + "copy.txt")};
      Click(dialog, "btnLoad");
      CHECK_EQ(Items(dialog, "lbxEntries"), (QStringList{"A", "", "C"}));
      // Add goes before the selected entry, Move Up wraps the top entry to the bottom.
      Find<QListWidget>(dialog, "lbxEntries")->setCurrentRow(1);
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        SetText(maker, "edtHtml", "N");
        return Click(maker, "btnOK");
      });
      Click(dialog, "btnAdd");
      CHECK_EQ(Items(dialog, "lbxEntries"), (QStringList{"A", "N", "", "C"}));
      Find<QListWidget>(dialog, "lbxEntries")->setCurrentRow(0);
      Click(dialog, "btnMoveUp");
      CHECK_EQ(Items(dialog, "lbxEntries"), (QStringList{"N", "", "C", "A"}));
      CHECK_EQ(Find<QListWidget>(dialog, "lbxEntries")->currentRow(), 3);
      // The snippet maker opens as it was left.
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        CHECK_EQ(Text(maker, "edtHtml"), QString("N"));
        Find<QRadioButton>(maker, "rbImage")->setChecked(true);
        SetText(maker, "edtImageLocation", "b.gif");
        return Click(maker, "btnCancel");
      });
      Click(dialog, "btnAdd");
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        CHECK_EQ(Find<QRadioButton>(maker, "rbImage")->isChecked(), true);
        CHECK_EQ(Text(maker, "edtImageLocation"), QString("b.gif"));
        return Click(maker, "btnOK");
      });
      Click(dialog, "btnAdd");
      CHECK_EQ(Items(dialog, "lbxEntries").back(),
               QString("<A HREF=\"http://\"><img SRC=\"b.gif\" BORDER=0></A>"));
      // Cancelled Load.. and Save as.. change nothing.
      f.chooser.files = {""};
      f.chooser.saves = {""};
      Click(dialog, "btnLoad");
      Click(dialog, "btnSave");
      CHECK_EQ(Items(dialog, "lbxEntries").size(), 5);
      // A file that cannot be read or written.
      f.chooser.files = {Q(f.data.path)};
      Click(dialog, "btnLoad");
      CHECK_EQ(Items(dialog, "lbxEntries").size(), 5);
      SetText(dialog, "edtFileName", Q(f.data.path + "blocker/list.txt"));
      const int failed = Click(dialog, "btnOK");
      CHECK_EQ(failed == QDialog::Accepted, false);
      f.doubles.ui.QueueAnswer(Answer::No);
      Click(dialog, "btnClearAll");
      CHECK_EQ(Items(dialog, "lbxEntries").size(), 5);
      f.doubles.ui.QueueAnswer(Answer::Yes);
      Click(dialog, "btnClearAll");
      CHECK_EQ(Enabled(dialog, "btnClearAll"), false);
      Click(dialog, "btnOK");
      return int(QDialog::Rejected);
    });
    QCOMPARE(list.Open(), int(QDialog::Rejected));
    const std::string proposed = f.data.path + "Site_3_Footers.txt";
    QCOMPARE(
        f.doubles.ui.texts(),
        (std::vector<std::string>{
            "Error encountered loading your Footer List list file, " + f.data.path + "!",
            "Error encountered saving your Footer List file," + f.data.path + "blocker/list.txt!",
            std::string(kClearAllQuestion), std::string(kClearAllQuestion),
            "You have not created Footer List!"}));
    QCOMPARE(f.doubles.ui.messages()[0].kind, MessageKind::Warning);
    QCOMPARE(f.doubles.ui.messages()[1].kind, MessageKind::Information);
    QCOMPARE(f.data.Read("Site_3_Footers.txt"), std::string("A\r\n\r\nC\r\n"));
    QCOMPARE(f.data.Read("copy.txt"), std::string("A\r\n\r\nC\r\n"));  // no cancelled save
    QVERIFY(f.doubles.dialogs.unexpected.empty());
  }

  void htmlEditorButtonsFollowTextSelectionAndClipboard() {
    ListFixture f;
    QGuiApplication::clipboard()->clear();
    TfrmRichEdit editor(f.seams(), "");
    auto* text = Find<QPlainTextEdit>(editor, "memText");
    QCOMPARE(text->toPlainText(), QString());
    QCOMPARE(editor.windowTitle(), QString("Create HTML"));
    QVERIFY(Find<QToolButton>(editor, "btnWordWrap")->isChecked());
    for (const char* name : {"btnUndo", "btnCut", "btnCopy", "btnPaste", "btnPreview"})
      QVERIFY2(!Enabled(editor, name), name);
    QGuiApplication::clipboard()->setText("<HR>");
    QVERIFY(Enabled(editor, "btnPaste"));
    QTest::keyClicks(text, "abcd");
    QVERIFY(Enabled(editor, "btnUndo"));
    QVERIFY(Enabled(editor, "btnPreview"));
    text->selectAll();
    QVERIFY(Enabled(editor, "btnCut") && Enabled(editor, "btnCopy"));
    // Item 15 with bc selected goes before the selection, which stays in the text.
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
    Find<QAction>(editor, "mnuItem15")->trigger();
    QCOMPARE(text->toPlainText(), QString("a</I>bcd"));
    QCOMPARE(text->textCursor().position(), 5);
    QVERIFY(!Enabled(editor, "btnCut"));
    QCOMPARE(Find<QAction>(editor, "mnuItem1")->iconText(), QString("&nbsp;"));
    Find<QAction>(editor, "mnuItem1")->trigger();
    QCOMPARE(text->toPlainText(), QString("a</I>&nbsp;bcd"));
    QGuiApplication::clipboard()->clear();
    QVERIFY(!Enabled(editor, "btnPaste"));
    Click(editor, "btnUndo");
    QVERIFY(!text->toPlainText().contains("&nbsp;"));
    Find<QToolButton>(editor, "btnWordWrap")->click();
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
    Click(editor, "btnPreview");
    QCOMPARE(f.doubles.ui.opened(), std::vector<std::string>{PreviewFileName()});
    QCOMPARE(f.data.Read("~prev.htm"),
             "<BODY>\r\n" + text->toPlainText().toStdString() + "\r\n</BODY>");
  }

  void htmlEditorTakesAThousandTypedCharacters() {
    ListFixture f;
    const std::string handed(1500, 'h');
    TfrmRichEdit long_one(f.seams(), handed);
    QCOMPARE(long_one.snippet(), handed);  // not cut
    TfrmRichEdit editor(f.seams(), std::string(997, 'x'));
    auto* text = Find<QPlainTextEdit>(editor, "memText");
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "abcdef");
    QCOMPARE(text->toPlainText().size(), 1000);
    QVERIFY(text->toPlainText().endsWith("xabc"));
    text->moveCursor(QTextCursor::Start);
    text->moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);
    QGuiApplication::clipboard()->setText("PQR");
    Click(editor, "btnPaste");  // one selected character gives way to one pasted
    QVERIFY(text->toPlainText().startsWith("Px"));
    QCOMPARE(text->toPlainText().size(), 1000);
  }

  void htmlEditorOpensAFileAndPrintsItsText() {
    ListFixture f;
    f.data.Write("snippet.txt", "<B>Quiz</B>|\r\nJumped\r\n");
    TfrmRichEdit editor(f.seams(), "old");
    f.chooser.files = {Q(f.data.path + "snippet.txt")};
    Click(editor, "btnOpen");
    auto* text = Find<QPlainTextEdit>(editor, "memText");
    QCOMPARE(text->toPlainText(), QString("<B>Quiz</B>|\nJumped\n"));
    QVERIFY(!text->document()->isModified());
    f.chooser.pdf = Q(f.data.path + "out.pdf");
    Click(editor, "btnPrint");
    QFile pdf(f.chooser.pdf);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QByteArray title("/Title (\xFE\xFF", 10);
    for (const char c : std::string_view(kAppTitle)) title.append('\0').append(c);
    QVERIFY(bytes.contains(title + ")"));
    QVERIFY(PrintedText(bytes).startsWith("<B>Quiz</B>|Jumped"));
  }
};

QTEST_MAIN(HeaderFooterTest)
#include "headerfooter_test.moc"
