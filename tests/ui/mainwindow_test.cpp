// The main window's flows: start-up and selection, Options, close, New Site, Delete Site and
// Edit/Build Site (Rotate Now! and its messages are tested in the model).
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextDocument>
#include <QtTest>
#include <filesystem>

#include "app/mainwindow.h"
#include "model/siteoptions.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

constexpr char kTwoSites[] = "[Sites]\r\nSite_1=First\r\nSite_2=Second\r\n";

QString Shown(TfrmMain& window, const char* label) {
  return window.findChild<QLabel*>(QString(label) + "Value")->text();
}

bool Enabled(TfrmMain& window, const char* button) {
  return window.findChild<QPushButton*>(button)->isEnabled();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Start-up offers the sample navigation images when they are there and lists the catalogue with
  // nothing selected; selecting fills the panel (the site model fills it: here only that it is
  // shown), and the Options dialog switches rotations over, Rotate Now! following at once.
  void startUpSelectAndOptions_data() {
    QTest::addColumn<bool>("on");  // Samples there and rotations on
    QTest::newRow("samples, rotations on") << true;
    QTest::newRow("no samples, rotations off") << false;
  }
  void startUpSelectAndOptions() {
    QFETCH(bool, on);
    DataDir data(on);
    data.Write("sites.ini", kTwoSites);
    data.Write("options.ini", std::string("[Options]\r\nUseRotations=") + (on ? "True" : "False"));
    data.Write("Site_2.ini",
               "[General]\r\nName=Second\r\nPath=/srv/second/\r\nLivePath=/srv/live/\r\n"
               "AutoRotate=True\r\nCurrentRotationPosition=3\r\nRotationCount=4\r\n");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    QCOMPARE(window.state().settings.Previous_Page_File.empty(), !on);
    QCOMPARE(window.state().settings.prev_next_image_buttons, on);
    auto* list = window.findChild<QListWidget*>("lbxSites");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentRow(), -1);
    for (const char* button : {"btnDeleteSite", "btnSiteOptions", "btnEditSite"}) {
      QVERIFY(!Enabled(window, button));
    }
    QCOMPARE(Enabled(window, "btnRotateNow"), on);
    list->setCurrentRow(1);
    QCOMPARE(Shown(window, "lblSiteName"), QString("Second"));
    QCOMPARE(Shown(window, "lblRotations"), on ? QString("4") : QString("N/A"));
    QCOMPARE(Shown(window, "lblCopyTo"), on ? QString("/srv/live/") : QString());
    QVERIFY(Enabled(window, "btnEditSite"));
    doubles.dialogs.Queue([&](QDialog& dialog) {
      dialog.findChild<QAbstractButton*>(on ? "rdbSingleVersion" : "rdbRotations")->click();
      return Click(dialog, "btnOK");
    });
    Click(window, "btnOptions");
    QCOMPARE(Enabled(window, "btnRotateNow"), !on);
    QCOMPARE(Shown(window, "lblRotations"), on ? QString("N/A") : QString("4"));
    QVERIFY(doubles.ui.messages().empty());
  }

  void namesThatLookLikeMarkupAreShownAsTyped() {
    DataDir data;
    data.Write("sites.ini", "[Sites]\r\nSite_1=<i>Tag</i>\r\n");
    data.Write("Site_1.ini", "[General]\r\nName=<i>Tag</i>\r\nPath=/srv/a&amp;b/\r\n");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    auto* list = window.findChild<QListWidget*>("lbxSites");
    list->setCurrentRow(0);
    auto* name = window.findChild<QLabel*>("lblSiteNameValue");
    QCOMPARE(name->textFormat(), Qt::PlainText);
    QCOMPARE(name->text(), QString("<i>Tag</i>"));
    for (const QString& tip : {name->toolTip(), list->item(0)->toolTip()}) {
      QTextDocument shown;
      shown.setHtml(tip);
      QCOMPARE(shown.toPlainText(), QString("<i>Tag</i>"));
    }
    QTextDocument location;
    location.setHtml(window.findChild<QLabel*>("lblLocationValue")->toolTip());
    QCOMPARE(location.toPlainText(), QString("/srv/a&amp;b/"));
  }

  void editSiteOpensSiteOptionsOnlyWithoutPath_data() {
    QTest::addColumn<bool>("with_path");
    QTest::newRow("no Path") << false;
    QTest::newRow("with Path") << true;
  }
  void editSiteOpensSiteOptionsOnlyWithoutPath() {
    QFETCH(bool, with_path);
    DataDir data;
    data.Write("sites.ini", kTwoSites);
    data.Write("Site_1.ini",
               "[General]\r\nName=First\r\n" + (with_path ? "Path=" + data.path + "\r\n" : ""));
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    doubles.dialogs.Queue([with_path](QDialog& dialog) {
      return Click(dialog, with_path ? "btnClose" : "btnCancel");
    });
    // A double-click selects the site and runs Edit/Build Site.
    window.lbxSitesDblClick(0);
    QCOMPARE(window.findChild<QListWidget*>("lbxSites")->currentRow(), 0);
    QCOMPARE(doubles.dialogs.opened,
             std::vector<QString>{with_path ? "dlgEditSite" : "dlgSiteOptions"});
    QVERIFY(doubles.ui.messages().empty());
  }

  void closeWritesTheSettings_data() {
    QTest::addColumn<bool>("blocked");
    QTest::newRow("written") << false;
    // A directory holds the options file's name, so it cannot be replaced (a read-only data
    // directory would not stop root, who runs the tests in CI).
    QTest::newRow("options.ini cannot be written") << true;
  }
  void closeWritesTheSettings() {
    QFETCH(bool, blocked);
    DataDir data;
    if (blocked) std::filesystem::create_directory(data.path + "options.ini");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    window.state().options.UseRotations = true;
    window.state().recent.image_styles = {"/t/b.htm"};
    window.close();
    // One message for the failure; the lists are still written after it.
    QCOMPARE(doubles.ui.texts(),
             blocked ? std::vector<std::string>{std::string(kSaveSettingsFailedMessage)}
                     : std::vector<std::string>{});
    if (blocked) QCOMPARE(doubles.ui.messages()[0].kind, MessageKind::Plain);
    if (!blocked) QVERIFY(data.Read("options.ini").find("UseRotations=True") != std::string::npos);
    QCOMPARE(data.Read("recent_image_styles.txt"), std::string("/t/b.htm\r\n"));
    QVERIFY(!data.Exists("recent_styles.txt"));  // an empty list leaves its file alone
  }

  void newSiteCancelledLeavesNothing() {
    DataDir data;
    data.Write("sites.ini", "[Sites]\r\n");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    doubles.dialogs.Queue([&](QDialog& dialog) {
      // While the site options are open the new site is listed and selected.
      auto* list = window.findChild<QListWidget*>("lbxSites");
      if (list->count() != 1 || list->currentRow() != 0) return int(QDialog::Accepted);
      return Click(dialog, "btnCancel");
    });
    Click(window, "btnNewSite");
    QCOMPARE(doubles.dialogs.opened.size(), size_t{1});
    QCOMPARE(window.findChild<QListWidget*>("lbxSites")->count(), 0);
    QVERIFY(!data.Exists("Site_1.ini"));
    QVERIFY(!data.Exists("Site_1"));
  }

  void deleteSiteAsksAndFollowsTheAnswer_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes deletes") << true;
    QTest::newRow("No keeps") << false;
  }
  void deleteSiteAsksAndFollowsTheAnswer() {
    QFETCH(bool, yes);
    DataDir data;
    data.Write("sites.ini", kTwoSites);
    std::filesystem::create_directory(data.path + "first");
    data.Write("first/notes.txt", "not an image");
    data.Write("Site_1.ini", "[General]\r\nName=First\r\nPath=%/first/\r\n");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    window.findChild<QListWidget*>("lbxSites")->setCurrentRow(0);
    doubles.ui.QueueAnswer(yes ? Answer::Yes : Answer::No);
    Click(window, "btnDeleteSite");
    QCOMPARE(doubles.ui.texts(),
             std::vector<std::string>{
                 "Are you sure you want to delete the current site, First?  \r\n\r\nNote: This "
                 "will also delete the directory, " +
                 data.path + "first/ and all files that it contains!"});
    auto* list = window.findChild<QListWidget*>("lbxSites");
    QCOMPARE(list->count(), yes ? 1 : 2);
    QCOMPARE(data.Exists("first/notes.txt"), !yes);
    QCOMPARE(data.Exists("Site_1.ini"), !yes);
    QCOMPARE(Shown(window, "lblSiteName"), yes ? QString() : QString("First"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
