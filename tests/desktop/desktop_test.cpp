// The desktop's flows, driven through the context: the main window (start-up and selection,
// Options, Edit/Build Site, close) and Site Options; the site editor (the template choice with the
// compliance dialog, Build! and its dialog, Build All, the add-images dialog and files dropped onto
// an image list); the header and footer editors and the page settings; and the message boxes and
// prompt every flow shows. The rules behind them (rotations, builds, lists, snippets, messages) are
// tested in the core.
#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <filesystem>

#include "addimages/sharedthumbs.h"
#include "desktop/addimages/addimagesdialog.h"
#include "desktop/addimages/thumbgridview.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/headerfooter/headerfooterdialog.h"
#include "desktop/headerfooter/headerfooterlineedit.h"
#include "desktop/headerfooter/htmleditordialog.h"
#include "desktop/mainwindow/mainwindow.h"
#include "desktop/pagesettings/pagesettingsdialog.h"
#include "desktop/publish/publishdialog.h"
#include "desktop/siteeditor/editsitedialog.h"
#include "desktop/siteoptions/siteoptionsdialog.h"
#include "desktopsupport.h"
#include "publish/sshserver_support.h"
#include "templates/htmleditor.h"

using namespace parvel;
using namespace parvel::test;

namespace {

// `count` small photographs (160x120, quick thumbnails) a.jpg, b.jpg... in `folder`.
void Photos(const std::string& folder, int count) {
  std::filesystem::create_directories(folder);
  for (int i = 0; i < count; ++i)
    std::filesystem::copy_file(testing::DataFile("pool/p10.jpg"),
                               folder + std::string(1, char('a' + i)) + ".jpg");
}

std::vector<int> Selection(ThumbGrid& grid) {
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

// The items of the list widget named `name` inside `parent`.
QStringList Items(const QWidget& parent, const char* name) {
  QStringList items;
  for (auto* list = Find<QListWidget>(parent, name); items.size() < list->count();)
    items << list->item(int(items.size()))->text();
  return items;
}

// The catalogue's one site, "First", whose directory is site/ in the test's data directory, with
// `count` rotations holding `images` photographs each and a template that passes, and the site
// editor open on it (the main window, made on the same data directory, lists that site).
struct EditorFixture {
  EditorFixture(bool rotations, int count, int images) : site(data.path + "site/") {
    data.Write("sites.ini", "[Sites]\r\nSite_1=First\r\n");
    data.Write("Site_1.ini", "[General]\r\nName=First\r\nPath=" + site +
                                 "\r\nRotationCount=" + std::to_string(count) + "\r\n");
    data.Write("thumbs.htm", "<html><body>***INDEX***<br>***CONTENT***</body></html>");
    data.Write("options.ini", rotations ? "[Options]\r\nUseRotations=True\r\n" : "");
    app.options.UseRotations = rotations;
    for (int n = 1; n <= count; ++n) Photos(RotationDir(n), images);
    app.catalogue.ReadSites();
    app.catalogue.rebuildSiteNameList();
    app.catalogue.SelectSite(0, rotations);
    editor = std::make_unique<EditSiteDialog>(doubles.context(), app);
    if (!editor->Open()) qFatal("the editor did not open");
    app.settings.Style_File = data.path + "thumbs.htm";
    if (rotations) Click(*editor, "btnApplyToAll");  // every rotation builds with this template
  }
  // Rotation n's default directory, with "/" (the site directory itself without rotations).
  std::string RotationDir(int n) const {
    return app.options.UseRotations ? site + "Rotation_" + std::to_string(n) + "/" : site;
  }

  DataDir data;
  std::string site;
  Doubles doubles;
  AppState app;
  std::unique_ptr<EditSiteDialog> editor;
};

constexpr char kCancelQuestion[] = "Are you sure you want to cancel processing of your Site Build?";

// Works the next message box: notes its default button and presses Enter where the keyboard's
// focus is in it (as a person's Enter lands), or clicks its Yes button.
struct NextBox {
  int default_button = -1;  // a QMessageBox::StandardButton
  QString text;
  explicit NextBox(bool yes = false) {
    QTimer::singleShot(0, [this, yes] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) qFatal("no message box opened");
      text = box->text();
      default_button = box->standardButton(box->defaultButton());
      if (yes) {
        box->button(QMessageBox::Yes)->click();
      } else {
        QWidget* focus = box->focusWidget();
        QTest::keyClick(focus ? focus : box, Qt::Key_Return);
      }
    });
  }
};

