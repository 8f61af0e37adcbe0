// The site editor's wiring: opening a new site, the template choice with the compliance dialog,
// and the image list's Delete key (the rotation actions themselves are tested in the model).
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

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
    QCOMPARE(Text(editor, "lblImagesHeading"), heading);
    // Listing the new rotation's images counts it as changed.
    QCOMPARE(Stored(f.app.settings.Status), 1);
    QCOMPARE(editor.findChild<QPushButton*>("btnNewRotation")->isVisibleTo(&editor), rotations);
    QCOMPARE(editor.findChild<QPushButton*>("btnDeleteRotation")->isVisibleTo(&editor), rotations);
    for (const char* name : {"btnApplyToAll", "btnBuildAll"})
      QCOMPARE(Enabled(editor, name), rotations);
    for (const char* name : {"btnEditHeader", "btnEditFooter", "btnPreview", "btnTestCompliance"})
      QVERIFY2(!Enabled(editor, name), name);
    QVERIFY(Enabled(editor, "btnSelectImages"));  // the new rotation is loaded
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
