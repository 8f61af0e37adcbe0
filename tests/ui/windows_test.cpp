// The windows from the keyboard and between openings: the add-images grid's keys, its Copy
// over existing files with Yes to All, the dialogs the site editor keeps for the run, Test
// Compliance greyed until the template changes, the HTML editor's Open, Print and Preview when
// things fail, the colour lists, and a running copy brought to the front with a dialog open.
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStyleOptionComboBox>
#include <QtTest>
#include <filesystem>

#include "app/mainwindow.h"
#include "app/qtinteraction.h"
#include "images/ui/addimagesdialog.h"
#include "images/ui/thumbgridview.h"
#include "model/ui/editsitedialog.h"
#include "templates/REMain.h"
#include "templates/ui/richedit.h"
#include "templates/ui/thumboptionsdialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// `count` small photographs a.jpg, b.jpg... in `folder`.
void Photos(const std::string& folder, int count) {
  std::filesystem::create_directories(folder);
  for (int i = 0; i < count; ++i) {
    std::filesystem::copy_file(testing::DataFile("pool/p10.jpg"),
                               folder + std::string(1, char('a' + i)) + ".jpg",
                               std::filesystem::copy_options::overwrite_existing);
  }
}

std::vector<int> Selection(TXThumbGrid& grid) {
  std::vector<int> selected;
  for (int item = 0; item < grid.ItemCount(); ++item)
    if (grid.Selected(item)) selected.push_back(item);
  return selected;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> items;
  for (int item = from; item <= to; ++item) items.push_back(item);
  return items;
}

// The catalogue's one site, "First", in site/ of the test's data directory, one version with
// `images` photographs, its template passing; `main` runs the main window on it.
struct SiteFixture {
  explicit SiteFixture(int images) : site(data.path + "site/") {
    data.Write("sites.ini", "[Sites]\r\nSite_1=First\r\n");
    data.Write("Site_1.ini", "[General]\r\nName=First\r\nPath=" + site + "\r\nRotationCount=1\r\n");
    data.Write("thumbs.htm", "<html><body>***INDEX***<br>***CONTENT***</body></html>");
    Photos(site, images);
    app.catalogue.ReadSites();
    app.catalogue.rebuildSiteNameList();
    app.catalogue.SelectSite(0, false);
  }
  DataDir data;
  std::string site;
  Doubles doubles;
  AppState app;
};

}  // namespace

class WindowsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir home_;

 private slots:
  void initTestCase() {
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CACHE_HOME", (home_.path() + "/cache").toUtf8());
  }

  // The arrows, Home and End move the current file and select it alone; Shift extends the
  // selection from the anchor (and shrinks it again); Ctrl+A selects every file; Return copies.
  void addImagesGridKeys() {
    SiteFixture f(0);
    const std::string photos = f.data.path + "photos/";
    Photos(photos, 7);
    TdlgAddImages add(f.doubles.seams(), f.app);
    add.show();
    add.ChooseFolder(photos);
    TThumbGridView& view = *add.grid();
    TXThumbGrid& grid = view.grid();
    const int cols = grid.ColCount();
    QVERIFY(cols >= 2 && cols < 7);
    struct Step {
      const char* row;
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      std::vector<int> selected;
      int current;
    } steps[] = {
        {"right", Qt::Key_Right, Qt::NoModifier, {1}, 1},
        {"shift right", Qt::Key_Right, Qt::ShiftModifier, {1, 2}, 2},
        {"shift right again", Qt::Key_Right, Qt::ShiftModifier, {1, 2, 3}, 3},
        {"shift left shrinks", Qt::Key_Left, Qt::ShiftModifier, {1, 2}, 2},
        {"shift end", Qt::Key_End, Qt::ShiftModifier, Range(1, 6), 6},
        {"home", Qt::Key_Home, Qt::NoModifier, {0}, 0},
        {"down a row", Qt::Key_Down, Qt::NoModifier, {cols}, cols},
        {"shift up from the new anchor", Qt::Key_Up, Qt::ShiftModifier, Range(0, cols), 0},
        {"ctrl+a", Qt::Key_A, Qt::ControlModifier, Range(0, 6), 0},
    };
    for (const Step& step : steps) {
      QTest::keyClick(&view, step.key, step.modifiers);
      QCOMPARE(Selection(grid), step.selected);
      QCOMPARE(grid.Current(), step.current);
    }
    QCOMPARE(Find<QAbstractButton>(add, "btnCopy")->text(),
             QString("Copy these 7 images to the current Site"));
  }

  // Copying several files over existing ones asks once with Yes to All: the rest follow it.
  void addImagesCopyOffersYesToAll() {
    for (const auto& [answer, replaced] :
         {std::pair{Answer::YesToAll, true}, std::pair{Answer::NoToAll, false}}) {
      SiteFixture f(0);
      const std::string photos = f.data.path + "photos/";
      Photos(photos, 3);
      for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        f.data.Write("site/" + std::string(name), "OLD");
      TdlgEditSite editor(f.doubles.seams(), f.app);
      QVERIFY(editor.Open());
      f.doubles.dialogs.Queue([&](QDialog& dialog) {
        auto& add = static_cast<TdlgAddImages&>(dialog);
        add.show();
        add.ChooseFolder(photos);
        QTest::keyClick(add.grid(), Qt::Key_A, Qt::ControlModifier);
        f.doubles.ui.QueueAnswer(answer);
        QTest::keyClick(add.grid(), Qt::Key_Return);
        return int(QDialog::Accepted);
      });
      editor.btnSelectImagesClick();
      QCOMPARE(f.doubles.ui.messages().size(), 1u);
      QCOMPARE(f.doubles.ui.messages()[0].buttons, Buttons::YesAllNoAllCancel);
      for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        QCOMPARE(f.data.Read("site/" + std::string(name)) != "OLD", replaced);
    }
  }

  // The real box offers the five buttons and gives each one's answer.
  void yesToAllBox() {
    QtInteraction ui;
    for (const auto& [button, answer] : {std::pair{QMessageBox::YesToAll, Answer::YesToAll},
                                         std::pair{QMessageBox::NoToAll, Answer::NoToAll},
                                         std::pair{QMessageBox::No, Answer::No}}) {
      QTimer::singleShot(0, [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::YesToAll |
                                             QMessageBox::No | QMessageBox::NoToAll |
                                             QMessageBox::Cancel);
        box->button(button)->click();
      });
      QCOMPARE(ui.Message(MessageKind::Confirmation, "x", Buttons::YesAllNoAllCancel), answer);
    }
  }

  // The site editor, its page settings and its add-images dialog are made once: the second
  // opening finds the same dialogs, the add-images one on the folder and selection it was left.
  void dialogsKeptBetweenOpenings() {
    SiteFixture f(0);
    const std::string photos = f.data.path + "photos/";
    Photos(photos, 4);
    TfrmMain window(f.doubles.seams());
    window.show();
    window.lbxSitesClick(0);
    std::vector<QDialog*> seen;
    for (int opening = 0; opening < 2; ++opening) {
      f.doubles.dialogs.Queue([&, opening](QDialog& editor) {
        seen.push_back(&editor);
        f.doubles.dialogs.Queue([&, opening](QDialog& dialog) {
          seen.push_back(&dialog);
          auto& add = static_cast<TdlgAddImages&>(dialog);
          if (opening == 0) {
            add.ChooseFolder(photos);
            QTest::keyClick(add.grid(), Qt::Key_Right, Qt::NoModifier);
            QTest::keyClick(add.grid(), Qt::Key_Right, Qt::ShiftModifier);
          }
          CHECK_EQ(add.folder(), photos);
          CHECK_EQ(Selection(add.grid()->grid()), (std::vector<int>{1, 2}));
          return int(QDialog::Accepted);
        });
        Click(editor, "btnSelectImages");
        f.doubles.dialogs.Queue([&](QDialog& settings) {
          seen.push_back(&settings);
          return int(QDialog::Rejected);
        });
        Click(editor, "btnOtherSettings");
        return int(QDialog::Rejected);
      });
      window.btnEditSiteClick();
    }
    QCOMPARE(seen.size(), 6u);
    QCOMPARE(std::vector<QDialog*>(seen.begin(), seen.begin() + 3),
             std::vector<QDialog*>(seen.begin() + 3, seen.end()));
    QCOMPARE(f.doubles.dialogs.unused(), 0u);
  }

  // After a test, Test Compliance stays greyed whatever else runs, until the template's text
  // changes.
  void testComplianceGreyedUntilTheTemplateChanges() {
    SiteFixture f(2);
    TdlgEditSite editor(f.doubles.seams(), f.app);
    QVERIFY(editor.Open());
    auto* style = Find<QComboBox>(editor, "cmbStyleFile");
    style->setEditText(Q(f.data.path + "thumbs.htm"));
    auto* test = Find(editor, "btnTestCompliance");
    QVERIFY(test->isEnabled());
    f.doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Rejected); });
    Click(editor, "btnTestCompliance");
    QVERIFY(!test->isEnabled());
    editor.lbxRotationsClick(0);  // the rotation shown again
    QVERIFY(!test->isEnabled());
    f.doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Rejected); });
    editor.btnOtherSettingsClick();
    QVERIFY(!test->isEnabled());
    style->setEditText(Q(f.data.path + "other.htm"));
    QVERIFY(test->isEnabled());
  }

  // Preview writes ~prev.htm and opens it; a browser that cannot be started gives the editor's
  // own warning. Closing the editor takes the preview file away either way. View Page names
  // the page it could not open.
  void previewFailureAndPreviewFileRemoved() {
    for (const bool fails : {false, true}) {
      Doubles f;
      DataDir data;
      if (fails) f.ui.FailOpening();
      TfrmRichEdit editor(f.seams(), "<B>Hi</B>");
      editor.show();
      Click(editor, "btnPreview");
      QCOMPARE(f.ui.opened(), std::vector<std::string>{PreviewFileName()});
      QCOMPARE(f.ui.texts(), fails ? std::vector<std::string>{std::string(kPreviewFailedMessage)}
                                   : std::vector<std::string>{});
      if (fails) QCOMPARE(f.ui.messages()[0].kind, MessageKind::Warning);
      QVERIFY(std::filesystem::exists(data.path + "~prev.htm"));
      editor.reject();
      QVERIFY(!std::filesystem::exists(data.path + "~prev.htm"));
    }
    SiteFixture f(1);
    TdlgEditSite editor(f.doubles.seams(), f.app);
    QVERIFY(editor.Open());
    Find<QComboBox>(editor, "cmbStyleFile")->setEditText(Q(f.data.path + "thumbs.htm"));
    f.doubles.ui.FailOpening();
    Click(editor, "btnViewPage");
    QCOMPARE(f.doubles.ui.texts(),
             std::vector<std::string>{"The desktop could not open " + f.data.path + "thumbs.htm!"});
  }

  // Open offers rich text, text and all files and honours the read-only box; a failed print
  // is reported.
  void htmlEditorOpenReadOnlyAndFailedPrint() {
    Doubles f;
    DataDir data;
    data.Write("snippet.txt", "<B>Quiz</B>\r\n");
    TfrmRichEdit editor(f.seams(), "");
    auto* text = Find<QPlainTextEdit>(editor, "memText");
    for (const bool read_only : {true, false}) {
      f.chooser.files = {Q(data.path + "snippet.txt")};
      f.chooser.read_only = {read_only};
      Click(editor, "btnOpen");
      QCOMPARE(text->toPlainText(), QString("<B>Quiz</B>\n"));
      QCOMPARE(text->isReadOnly(), read_only);
    }
    QCOMPARE(f.chooser.open_filter,
             QString("Rich Text Files (*.RTF);;Text Files (*.TXT);;All Files (*)"));
    f.chooser.pdf = Q(data.path + "no/such/folder/out.pdf");
    Click(editor, "btnPrint");
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"The HTML could not be printed!"});
  }

  // A fixed colour shows its swatch with its name; a picked colour fills the field and leaves
  // the arrow drawn; the list is wide enough for its longest entry.
  void colourListShowsNamesAndKeepsItsArrow() {
    QWidget parent;
    ColourCombo combo(&parent);
    parent.show();
    QCOMPARE(combo.itemText(6), QString("Teal"));
    combo.resize(combo.sizeHint());
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    const auto rect = [&](QStyle::SubControl part) {
      return combo.style()->subControlRect(QStyle::CC_ComboBox, &option, part, &combo);
    };
    const int text = combo.fontMetrics().horizontalAdvance("Default Page Colour");
    QVERIFY2(combo.sizeHint().width() >= text + rect(QStyle::SC_ComboBoxArrow).width(),
             qPrintable(QString::number(combo.sizeHint().width())));
    ColourChoice picked;
    picked.item = kColourNoItem;
    picked.colour = 0x00123456;
    combo.Show(picked);
    QVERIFY(combo.picked().has_value());
    const QImage image = combo.grab().toImage();
    const QColor colour(0x56, 0x34, 0x12);
    const qreal ratio = image.devicePixelRatio();
    const auto at = [&](const QPoint& p) {
      return image.pixelColor((QPointF(p) * ratio).toPoint());
    };
    QCOMPARE(at(rect(QStyle::SC_ComboBoxEditField).center()), colour);
    bool arrow_drawn = false;
    const QRect arrow = rect(QStyle::SC_ComboBoxArrow);
    for (int x = arrow.left(); x <= arrow.right(); ++x)
      for (int y = arrow.top(); y <= arrow.bottom(); ++y)
        arrow_drawn = arrow_drawn || at(QPoint(x, y)) != colour;
    QVERIFY(arrow_drawn);
  }

  // A later start hands over to a running copy that shows a modal dialog: that dialog comes to
  // the front, above the main window.
  void broughtToFrontWithItsDialog() {
    QWidget window;
    window.setObjectName("window");
    window.show();
    QDialog dialog(&window);
    dialog.setObjectName("dialog");
    dialog.setModal(true);
    dialog.show();
    window.showMinimized();
    QApplication::processEvents();
    BringToFront(window);
    QApplication::processEvents();
    QVERIFY(!window.isMinimized());
    QCOMPARE(QApplication::activeWindow(), &dialog);
  }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
