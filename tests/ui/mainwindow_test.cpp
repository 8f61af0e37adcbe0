// The main window's flows (start-up and selection, Options, Edit/Build Site, Delete Site, close),
// the Site Options dialog, and the message boxes and prompt every flow shows. New Site and Rotate
// Now! are tested in the model.
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "app/mainwindow.h"
#include "app/qtinteraction.h"
#include "model/siteoptions.h"
#include "model/ui/siteoptionsdialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

Q_DECLARE_METATYPE(parvel::MessageKind)
Q_DECLARE_METATYPE(parvel::Buttons)
Q_DECLARE_METATYPE(parvel::Answer)

namespace {

constexpr char kTwoSites[] = "[Sites]\r\nSite_1=First\r\nSite_2=<i>Second</i>\r\n";

QString Shown(TfrmMain& window, const char* label) {
  return Find<QLabel>(window, (std::string(label) + "Value").c_str())->text();
}

// Presses `key` in the next modal box that opens.
void PressInNextBox(Qt::Key key) {
  QTimer::singleShot(0, [key] { QTest::keyClick(QApplication::activeModalWidget(), key); });
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Start-up offers the sample navigation images when they are there and lists the catalogue
  // with nothing selected; selecting fills the panel, and Options switches rotations over.
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
               "[General]\r\nName=<i>Second</i>\r\nPath=/srv/second/\r\nLivePath=/srv/live/\r\n"
               "AutoRotate=True\r\nRotationCount=4\r\n");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    QCOMPARE(window.state().settings.prev_next_image_buttons, on);
    auto* list = Find<QListWidget>(window, "lbxSites");
    QCOMPARE(list->currentRow(), -1);
    QVERIFY(!Enabled(window, "btnEditSite"));
    QCOMPARE(Enabled(window, "btnRotateNow"), on);
    list->setCurrentRow(1);
    QCOMPARE(Shown(window, "lblSiteName"), QString("<i>Second</i>"));  // as typed
    QCOMPARE(Find<QLabel>(window, "lblSiteNameValue")->textFormat(), Qt::PlainText);
    QCOMPARE(Shown(window, "lblRotations"), on ? QString("4") : QString("N/A"));
    QVERIFY(Enabled(window, "btnEditSite"));
    doubles.dialogs.Queue([&](QDialog& dialog) {
      Find<QAbstractButton>(dialog, on ? "rdbSingleVersion" : "rdbRotations")->click();
      return Click(dialog, "btnOK");
    });
    Click(window, "btnOptions");
    QCOMPARE(Enabled(window, "btnRotateNow"), !on);
    QCOMPARE(Shown(window, "lblRotations"), on ? QString("N/A") : QString("4"));
    doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Rejected); });
    window.lbxSitesDblClick(1);  // Edit/Build Site
    QCOMPARE(doubles.dialogs.opened.back(), QString("dlgEditSite"));
    QVERIFY(doubles.ui.messages().empty());
  }

  // A directory holds the options file's name, so it cannot be replaced: one message, and the
  // lists are still written after it.
  void closeSaysWhenTheSettingsCannotBeWritten() {
    DataDir data;
    std::filesystem::create_directory(data.path + "options.ini");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    window.state().recent.image_styles = {"/t/b.htm"};
    window.close();
    QCOMPARE(doubles.ui.texts(),
             std::vector<std::string>{
                 "Error encountered saving your settings!  You may be out of disk space!"});
    QCOMPARE(data.Read("recent_image_styles.txt"), std::string("/t/b.htm\r\n"));
  }

  // Delete Site asks (its text is in the message table) and Yes removes the site and its folder.
  void deleteSiteAsksAndDeletes() {
    DataDir data;
    data.Write("sites.ini", kTwoSites);
    data.Write("Site_1.ini", "[General]\r\nName=First\r\nPath=%/first/\r\n");
    std::filesystem::create_directory(data.path + "first");
    Doubles doubles;
    TfrmMain window(doubles.seams());
    window.show();
    Find<QListWidget>(window, "lbxSites")->setCurrentRow(0);
    doubles.ui.QueueAnswer(Answer::Yes);
    Click(window, "btnDeleteSite");
    QCOMPARE(doubles.ui.messages().size(), 1u);
    QCOMPARE(Items(window, "lbxSites"), QStringList{"<i>Second</i>"});
    QVERIFY(!data.Exists("first"));
  }

  // The site's location and live directory must be full paths (the stored "%/" form is one).
  void siteOptionsRequireFullPaths() {
    for (const auto& [path, live] : {std::pair{"/srv/site/", "live"}, {"%/site/", "/srv/live/"}}) {
      const bool accepted = path[0] == '%';
      DataDir data;
      Doubles doubles;
      Catalogue catalogue;
      catalogue.site().SiteKey = "Site_1";
      TdlgSiteOptions dialog(doubles.seams(), catalogue, true);
      Find<QLineEdit>(dialog, "edtName")->setText("First");
      Find<QLineEdit>(dialog, "edtPath")->setText(path);
      Click(dialog, "chkAutoRotate");
      Find<QLineEdit>(dialog, "edtLivePath")->setText(live);
      if (accepted) doubles.ui.QueueAnswer(Answer::Yes);  // create the missing directory
      QCOMPARE(Click(dialog, "btnOK") == QDialog::Accepted, accepted);
      QCOMPARE(data.Exists("site/"), accepted);
      QCOMPARE(doubles.ui.texts().back().find("is not a full path") != std::string::npos,
               !accepted);
    }
  }

  // Every box shows its text as typed, with its kind's icon and buttons; Escape gives its answer.
  void boxes_data() {
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<Answer>("escape");
    QTest::newRow("information") << MessageKind::Information << Buttons::Ok
                                 << int(QMessageBox::Information) << Answer::Ok;
    QTest::newRow("warning") << MessageKind::Warning << Buttons::OkCancel
                             << int(QMessageBox::Warning) << Answer::Cancel;
    QTest::newRow("confirmation") << MessageKind::Confirmation << Buttons::YesNo
                                  << int(QMessageBox::Question) << Answer::No;
    QTest::newRow("plain") << MessageKind::Plain << Buttons::YesNoCancel << int(QMessageBox::NoIcon)
                           << Answer::Cancel;
  }
  void boxes() {
    QFETCH(MessageKind, kind);
    QFETCH(Buttons, buttons);
    QFETCH(int, icon);
    QFETCH(Answer, escape);
    const QString text = "<b>x.jpg</b> &amp; <i>y</i>";
    const auto box = MakeMessageBox(nullptr, kind, text, buttons);
    QCOMPARE(box->windowTitle(), QString("Parvel Pro"));
    QCOMPARE(int(box->icon()), icon);
    QCOMPARE(Find<QLabel>(*box, "qt_msgbox_label")->textFormat(), Qt::PlainText);
    QtInteraction ui;
    PressInNextBox(Qt::Key_Escape);
    QCOMPARE(ui.Message(kind, text.toStdString(), buttons), escape);
  }

  void promptShowsThePlainQuestionAndReturnsTheText() {
    QtInteraction ui;
    const auto dialog = MakePromptDialog(nullptr, "Pages", "<b>How many?</b>", "4");
    QCOMPARE(Find<QLabel>(*dialog, "lblQuestion")->textFormat(), Qt::PlainText);
    QTimer::singleShot(0, [] {
      Find<QLineEdit>(*QApplication::activeModalWidget(), "edtAnswer")->setText("7");
      QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
    });
    QCOMPARE(ui.Prompt("Pages", "How many?", "4"), std::optional<std::string>("7"));
    PressInNextBox(Qt::Key_Escape);
    QCOMPARE(ui.Prompt("Pages", "How many?", "4"), std::optional<std::string>());
  }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
