// The site editor's flows: opening a new site, the rotation actions, the copy dialog, the
// template choice with the compliance dialog, and the image list's Delete key.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <filesystem>

#include "model/inifile.h"
#include "model/paths.h"
#include "model/ui/editsitedialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

bool Enabled(const QWidget& parent, const char* name) {
  return parent.findChild<QWidget*>(name)->isEnabled();
}

QString Text(const QWidget& parent, const char* name) {
  return parent.findChild<QLabel*>(name)->text();
}

std::optional<std::string> Saved(const std::string& section, const std::string& key) {
  IniFile ini(SiteSettingsFileName("Site_1"));
  ini.Load();
  return ini.Get(section, key);
}

}  // namespace

class EditSiteTest : public QObject {
  Q_OBJECT

 private slots:
  void newSiteGetsItsFirstRotationAtOnce_data() {
    QTest::addColumn<bool>("rotations");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("heading");
    QTest::newRow("rotations on") << true << "Rotation 1 : 0 Images : NOT BUILT"
                                  << "This Rotation contains the following images:";
    QTest::newRow("rotations off") << false << "Current Site  : 0 Images : NOT BUILT"
                                   << "This Site contains the following images:";
  }
  void newSiteGetsItsFirstRotationAtOnce() {
    QFETCH(bool, rotations);
    QFETCH(QString, entry);
    QFETCH(QString, heading);
    EditorFixture f(rotations, "RotationCount=0\r\n");
    QVERIFY(f.Open());
    const TdlgEditSite& editor = *f.editor;
    QCOMPARE(Items(editor, "lbxRotations"), QStringList{entry});
    QVERIFY(std::filesystem::is_directory(f.RotationDir(1)));
    QCOMPARE(Saved("General", "RotationCount"), std::optional<std::string>("1"));
    QCOMPARE(Text(editor, "lblImagesHeading"), heading);
    QCOMPARE(Text(editor, "lblImageCount"), QString("0 Images"));
    QCOMPARE(Text(editor, "lblSiteName"), QString("First"));
    // Listing the new rotation's images counts it as changed.
    QCOMPARE(f.app.settings.Status, 1);
    QCOMPARE(editor.findChild<QPushButton*>("btnNewRotation")->isVisibleTo(&editor), rotations);
    QCOMPARE(editor.findChild<QPushButton*>("btnDeleteRotation")->isVisibleTo(&editor), rotations);
    for (const char* name : {"btnApplyToAll", "btnBuildAll"})
      QCOMPARE(Enabled(editor, name), rotations);
    for (const char* name :
         {"btnEditHeader", "btnEditFooter", "btnSelectImages", "btnPreview", "btnTestCompliance"})
      QVERIFY2(!Enabled(editor, name), name);
    QVERIFY(f.doubles.ui.messages().empty());
    // Other Layout Settings opens the page settings on the same record.
    f.doubles.dialogs.Queue([&](QDialog& dialog) {
      dialog.findChild<QSpinBox*>("spnThumbWidth")->setValue(123);
      return int(QDialog::Accepted);
    });
    Click(*f.editor, "btnOtherSettings");
    QCOMPARE(f.doubles.dialogs.opened.back(), QString("dlgThumbOptions"));
    QCOMPARE(f.app.settings.Thumb_Width, 123);
  }

  void deleteRotationOnlyOnTheLastAndMissingDirectoryKeepsTheRotation() {
    EditorFixture f(true, "RotationCount=4\r\n");
    for (int n = 1; n <= 3; ++n) std::filesystem::create_directories(f.RotationDir(n));
    QVERIFY(f.Open());
    TdlgEditSite& editor = *f.editor;
    auto* list = editor.findChild<QListWidget*>("lbxRotations");
    QCOMPARE(list->item(3)->text(), QString("Rotation 4 : ERROR! Not found!"));
    // Rotation 4's directory is missing: the status line says so, rotation 3 stays loaded.
    list->setCurrentRow(2);
    list->setCurrentRow(3);
    const std::string missing = f.site + "Rotation_4";
    QCOMPARE(Text(editor, "lblStatus"), QString::fromStdString("Error!  The directory, " + missing +
                                                               ", could not be located!"));
    QCOMPARE(editor.editor().current_rotation(), 3);
    f.doubles.ui.QueueAnswer(Answer::Yes);
    Click(editor, "btnDeleteRotation");  // the last entry: its section goes, rotation 3 stays
    QCOMPARE(Items(editor, "lbxRotations").size(), 3);
    for (int row = 0; row < 3; ++row) {
      list->setCurrentRow(row);
      QCOMPARE(Enabled(editor, "btnDeleteRotation"), row == 2);
    }
    f.doubles.ui.QueueAnswer(Answer::Yes);
    Click(editor, "btnDeleteRotation");
    QCOMPARE(f.doubles.ui.texts().back(),
             "Are you sure you want to remove Rotation 3 and delete all files in the directory, " +
                 f.site + "Rotation_3?");
    QCOMPARE(Saved("General", "RotationCount"), std::optional<std::string>("2"));
    QVERIFY(!Saved("Rotation_3", "Rotation_Path"));
    QVERIFY(!std::filesystem::exists(f.RotationDir(3)));
    QVERIFY(std::filesystem::exists(f.RotationDir(2)));
    QCOMPARE(Items(editor, "lbxRotations").size(), 2);
    QVERIFY(f.doubles.ui.unexpected().empty());
  }

