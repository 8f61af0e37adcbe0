// The three questions that delete (Delete Site, Delete Rotation, the image list's Delete key) in
// the real message box: No is its default button, so Enter deletes nothing; Yes sends the files
// to the desktop's Trash (a Trash of the test program's own, see support/testsupport.h).
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "app/mainwindow.h"
#include "app/qtinteraction.h"
#include "model/ui/editsitedialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

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

// Site_1, "First", in the data directory's folder site/, with two rotations of two photographs.
struct SiteOnDisk {
  DataDir data;
  std::string site = data.path + "site/";
  SiteOnDisk() {
    data.Write("options.ini", "[Options]\r\nUseRotations=True\r\n");
    data.Write("sites.ini", "[Sites]\r\nSite_1=First\r\n");
    data.Write("Site_1.ini", "[General]\r\nName=First\r\nPath=" + site +
                                 "\r\nRotationCount=2\r\n[Rotation_1]\r\nRotation_Path=" + site +
                                 "Rotation_1\r\n[Rotation_2]\r\nRotation_Path=" + site +
                                 "Rotation_2\r\n");
    for (const char* file : {"Rotation_1/a.jpg", "Rotation_1/b.jpg", "Rotation_2/c.jpg"})
      testing::WriteFile(site + file, file);
  }
};

}  // namespace

class DeleteTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { testing::EmptyTrash(); }

  void enterDoesNotDeleteTheSite() {
    SiteOnDisk disk;
    QtInteraction ui;
    ScriptedChooser chooser;
    ScriptedDialogs dialogs;
    TfrmMain window(Seams{ui, chooser, dialogs});
    window.show();
    Find<QListWidget>(window, "lbxSites")->setCurrentRow(0);
    const testing::Tree before = testing::ReadTree(disk.data.path);
    NextBox enter;
    Click(window, "btnDeleteSite");
    QVERIFY(enter.text.startsWith("Are you sure you want to delete the current site, First?"));
    QCOMPARE(enter.default_button, int(QMessageBox::No));
    QCOMPARE(testing::ReadTree(disk.data.path), before);
    QCOMPARE(Find<QListWidget>(window, "lbxSites")->count(), 1);

    NextBox yes(true);
    Click(window, "btnDeleteSite");
    QCOMPARE(Find<QListWidget>(window, "lbxSites")->count(), 0);
    QVERIFY(!std::filesystem::exists(disk.site));
    QCOMPARE(testing::ReadFile(testing::TrashFolder() + "files/site/Rotation_2/c.jpg"),
             std::string("Rotation_2/c.jpg"));
  }

  void enterDoesNotDeleteTheRotationNorTheImages() {
    SiteOnDisk disk;
    QtInteraction ui;
    ScriptedChooser chooser;
    ScriptedDialogs dialogs;
    AppState app;
    app.options.UseRotations = true;
    app.catalogue.ReadSites();
    app.catalogue.SelectSite(0, true);
    TdlgEditSite editor(Seams{ui, chooser, dialogs}, app);
    QVERIFY(editor.Open());
    editor.show();

    // The image list's Delete key, on one photograph and on two.
    auto* images = Find<QListWidget>(editor, "lbxImages");
    QCOMPARE(images->count(), 2);
    for (const int chosen : {1, 2}) {
      images->clearSelection();
      for (int row = 0; row < chosen; ++row) images->item(row)->setSelected(true);
      NextBox enter;
      QTest::keyClick(images, Qt::Key_Delete);
      QCOMPARE(enter.default_button, int(QMessageBox::No));
      QCOMPARE(enter.text, chosen == 1 ? QString("Are you sure you want to delete the file, a.jpg?")
                                       : QString("Are you sure you want to delete these 2 files?"));
      QCOMPARE(images->count(), 2);
    }
    images->clearSelection();
    images->item(1)->setSelected(true);
    {
      NextBox yes(true);
      QTest::keyClick(images, Qt::Key_Delete);
    }
    QCOMPARE(images->count(), 1);
    QVERIFY(std::filesystem::exists(testing::TrashFolder() + "files/b.jpg"));

    // Delete Rotation of the last rotation.
    Find<QListWidget>(editor, "lbxRotations")->setCurrentRow(1);
    QVERIFY(Find(editor, "btnDeleteRotation")->isEnabled());
    {
      NextBox enter;
      Click(editor, "btnDeleteRotation");
      QVERIFY(enter.text.startsWith("Are you sure you want to remove Rotation 2"));
      QCOMPARE(enter.default_button, int(QMessageBox::No));
    }
    QCOMPARE(Find<QListWidget>(editor, "lbxRotations")->count(), 2);
    QVERIFY(std::filesystem::exists(disk.site + "Rotation_2/c.jpg"));
    {
      NextBox yes(true);
      Click(editor, "btnDeleteRotation");
    }
    QCOMPARE(Find<QListWidget>(editor, "lbxRotations")->count(), 1);
    QVERIFY(!std::filesystem::exists(disk.site + "Rotation_2"));
    QVERIFY(std::filesystem::exists(testing::TrashFolder() + "files/Rotation_2/c.jpg"));
  }
};

QTEST_MAIN(DeleteTest)
#include "delete_test.moc"