void SetText(QWidget& parent, const char* name, const QString& text) {
  Find<QLineEdit>(parent, name)->setText(text);
}
QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// What every named input control of the page settings shows.
std::map<QString, QString> Controls(QWidget& dialog) {
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

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir home_;  // the add-images dialog's first folder and the shared thumbnails

 private slots:
  // Start-up offers the sample navigation images when they are there and lists the catalogue
  // with nothing selected; selecting fills the panel, and Options switches rotations over; a
  // close that cannot write the settings says so. Both with the Samples folder there and rotations
  // on, and without either.
  void startUpSelectAndOptions() {
    for (const bool on : {true, false}) {
      DataDir data(on);
      data.Write("sites.ini", "[Sites]\r\nSite_1=First\r\nSite_2=<i>Second</i>\r\n");
      data.Write("options.ini",
                 std::string("[Options]\r\nUseRotations=") + (on ? "True" : "False"));
      data.Write("Site_2.ini",
                 "[General]\r\nName=<i>Second</i>\r\nPath=/srv/second/\r\nLivePath=/srv/live/\r\n"
                 "AutoRotate=True\r\nRotationCount=4\r\n");
      Doubles doubles;
      MainWindow window(doubles.context());
      window.show();
      QCOMPARE(window.state().settings.prev_next_image_buttons, on);
      QVERIFY(!Find(window, "btnEditSite")->isEnabled());  // nothing selected
      QCOMPARE(Find(window, "btnRotateNow")->isEnabled(), on);
      Find<QListWidget>(window, "lbxSites")->setCurrentRow(1);
      QCOMPARE(Find<QLabel>(window, "lblSiteNameValue")->text(), QString("<i>Second</i>"));
      QCOMPARE(Find<QLabel>(window, "lblSiteNameValue")->textFormat(), Qt::PlainText);  // as typed
      QCOMPARE(Find<QLabel>(window, "lblRotationsValue")->text(), on ? "4" : "N/A");
      QVERIFY(Find(window, "btnEditSite")->isEnabled());
      doubles.dialogs.Queue([&](QDialog& dialog) {
        Find<QAbstractButton>(dialog, on ? "rdbSingleVersion" : "rdbRotations")->click();
        return Click(dialog, "btnOK");
      });
      Click(window, "btnOptions");
      QCOMPARE(Find(window, "btnRotateNow")->isEnabled(), !on);
      QCOMPARE(Find<QLabel>(window, "lblRotationsValue")->text(), on ? "N/A" : "4");
      doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Rejected); });
      auto* sites = Find<QListWidget>(window, "lbxSites");
      emit sites->itemDoubleClicked(sites->item(1));  // Edit/Build Site
      QCOMPARE(doubles.dialogs.opened, std::vector<QString>({"dlgOptions", "dlgEditSite"}));
      QVERIFY(doubles.ui.messages().empty());
      // A directory holds the options file's name, so it cannot be replaced: closing says so
      // once, and the lists are still written after it.
      std::filesystem::remove(data.path + "options.ini");
      std::filesystem::create_directory(data.path + "options.ini");
      window.state().recent.image_styles = {"/t/b.htm"};
      window.close();
      QCOMPARE(doubles.ui.texts(),
               std::vector<std::string>{
                   "Error encountered saving your settings!  You may be out of disk space!"});
      QCOMPARE(data.Read("recent_image_styles.txt"), std::string("/t/b.htm\r\n"));
    }
  }

  // Rotate Now! runs the rotation program of the data directory (the real one), waits for it and
  // shows what it said; the panel then shows the next rotation the program saved.
  void rotateNowWaitsAndShowsWhatTurnwheelSaid() {
    DataDir data;
    const std::string live = data.path + "live";
    data.Write("sites.ini", "[Sites]\r\nSite_1=First\r\n");
    data.Write("options.ini", "[Options]\r\nUseRotations=True\r\n");
    data.Write("Site_1.ini", "[General]\r\nName=First\r\nPath=" + data.path +
                                 "site/\r\nLivePath=" + live +
                                 "\r\nAutoRotate=True\r\nCurrentRotationPosition=2\r\n"
                                 "RotationCount=2\r\n");
    for (const char* n : {"1", "2"})
      data.Write(std::string("site/Rotation_") + n + "/Index.html", std::string("page ") + n);
    std::filesystem::copy_file(PARVEL_TURNWHEEL, data.path + "turnwheel");
    Doubles doubles;
    MainWindow window(doubles.context());
    window.show();
    Find<QListWidget>(window, "lbxSites")->setCurrentRow(0);
    QCOMPARE(Find<QLabel>(window, "lblNextRotationValue")->text(), QString("2"));
    Click(window, "btnRotateNow");
    QCOMPARE(testing::ReadFile(live + "/Index.html"), std::string("page 2"));
    QCOMPARE(doubles.ui.texts(), std::vector<std::string>{"Site_1 (First): Rotation 2 is live in " +
                                                          live + "; next rotation: 1"});
    QCOMPARE(doubles.ui.messages()[0].kind, MessageKind::Information);
    QCOMPARE(Find<QLabel>(window, "lblNextRotationValue")->text(), QString("1"));
    QVERIFY(Find(window, "btnRotateNow")->isEnabled());
    QVERIFY(Find(window, "lbxSites")->isEnabled());
    // A rotation that cannot go live: the program's reason, as a warning; the number stays.
    std::filesystem::remove(data.path + "site/Rotation_1/Index.html");
    Click(window, "btnRotateNow");
    QCOMPARE(
        doubles.ui.texts().back(),
        "Site_1 (First): Rotation 1 is not built (" + data.path +
            "site/Rotation_1 holds no "
            "Index.html); the live directory is unchanged\nturnwheel ended with exit status 1.");
    QCOMPARE(doubles.ui.messages().back().kind, MessageKind::Warning);
    QCOMPARE(Find<QLabel>(window, "lblNextRotationValue")->text(), QString("1"));
  }

  // The site's location and live directory must be full paths (the stored "%/" form is one), or
  // an sftp:// live directory, taken as typed; the publish address must be an sftp:// one.
  void siteOptionsStoreFullPathsAndAddresses() {
    DataDir data;
    Doubles doubles;
    Catalogue catalogue;
    catalogue.site().SiteKey = "Site_1";
    SiteOptionsDialog dialog(doubles.context(), catalogue, true);
    SetText(dialog, "edtName", "First");
    SetText(dialog, "edtPath", "%/site/");
    Click(dialog, "chkAutoRotate");
    SetText(dialog, "edtLivePath", "live");
    QCOMPARE(Click(dialog, "btnOK"), int(QDialog::Rejected));
    SetText(dialog, "edtLivePath", "sftp://me@example.com/srv/live");
    SetText(dialog, "edtPublishURL", "www.example.com/site");
    QCOMPARE(Click(dialog, "btnOK"), int(QDialog::Rejected));
    QCOMPARE(doubles.ui.texts(),
             (std::vector<std::string>{"The directory to copy the rotation to, live, is not a full "
                                       "path!  Enter a directory that begins with /.",
                                       PublishUrlMessage("www.example.com/site")}));
    SetText(dialog, "edtPublishURL", "sftp://me@example.com/srv/www");
    doubles.ui.QueueAnswer(Answer::Yes);  // create the missing directory
    QCOMPARE(Click(dialog, "btnOK"), int(QDialog::Accepted));
    QVERIFY(std::filesystem::exists(data.path + "site/"));
    QCOMPARE(catalogue.site().Publish_URL, std::string("sftp://me@example.com/srv/www"));
    QCOMPARE(catalogue.site().LivePath, std::string("sftp://me@example.com/srv/live"));
  }

  // Every box shows its text as typed, with its kind's icon and buttons; Escape or a button gives
  // its answer. The prompt shows its question as typed and returns the text, or nothing on Escape.
  void boxesPromptAndDetails() {
    const QString text = "<b>x.jpg</b> &amp; <i>y</i>";
    QtInteraction ui;
    using B = QMessageBox;
    for (const auto& [kind, buttons, icon, shown, press, answer] :
         {std::tuple{MessageKind::Information, Buttons::Ok, B::Information,
                     B::StandardButtons(B::Ok), B::NoButton, Answer::Ok},
          {MessageKind::Warning, Buttons::OkCancel, B::Warning, B::Ok | B::Cancel, B::NoButton,
           Answer::Cancel},
          {MessageKind::Confirmation, Buttons::YesNo, B::Question, B::Yes | B::No, B::NoButton,
           Answer::No},
          {MessageKind::Plain, Buttons::YesNoCancel, B::NoIcon, B::Yes | B::No | B::Cancel,
           B::NoButton, Answer::Cancel},
          {MessageKind::Confirmation, Buttons::YesAllNoAllCancel, B::Question,
           B::Yes | B::YesToAll | B::No | B::NoToAll | B::Cancel, B::YesToAll, Answer::YesToAll},
          {MessageKind::Confirmation, Buttons::YesAllNoAllCancel, B::Question,
           B::Yes | B::YesToAll | B::No | B::NoToAll | B::Cancel, B::NoToAll, Answer::NoToAll}}) {
      const auto box = MakeMessageBox(nullptr, kind, text, buttons);
      QCOMPARE(box->windowTitle(), QString("Parvel Pro"));
      QCOMPARE(box->icon(), icon);
      QCOMPARE(box->standardButtons(), shown);
      QCOMPARE(Find<QLabel>(*box, "qt_msgbox_label")->textFormat(), Qt::PlainText);
      QTimer::singleShot(0, [press] {  // Escape, or the button
        auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (press == B::NoButton)
          QTest::keyClick(open, Qt::Key_Escape);
        else
          open->button(press)->click();
      });
      QCOMPARE(ui.Message(kind, text.toStdString(), buttons), answer);
    }
    const auto dialog = MakePromptDialog(nullptr, "Pages", "<b>How many?</b>", "4");
    QCOMPARE(Find<QLabel>(*dialog, "lblQuestion")->textFormat(), Qt::PlainText);
    QTimer::singleShot(0, [] {
      Find<QLineEdit>(*QApplication::activeModalWidget(), "edtAnswer")->setText("7");
      QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
    });
    QCOMPARE(ui.Prompt("Pages", "How many?", "4"), std::optional<std::string>("7"));
    QTimer::singleShot(0,
                       [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    QCOMPARE(ui.Prompt("Pages", "How many?", "4"), std::optional<std::string>());
    // A box with details (the reason logged before it) answers Return with its default button,
    // also once the details were opened with their button: that button takes only a click. (Were
    // Return to toggle the details, the box would stay open and Escape below would answer Cancel.)
    ui.Log("Writing /site/a.jpg: No space left on device");
    QTimer::singleShot(0, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      CHECK_EQ(box->detailedText(), QString("Writing /site/a.jpg: No space left on device"));
      QAbstractButton* details = nullptr;
      for (QAbstractButton* button : box->buttons())
        if (box->buttonRole(button) == QMessageBox::ActionRole) details = button;
      CHECK_EQ(details != nullptr, true);
      QTest::mouseClick(details, Qt::LeftButton);  // the details open; the button has the focus
      // The key goes where the keyboard is: the box's focus widget.
      QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
      // Still open: Escape. (Once answered, the box is gone and the next one is not touched.)
      QTimer::singleShot(0, [still = QPointer<QMessageBox>(box)] {
        if (still) QTest::keyClick(still, Qt::Key_Escape);
      });
    });
    QCOMPARE(
        ui.Message(MessageKind::Warning, "Error encountered copying the file", Buttons::OkCancel),
        Answer::Ok);
  }

  void initTestCase() {
    // No keyring in the tests: the lookup fails at once instead of starting a bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CACHE_HOME", (home_.path() + "/cache").toUtf8());
  }

  // Build! offers the images in their order (Up moves the first to the last place); Cancel during
  // a build asks and Yes stops it, leaving the dialog open, saying so and the Status as it was;
  // Escape asks and No goes on; Start makes every page, asks about the preview with the bar full,
  // and the editor shows the site built.
  void buildMakesEveryPageAndShowsTheSiteBuilt() {
    EditorFixture f(false, 1, 21);
    const QString status_line = Find<QLabel>(*f.editor, "lblStatus")->text();
    int value = -1, maximum = -2;
    f.doubles.dialogs.Queue([&](QDialog& dialog) {
      dialog.show();
      Find<QListWidget>(dialog, "lbxImages")->setCurrentRow(0);
      Click(dialog, "btnUp");
      CHECK_EQ(Items(dialog, "lbxImages").back(), QString("a.jpg"));
      // At the build's first checkpoint.
      QTimer::singleShot(0, &dialog, [&] { Click(dialog, "btnCancel"); });
      f.doubles.ui.QueueAnswer(Answer::Yes);
      Click(dialog, "btnStart");
      CHECK_EQ(dialog.isVisible(), true);
      CHECK_EQ(std::filesystem::exists(f.RotationDir(1) + "Index.html"), false);
      CHECK_EQ(Find<QLabel>(dialog, "lblMessage")->text(), QString("The build was cancelled."));
      CHECK_EQ(Find<QProgressBar>(dialog, "prgBuild")->value(), 0);
      CHECK_EQ(Find<QLabel>(*f.editor, "lblStatus")->text(), status_line);
      QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
      auto* bar = Find<QProgressBar>(dialog, "prgBuild");
      f.doubles.ui.on_message = [&, bar](std::string_view text) {
        if (text.starts_with("Your build has been completed.")) {
          value = bar->value();
          maximum = bar->maximum();
        }
      };
      f.doubles.ui.QueueAnswer(Answer::No);  // go on
      f.doubles.ui.QueueAnswer(Answer::No);  // no preview
      return Click(dialog, "btnStart");
    });
    Click(*f.editor, "btnBuild");
    f.doubles.ui.on_message = nullptr;
    QCOMPARE(f.doubles.ui.texts(),
             (std::vector<std::string>{
                 kCancelQuestion, kCancelQuestion,
                 "Your build has been completed.  Would you like to preview it now?"}));
    QVERIFY(maximum > 1);
    QCOMPARE(value, maximum);
    QVERIFY(std::filesystem::exists(f.RotationDir(1) + "Index2.html"));
    QVERIFY(std::filesystem::exists(f.RotationDir(1) + "thumbs/a_thb.jpg"));
    QCOMPARE(int(f.app.settings.Status), int(RotationStatus::Built));
    QCOMPARE(Find<QLabel>(*f.editor, "lblStatus")->text(), QString("This Site has been built"));
    QVERIFY(Find(*f.editor, "btnPreview")->isEnabled());
  }

  // Build All starts each rotation by itself, asks no preview question, and reads the rotation
  // list again after each build: the second rotation's dialog opens with the first shown built.
  void buildAllStartsEachRotationAndRefreshesTheList() {
    EditorFixture f(true, 3, 2);
    QStringList during;
    f.doubles.dialogs.Queue([](QDialog& d) { return d.exec(); });
    f.doubles.dialogs.Queue([&](QDialog& d) {
      during = Items(*f.editor, "lbxRotations");
      return d.exec();
    });
    f.doubles.dialogs.Queue([](QDialog& d) { return d.exec(); });
    Click(*f.editor, "btnBuildAll");
    QVERIFY(f.doubles.ui.messages().empty());
    QCOMPARE(during.size(), 3);
    QVERIFY2(during[0].endsWith(" : 2 Images : Built"), qPrintable(during[0]));
    QVERIFY2(during[1].endsWith(" : NOT BUILT"), qPrintable(during[1]));
    for (const QString& entry : Items(*f.editor, "lbxRotations"))
      QVERIFY2(entry.endsWith(" : 2 Images : Built"), qPrintable(entry));
  }

  // Site editor -> list editor -> snippet maker -> HTML editor, with the list editor's Load.. of a
  // list with an empty entry, Save as.., Clear All (which asks), and a save that fails and keeps
  // the dialog open (the list file rules and messages are tested in the core); the footer's snippet
  // maker, which stores only on OK.
  // Then the template choice: a failing template shows NOT FOUND and OK asks (No keeps the dialog
  // open); after a test, Test Compliance stays greyed whatever else runs, until the template's
  // text changes. Browse takes a file only when the compliance dialog is left with OK. View Page
  // names the page it could not open.
  void siteEditorOpensTheEditorItsChoiceAsks() {
    EditorFixture f(false, 1, 0);
    const std::string long_entry = "<p>" + std::string(40000, 'x') + "</p>";
    const std::string list_file = long_entry + "\r\n\r\nCaf\xE9 \x93quoted\x94\xA0!\r\n";
    f.data.Write("list.txt", list_file);
    f.data.Write("blocker", "a file where a folder should be");
    Find<QComboBox>(*f.editor, "cmbHeader")->setCurrentIndex(2);
    f.doubles.dialogs.Queue([&](QDialog& list) {
      CHECK_EQ(list.windowTitle(), QString("Edit Header List"));
      const QString name = Find<QLineEdit>(list, "edtFileName")->text();
      f.doubles.chooser.files = {Q(f.data.path + "list.txt")};
      Click(list, "btnLoad");
      CHECK_EQ(Items(list, "lbxEntries"),
               (QStringList{Q(long_entry), "",
                            QString::fromUtf8("Caf\u00e9 \u201cquoted\u201d\u00a0!")}));
      for (int row : {0, 2}) {  // through Modify and the HTML editor as they were
        Find<QListWidget>(list, "lbxEntries")->setCurrentRow(row);
        f.doubles.dialogs.Queue([&, row](QDialog& maker) {
          CHECK_EQ(Find<HeaderFooterLineEdit>(maker, "edtHtml")->text().size(),
                   row == 0 ? qsizetype(40007) : qsizetype(15));
          f.doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Accepted); });
          Click(maker, "btnEdit");
          return Click(maker, "btnOK");
        });
        Click(list, "btnModify");
      }
      f.doubles.chooser.saves = {Q(f.data.path + "copy.txt")};
      Click(list, "btnSave");
      f.doubles.ui.QueueAnswer(Answer::Yes);
      Click(list, "btnClearAll");
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        auto* html = Find<HeaderFooterLineEdit>(maker, "edtHtml");
        html->setText(QString(999, 'a'));  // typing stops at a thousand characters, not setText
        html->moveCursor(QTextCursor::End);
        QTest::keyClicks(html, "bcd");
        CHECK_EQ(html->text(), QString(999, 'a') + "b");
        html->setText(QString(2000, 'x'));
        CHECK_EQ(html->text().size(), qsizetype(2000));
        html->setText("line one|line two");
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
      SetText(list, "edtFileName", Q(f.data.path + "blocker/list.txt"));
      CHECK_EQ(Click(list, "btnOK"), int(QDialog::Rejected));  // cannot be saved: stays open
      SetText(list, "edtFileName", name);
      return Click(list, "btnOK");
    });
    Click(*f.editor, "btnEditHeader");
    QCOMPARE(f.app.settings.Header_File, f.data.path + "Site_1_Headers.txt");
    QCOMPARE(f.data.Read("Site_1_Headers.txt"), std::string("line one|line two|line three\r\n"));
    QCOMPARE(f.data.Read("copy.txt"), list_file);

    f.app.settings.Footer_HTML = "<B>Hi</B>";
    Find<QComboBox>(*f.editor, "cmbFooter")->setCurrentIndex(1);
    for (const bool ok : {false, true}) {
      f.doubles.dialogs.Queue([&](QDialog& maker) {
        CHECK_EQ(Find<HeaderFooterLineEdit>(maker, "edtHtml")->text(), QString("<B>Hi</B>"));
        Find<QAbstractButton>(maker, "rbText")->setChecked(true);
        CHECK_EQ(Find(maker, "edtHtml")->isEnabled(), false);
        SetText(maker, "edtTextLink", " index.html ");
        SetText(maker, "edtText", "Home");
        return ok ? Click(maker, "btnOK") : int(QDialog::Rejected);
      });
      Click(*f.editor, "btnEditFooter");
      QCOMPARE(f.app.settings.Footer_HTML,
               std::string(ok ? "<A HREF=\"index.html\">Home</A>" : "<B>Hi</B>"));
    }
    QCOMPARE(f.doubles.dialogs.opened,
             std::vector<QString>({"dlgHeaderFooter", "dlgNewHeaderFooter", "frmRichEdit",
                                   "dlgNewHeaderFooter", "frmRichEdit", "dlgNewHeaderFooter",
                                   "frmRichEdit", "dlgNewHeaderFooter", "dlgNewHeaderFooter"}));
    QCOMPARE(f.doubles.ui.messages().size(), 2u);  // Clear All's question, the failed save:
    QCOMPARE(f.doubles.ui.texts().back(),
             "Error encountered saving your Header List file," + f.data.path + "blocker/list.txt!");

    f.doubles.ui.Clear();
    const std::string bad = f.data.path + "bad.htm", good = f.data.path + "Good.htm";
    f.data.Write("bad.htm", "<html>***content*** ***INDEX***</html>");
    f.data.Write("Good.htm", "<html>***CONTENT***</html>");
    auto* style = Find<QComboBox>(*f.editor, "cmbStyleFile");
    auto* test = Find(*f.editor, "btnTestCompliance");
    style->setEditText(Q(bad));
    QVERIFY(test->isEnabled());
    f.doubles.dialogs.Queue([&](QDialog& dialog) {
      CHECK_EQ(Find<QLabel>(dialog, "lblContentFound")->text(), QString("- NOT FOUND!"));
      CHECK_EQ(Find<QLabel>(dialog, "lblIndexFound")->text(), QString("- Found"));
      f.doubles.ui.QueueAnswer(Answer::No);
      CHECK_EQ(Click(dialog, "btnOK"), int(QDialog::Rejected));
      f.doubles.ui.QueueAnswer(Answer::Yes);
      return Click(dialog, "btnOK");
    });
    Click(*f.editor, "btnTestCompliance");
    QCOMPARE(f.doubles.ui.messages().size(), size_t(2));
    QVERIFY(!test->isEnabled());
    emit Find<QListWidget>(*f.editor, "lbxRotations")->currentRowChanged(0);  // shown again
    QVERIFY(!test->isEnabled());
    f.doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Rejected); });
    Click(*f.editor, "btnOtherSettings");
    QVERIFY(!test->isEnabled());
    f.doubles.chooser.files = {Q(good), Q(good)};
    f.doubles.dialogs.Queue([](QDialog& dialog) { return Click(dialog, "btnCancel"); });
    f.doubles.dialogs.Queue([](QDialog& dialog) { return Click(dialog, "btnOK"); });
    Click(*f.editor, "btnBrowseStyle");
    QCOMPARE(f.app.settings.Style_File, bad);
    Click(*f.editor, "btnBrowseStyle");
    QCOMPARE(f.app.settings.Style_File, good);
    style->setEditText(Q(f.data.path + "thumbs.htm"));
    QVERIFY(test->isEnabled());
    f.doubles.ui.Clear();
    f.doubles.ui.FailOpening();
    Click(*f.editor, "btnViewPage");
    QCOMPARE(f.doubles.ui.texts(),
             std::vector<std::string>{"The desktop could not open " + f.data.path + "thumbs.htm!"});
  }

  // Every page's controls go to the settings and come back from the settings file as they were;
  // a colour picked with "Other" shows its value; help opens each page's topic. Then the HTML
  // editor: its buttons follow the text, its selection and the clipboard; an insert goes before
  // the selection; Preview writes the preview file; typing stops at a thousand characters.
  void pageSettingsRoundTripAndHtmlEditor() {
    Doubles f;
    DataDir data;
    SiteSettings settings;
    RecentTemplates recent;
    TemplateMarkers markers;
    PageSettingsDialog dialog(f.context(), settings, recent, markers);
    data.Write("image.htm", "<html>***CONTENT***</html>");
    for (const char* name : {"prev.gif", "next.gif"}) data.Write(name, "GIF89a");
    f.chooser.colours.push_back(QColor(255, 128, 0));
    std::map<QString, QString> before;
    f.dialogs.Queue([&](QDialog& d) {
      for (const char* name :
           {"rdbNormal", "rdbHorizontal", "rdbIndexCustomFont", "rdbDisplayAsPage",
            "chkMaxImageSize", "chkKorrinLink", "chkPrevNextImageButtons", "chkWebImages",
            "chkHiDpiThumbnails", "chkLazyLoading"})
        Click(d, name);  // on the pages Thumbnails, Page Index (2), Image Display, Page Text, Other
      Find<QSpinBox>(d, "spnWebImageSize")->setValue(1600);
      Find<QSpinBox>(d, "spnWebImageQuality")->setValue(70);
      Find<QSpinBox>(d, "spnThumbWidth")->setValue(150);
      Find<QLineEdit>(d, "edtPageNumberPrefix")->setText("Seite");
      for (const auto& [name, item] : {std::pair{"cmbDisplayedColour", 8},
                                       {"cmbOtherColour", kColourOtherItem},
                                       {"cmbIndexFontSize", 5},
                                       {"cmbFontSize", 0},
                                       {"cmbDisplayMethod", 2}}) {
        Find<QComboBox>(d, name)->setCurrentIndex(item);
        emit Find<QComboBox>(d, name)->activated(item);
      }
      Find<QComboBox>(d, "cmbIndexFont")->setEditText("Arial,Helvetica");
      Find<QComboBox>(d, "cmbImageTemplate")->setEditText(Q(data.path + "image.htm"));
      Find<QSpinBox>(d, "spnImageWidth")->setValue(1024);
      SetText(d, "edtPreviousFile", Q(data.path + "prev.gif"));
      SetText(d, "edtNextFile", Q(data.path + "next.gif"));
      before = Controls(d);
      auto* tabs = Find<QTabWidget>(d, "pgcSettings");
      for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        Click(d, "btnHelp");
      }
      return Click(d, "btnOK");
    });
    QCOMPARE(dialog.Open(), int(QDialog::Accepted));
    QCOMPARE(f.ui.help_topics(), (std::vector<int>{31, 32, 32, 33, 34, 36}));
    QCOMPARE(before["edtOtherColour"], QString("#FF8000"));
    QCOMPARE(settings.Other_Page_Text_Colour, Colour::Of(0x000080FF));
    QCOMPARE(settings.Web_Image_Size, 1600);
    QCOMPARE(settings.Web_Image_Quality, 70);
    QVERIFY(settings.HiDPI_Thumbnails && settings.Lazy_Loading);
    const SiteContext site{"Site_1", data.path, false};
    QVERIFY(SaveRotation(f.ui, settings, site, 1, SavedKeys::WithStatusAndPath));
    settings = SiteSettings{};
    QVERIFY(LoadRotation(f.ui, settings, site, 1, {.with_path = true, .make_current = true}));
    f.dialogs.Queue([&](QDialog& d) {
      for (const auto& [name, value] : Controls(d))
        CHECK_EQ(name + "=" + value, name + "=" + before[name]);
      return Click(d, "btnCancel");
    });
    QCOMPARE(dialog.Open(), int(QDialog::Rejected));
    QVERIFY(f.ui.messages().empty());
    QGuiApplication::clipboard()->clear();
    HtmlEditorDialog editor(f.context(), "");
    auto* text = Find<QPlainTextEdit>(editor, "memText");
    for (const char* name : {"btnUndo", "btnCut", "btnPaste", "btnPreview"})
      QVERIFY2(!Find(editor, name)->isEnabled(), name);
    QGuiApplication::clipboard()->setText("<HR>");
    QVERIFY(Find(editor, "btnPaste")->isEnabled());
    QTest::keyClicks(text, "abcd");
    QVERIFY(Find(editor, "btnUndo")->isEnabled() && Find(editor, "btnPreview")->isEnabled());
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
    QVERIFY(Find(editor, "btnCut")->isEnabled());
    Find<QAction>(editor, "mnuItem15")->trigger();
    QCOMPARE(text->toPlainText(), QString("a</I>bcd"));
    QVERIFY(!Find(editor, "btnCut")->isEnabled());
    Click(editor, "btnPreview");
    QCOMPARE(f.ui.opened(), std::vector<std::string>{PreviewFileName()});
    QCOMPARE(data.Read("~prev.htm"), std::string("<BODY>\r\na</I>bcd\r\n</BODY>"));
    text->setPlainText(QString(997, 'x'));
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "abcdef");
    QVERIFY(text->toPlainText().endsWith("xabc"));
    // A browser that cannot be started gives the editor's own warning.
    f.ui.FailOpening();
    Click(editor, "btnPreview");
    QCOMPARE(f.ui.messages().at(0).kind, MessageKind::Warning);
    // Open.. (rich text, text or all files) reads a file's lines and honours the read-only box;
    // Print prints them under the program's title, and says when it could not.
    data.Write("snippet.txt", "<B>Quiz</B>|\r\nJumped\r\n");
    for (const bool read_only : {true, false}) {
      f.chooser.files = {Q(data.path + "snippet.txt")};
      f.chooser.read_only = {read_only};
      Click(editor, "btnOpen");
      QCOMPARE(text->toPlainText(), QString("<B>Quiz</B>|\nJumped\n"));
      QCOMPARE(text->isReadOnly(), read_only);
    }
    QCOMPARE(f.chooser.open_filter,
             QString("Rich Text Files (*.RTF);;Text Files (*.TXT);;All Files (*)"));
    for (const char* pdf : {"out.pdf", "no/such/folder/out.pdf"}) {
      f.chooser.pdf = Q(data.path + pdf);
      Click(editor, "btnPrint");
    }
    const QByteArray title =
        QStringEncoder(QStringEncoder::Utf16BE)(u'\uFEFF' + QString(kProductName));
    QVERIFY(QByteArray::fromStdString(data.Read("out.pdf")).contains("/Title (" + title + ")"));
    QCOMPARE(f.ui.texts(), (std::vector<std::string>{std::string(kPreviewFailedMessage),
                                                     "The HTML could not be printed!"}));
    editor.reject();  // closing takes the preview file away
    QVERIFY(!std::filesystem::exists(data.path + "~prev.htm"));
  }

  // Select Images from the site editor the main window opens: in the grid a click, Ctrl+click and
  // Shift+click select (the selection rules themselves are the grid's own tests'), the arrows,
  // Home and End move the current file and select it alone, Shift extends the selection from the
  // anchor (and shrinks it again), Ctrl+A selects every file, and the Copy button follows. Copy
  // or Return copies into the rotation chosen in the dialog, over existing files asking once with
  // Yes to All: the rest follow the answer; the thumbnails the grid made are in the shared cache.
  // The site editor, its page settings and its add-images dialog are made once: the second
  // opening finds the same dialogs, the add-images one on the folder and selection it was left.
  // Then files dropped onto an image list.
  void addImagesSelectsCopiesAndIsKeptBetweenOpenings() {
    EditorFixture f(true, 2, 0);
    const std::string photos = f.data.path + "photos/";
    Photos(photos, 7);
    MainWindow window(f.doubles.context());
    window.show();
    emit Find<QListWidget>(window, "lbxSites")->currentRowChanged(0);
    std::vector<QDialog*> seen;
    for (const Answer answer : {Answer::YesToAll, Answer::NoToAll}) {
      for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        f.data.Write("site/Rotation_2/" + std::string(name), "OLD");
      f.doubles.dialogs.Queue([&](QDialog& editor) {
        seen.push_back(&editor);
        f.doubles.dialogs.Queue([&](QDialog& dialog) {
          seen.push_back(&dialog);
          auto& add = static_cast<AddImagesDialog&>(dialog);
          add.show();
          ThumbGridView& view = *add.grid();
          ThumbGrid& grid = view.grid();
          const int cols = grid.ColCount();
          if (answer == Answer::YesToAll) {
            add.ChooseFolder(photos);
            CHECK_EQ(cols >= 2 && cols < 7, true);
            const struct {
              int click;  // the item clicked, or -1: the key pressed
              Qt::Key key;
              Qt::KeyboardModifiers modifiers;
              std::vector<int> selected;
              int current;
            } steps[] = {
                {1, Qt::Key_unknown, Qt::NoModifier, {1}, 1},
                {1, Qt::Key_unknown, Qt::ControlModifier, {}, 1},
                {0, Qt::Key_unknown, Qt::NoModifier, {0}, 0},
                {2, Qt::Key_unknown, Qt::ShiftModifier, {0, 1, 2}, 2},
                {-1, Qt::Key_Right, Qt::NoModifier, {3}, 3},
                {-1, Qt::Key_Right, Qt::ShiftModifier, {3, 4}, 4},
                {-1, Qt::Key_Right, Qt::ShiftModifier, {3, 4, 5}, 5},
                {-1, Qt::Key_Left, Qt::ShiftModifier, {3, 4}, 4},  // shrinks
                {-1, Qt::Key_End, Qt::ShiftModifier, Range(3, 6), 6},
                {-1, Qt::Key_Home, Qt::NoModifier, {0}, 0},
                {-1, Qt::Key_Down, Qt::NoModifier, {cols}, cols},
                {-1, Qt::Key_Up, Qt::ShiftModifier, Range(0, cols), 0},  // from the new anchor
                {-1, Qt::Key_A, Qt::ControlModifier, Range(0, 6), 0},
            };
            for (const auto& step : steps) {
              const GridRect cell = grid.InsetCell(std::max(step.click, 0));
              if (step.click < 0)
                QTest::keyClick(&view, step.key, step.modifiers);
              else
                QTest::mouseClick(view.viewport(), Qt::LeftButton, step.modifiers,
                                  QPoint(cell.left + cell.width / 2, cell.top + cell.height / 2));
              CHECK_EQ(Selection(grid), step.selected);
              CHECK_EQ(grid.Current(), step.current);
              const auto count = step.selected.size();
              CHECK_EQ(Find<QAbstractButton>(add, "btnCopy")->text(),
                       count ? QString("Copy these %1 images to the current Site").arg(count)
                             : QString("Copy to current Site"));
              CHECK_EQ(Find(add, "btnCopy")->isEnabled(), count > 0);
            }
            CHECK_EQ(
                QTest::qWaitFor([&] { return view.VisibleComplete() && !view.Working(); }, 10000),
                true);
          }
          CHECK_EQ(add.folder(), photos);
          CHECK_EQ(Selection(grid), Range(0, 6));
          CHECK_EQ(Find<QAbstractButton>(add, "btnCopy")->text(),
                   QString("Copy these 7 images to the current Site"));
          Find<QComboBox>(add, "cmbRotation")->setCurrentIndex(1);
          add.ChooseRotation(1);
          f.doubles.ui.QueueAnswer(answer);
          if (answer == Answer::YesToAll)
            Click(add, "btnCopy");
          else
            QTest::keyClick(&view, Qt::Key_Return);
          CHECK_EQ(Items(add, "lbxImages").size(), 7);
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
      Click(window, "btnEditSite");
      for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        QCOMPARE(f.data.Read("site/Rotation_2/" + std::string(name)) != "OLD",
                 answer == Answer::YesToAll);
      QVERIFY(std::filesystem::exists(f.RotationDir(2) + "g.jpg"));
      QCOMPARE(f.doubles.ui.messages().back().buttons, Buttons::YesAllNoAllCancel);
    }
    QCOMPARE(f.doubles.ui.messages().size(), 2u);  // one question each time, and nothing else
    QCOMPARE(seen.size(), 6u);
    QCOMPARE(std::vector<QDialog*>(seen.begin(), seen.begin() + 3),
             std::vector<QDialog*>(seen.begin() + 3, seen.end()));
    QCOMPARE(f.doubles.dialogs.unused(), 0u);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
      QVERIFY(std::filesystem::exists(SharedThumbnailCache(SharedThumbnailCache::DefaultRoot())
                                          .ThumbnailPath(photos + name, SharedThumbSize::Normal)));
    // Files dropped onto the image list are copied, whatever the source proposed; a source that
    // allows no copy is told that nothing was taken.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Q(photos + "a.jpg"))});
    auto* list = Find<QListWidget>(*f.editor, "lbxImages");
    for (const auto& [actions, reported] :
         {std::pair{Qt::DropActions(Qt::MoveAction), Qt::IgnoreAction},
          {Qt::CopyAction | Qt::MoveAction, Qt::CopyAction}}) {
      QDragEnterEvent enter(QPoint(5, 5), actions, &mime, Qt::LeftButton, Qt::NoModifier);
      enter.setDropAction(Qt::MoveAction);
      QApplication::sendEvent(list->viewport(), &enter);
      QDropEvent drop(QPointF(5, 5), actions, &mime, Qt::LeftButton, Qt::NoModifier);
      drop.setDropAction(Qt::MoveAction);
      if (enter.isAccepted()) QApplication::sendEvent(list->viewport(), &drop);
      QCOMPARE(enter.isAccepted() && drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction,
               reported);
    }
    QCOMPARE(Items(*f.editor, "lbxImages"), QStringList{"a.jpg"});
    QVERIFY(std::filesystem::exists(photos + "a.jpg"));
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
  // The three questions that delete (the image list's Delete key, Delete Rotation, Delete Site)
  // in the real message box: they ask with No as the default (their texts and that caution are
  // the core's), so Enter deletes nothing; Yes sends the files to the desktop's Trash (a Trash of
  // the test program's own, see support/testsupport.h).
  void enterDeletesNothingAndYesSendsToTheTrash() {
    testing::EmptyTrash();
    EditorFixture f(true, 2, 2);
    QtInteraction ui;
    const ViewContext context{ui, f.doubles.chooser, f.doubles.dialogs};
    EditSiteDialog editor(context, f.app);
    QVERIFY(editor.Open());
    editor.show();
    QSet<QChar> keys;  // each Alt+letter reaches one button (two make Qt only move the focus)
    for (const auto* button : editor.findChildren<QAbstractButton*>()) {
      const QString text = button->text();
      const qsizetype amp = text.indexOf('&');
      if (amp < 0 || amp + 1 >= text.size()) continue;
      QVERIFY2(!keys.contains(text.at(amp + 1).toUpper()), qPrintable(text));
      keys.insert(text.at(amp + 1).toUpper());
    }
    auto* images = Find<QListWidget>(editor, "lbxImages");
    images->selectAll();
    NextBox enter;
    QTest::keyClick(images, Qt::Key_Delete);
    QCOMPARE(enter.default_button, int(QMessageBox::No));
    QCOMPARE(enter.text, QString("Are you sure you want to delete these 2 files?"));
    QCOMPARE(images->count(), 2);
    images->clearSelection();
    images->item(1)->setSelected(true);
    NextBox(true), QTest::keyClick(images, Qt::Key_Delete);
    QCOMPARE(images->count(), 1);
    QVERIFY(std::filesystem::exists(testing::TrashFolder() + "files/b.jpg"));

    auto* rotations = Find<QListWidget>(editor, "lbxRotations");
    rotations->setCurrentRow(1);
    NextBox yes(true);
    Click(editor, "btnDeleteRotation");
    QVERIFY(yes.text.startsWith("Are you sure you want to remove Rotation 2"));
    QCOMPARE(rotations->count(), 1);

    MainWindow window(context);
    window.show();
    auto* sites = Find<QListWidget>(window, "lbxSites");
    sites->setCurrentRow(0);
    NextBox(true), Click(window, "btnDeleteSite");
    QCOMPARE(sites->count(), 0);
  }

  // Publish shows its dialog, sends the rotation and says so; without an address or a build it
  // says what is missing and opens nothing. Then the password question.
  void publishSendsTheRotationAndAsksPasswords() {
    DataDir data;
    testing::SshServer server;
    QVERIFY(server.Start());
    server.SetKnownHosts(testing::SshServer::Known::Real);
    testing::TempDir site;
    SiteRecord record;
    record.BaseHTMLName = "Index.html";
    Doubles doubles;
    QVERIFY(!PublishFromEditor(doubles.context(), record, site.path(), {}, nullptr));
    record.Publish_URL =
        std::string("sftp://") + testing::SshServer::kAlias + server.Scratch("www");
    QVERIFY(!PublishFromEditor(doubles.context(), record, site.path(), {}, nullptr));
    QCOMPARE(doubles.ui.texts().size(), size_t(2));
    QVERIFY(doubles.dialogs.opened.empty());
    doubles.ui.Clear();

    testing::WriteFile(site / "Index.html", "<img src=a.jpg>");
    testing::WriteFile(site / "a.jpg", std::string(1 << 20, 'a'));
    doubles.dialogs.Queue([](QDialog& dialog) { return dialog.exec(); });
    QVERIFY(PublishFromEditor(doubles.context(), record, site.path(), {}, nullptr));
    QCOMPARE(doubles.dialogs.opened, std::vector<QString>{"dlgPublish"});
    QCOMPARE(doubles.ui.texts().size(), size_t(1));
    QVERIFY(doubles.ui.texts()[0].find("2 files sent") != std::string::npos);
    QCOMPARE(testing::ReadTree(server.Scratch("www")), testing::ReadTree(site.path()));

    // Cancel pressed before the first block: nothing new is put in place.
    testing::WriteFile(site / "a.jpg", std::string(1 << 20, 'b'));
    doubles.ui.Clear();
    doubles.dialogs.Queue([](QDialog& dialog) {
      Click(dialog, "btnCancelPublish");
      return dialog.exec();
    });
    QVERIFY(!PublishFromEditor(doubles.context(), record, site.path(), {}, nullptr));
    QVERIFY(doubles.ui.texts()[0].find("was cancelled") != std::string::npos);
    QCOMPARE(testing::ReadFile(server.Scratch("www/a.jpg")), std::string(1 << 20, 'a'));

    // The password is typed in a hidden field; remembering it is off until ticked.
    DesktopQuestions questions(doubles.context(), nullptr);
    doubles.dialogs.Queue([](QDialog& dialog) {
      CHECK_EQ(Find<QLineEdit>(dialog, "edtPassword")->echoMode(), QLineEdit::Password);
      CHECK_EQ(Find<QCheckBox>(dialog, "chkRememberPassword")->isChecked(), false);
      SetText(dialog, "edtPassword", "s3cret");
      return int(QDialog::Accepted);
    });
    QCOMPARE(questions.Password("me@host", 1), std::optional<std::string>("s3cret"));
    doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Rejected); });
    QCOMPARE(questions.Password("me@host", 2), std::optional<std::string>());
    QCOMPARE(doubles.dialogs.opened,
             (std::vector<QString>{"dlgPublish", "dlgPublish", "dlgPassword", "dlgPassword"}));
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