  void copySettingsThenCloseKeepsTheRotationsPathAndStatus() {
    EditorFixture f(true,
                    "RotationCount=1\r\n[Rotation_1]\r\nStatus=2\r\nThumb_Width=100\r\n"
                    "Rotation_Path=%/site/Rotation_1\r\n");
    std::filesystem::create_directories(f.RotationDir(1));
    f.data.Write("sites.ini", "[Sites]\r\nSite_1=First\r\nSite_2=Second\r\n");
    f.data.Write("Site_2.ini",
                 "[General]\r\nName=Second\r\nPath=/nowhere/\r\nRotationCount=2\r\n"
                 "[Rotation_2]\r\nThumb_Width=222\r\nStatus=1\r\nRotation_Path=/nowhere/x/\r\n");
    f.app.catalogue.ReadSites();
    f.app.catalogue.rebuildSiteNameList();
    f.app.catalogue.SelectSite(0, true);
    QVERIFY(f.Open());
    TdlgEditSite& editor = *f.editor;
    f.doubles.dialogs.Queue([&](QDialog& dialog) {
      auto* sites = dialog.findChild<QComboBox*>("cmbSites");
      CHECK_EQ(sites->currentText(), QString("First"));
      sites->setCurrentIndex(1);
      CHECK_EQ(Items(dialog, "lbxRotations").size(), qsizetype(2));
      // OK without a chosen rotation keeps the dialog open.
      Click(dialog, "btnOK");
      CHECK_EQ(f.doubles.ui.texts(),
               std::vector<std::string>{"You have not selected a rotation to copy settings from!"});
      dialog.findChild<QListWidget*>("lbxRotations")->setCurrentRow(1);
      return Click(dialog, "btnOK");
    });
    Click(editor, "btnCopySettings");
    QCOMPARE(f.app.settings.Thumb_Width, 222);
    Click(editor, "btnClose");
    QCOMPARE(Saved("Rotation_1", "Thumb_Width"), std::optional<std::string>("222"));
    QCOMPARE(Saved("Rotation_1", "Rotation_Path"), std::optional<std::string>("%/site/Rotation_1"));
    QCOMPARE(Saved("Rotation_1", "Status"), std::optional<std::string>("2"));
  }

  void templateChoiceTestsAndTakesOnlyAcceptedTemplates() {
    EditorFixture f(false, "RotationCount=1\r\n");
    const std::string bad = f.data.path + "bad.htm";
    const std::string good = f.data.path + "Good.htm";
    f.data.Write("bad.htm", "<html>***content*** ***INDEX***</html>");
    f.data.Write("Good.htm", "<html>***CONTENT***</html>");
    f.app.recent.styles = {good};
    QVERIFY(f.Open());
    TdlgEditSite& editor = *f.editor;
    auto* choice = editor.findChild<QComboBox*>("cmbStyleFile");
    choice->setEditText(QString::fromStdString(bad));
    QCOMPARE(f.app.settings.Style_File, bad);
    // A failing template: NOT FOUND, and OK asks; No keeps the dialog open.
    f.doubles.dialogs.Queue([&](QDialog& dialog) {
      CHECK_EQ(dialog.windowTitle(), QString("HTML Compliance"));
      CHECK_EQ(Text(dialog, "lblContentFound"), QString("- NOT FOUND!"));
      CHECK_EQ(Text(dialog, "lblIndexFound"), QString("- Found"));
      f.doubles.ui.QueueAnswer(Answer::No);
      Click(dialog, "btnOK");
      CHECK_EQ(dialog.result(), int(QDialog::Rejected));
      f.doubles.ui.QueueAnswer(Answer::Yes);
      return Click(dialog, "btnOK");
    });
    Click(editor, "btnTestCompliance");
    QCOMPARE(f.doubles.ui.messages().size(), size_t(2));
    QVERIFY(!Enabled(editor, "btnTestCompliance"));
    // Browse takes a file only when the compliance dialog is left with OK.
    f.doubles.chooser.files = {QString::fromStdString(good), QString::fromStdString(good)};
    f.doubles.dialogs.Queue([](QDialog& dialog) { return Click(dialog, "btnCancel"); });
    f.doubles.dialogs.Queue([](QDialog& dialog) { return Click(dialog, "btnOK"); });
    Click(editor, "btnBrowseStyle");
    QCOMPARE(f.app.settings.Style_File, bad);
    Click(editor, "btnBrowseStyle");
    QCOMPARE(f.app.settings.Style_File, good);
    QVERIFY(Enabled(editor, "btnTestCompliance"));
    // The same template typed in another letter case is not listed twice.
    choice->setEditText(QString::fromStdString(f.data.path + "GOOD.HTM"));
    emit choice->lineEdit()->editingFinished();
    QCOMPARE(f.app.recent.styles, std::vector<std::string>{good});
    QCOMPARE(f.doubles.ui.messages().size(), size_t(2));
  }

  void deleteKeyAsksOnceForSeveralImages() {
    EditorFixture f(false, "RotationCount=1\r\n");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
      f.data.Write("site/" + std::string(name), "x");
    QVERIFY(f.Open());
    TdlgEditSite& editor = *f.editor;
    QCOMPARE(Text(editor, "lblImageCount"), QString("4 Images"));
    auto* list = editor.findChild<QListWidget*>("lbxImages");
    for (int row : {0, 2, 3}) list->item(row)->setSelected(true);
    f.doubles.ui.QueueAnswer(Answer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(f.doubles.ui.texts(),
             std::vector<std::string>{"Are you sure you want to delete these 3 files?"});
    QCOMPARE(Items(editor, "lbxImages"), QStringList{"b.jpg"});
    QCOMPARE(Text(editor, "lblImageCount"), QString("1 Images"));
  }
};

QTEST_MAIN(EditSiteTest)
#include "editsite_test.moc"
