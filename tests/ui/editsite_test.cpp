// The site editor's flows: a new site, the template choice with the compliance dialog, Build!
// with its dialog (the image list, Start, cancelling, the preview question), Build All, and the
// add-images dialog (choosing in the thumbnail grid, the rotation chooser, files dropped onto
// an image list). The rotation actions and the build's rules are tested in the core.
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <filesystem>

#include "images/sharedthumbs.h"
#include "images/ui/addimagesdialog.h"
#include "images/ui/thumbgridview.h"
#include "model/ui/editsitedialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

// A site whose `count` rotations hold `images` photographs each, with a template that passes.
std::unique_ptr<EditorFixture> SiteWithImages(bool rotations, int count, int images) {
  auto f =
      std::make_unique<EditorFixture>(rotations, "RotationCount=" + std::to_string(count) + "\r\n");
  f->data.Write("thumbs.htm", "<html><body>***INDEX***<br>***CONTENT***</body></html>");
  for (int n = 1; n <= count; ++n) {
    std::filesystem::create_directories(f->RotationDir(n));
    for (int i = 10; i < 10 + images; ++i) MakeJpeg(f->RotationDir(n) + std::to_string(i) + ".jpg");
  }
  if (!f->Open()) qFatal("the editor did not open");
  f->app.settings.Style_File = f->data.path + "thumbs.htm";
  if (rotations) f->editor->btnApplyToAllClick();  // every rotation builds with this template
  return f;
}

}  // namespace

class EditSiteTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir home_;  // the add-images dialog's first folder and the shared thumbnails

 private slots:
  void initTestCase() {
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CACHE_HOME", (home_.path() + "/cache").toUtf8());
  }

  void newSiteShowsTheButtonsOfItsModeAndItsSettings() {
    for (const bool rotations : {true, false}) {
      EditorFixture f(rotations, "RotationCount=0\r\n");
      QVERIFY(f.Open());
      QCOMPARE(Find(*f.editor, "btnNewRotation")->isVisibleTo(f.editor.get()), rotations);
      QCOMPARE(Enabled(*f.editor, "btnBuildAll"), rotations);
      QVERIFY(!Enabled(*f.editor, "btnPreview"));
      QVERIFY(Enabled(*f.editor, "btnSelectImages"));  // the new rotation is loaded
      // Other Layout Settings opens the page settings on the same record.
      f.doubles.dialogs.Queue([&](QDialog& dialog) {
        Find<QSpinBox>(dialog, "spnThumbWidth")->setValue(123);
        return int(QDialog::Accepted);
      });
      Click(*f.editor, "btnOtherSettings");
      QCOMPARE(f.app.settings.Thumb_Width, 123);
    }
  }

  // A failing template shows NOT FOUND and OK asks (No keeps the dialog open); Browse takes a
  // file only when the compliance dialog is left with OK.
  void templateChoiceTakesOnlyAcceptedTemplates() {
    EditorFixture f(false, "RotationCount=1\r\n");
    const std::string bad = f.data.path + "bad.htm", good = f.data.path + "Good.htm";
    f.data.Write("bad.htm", "<html>***content*** ***INDEX***</html>");
    f.data.Write("Good.htm", "<html>***CONTENT***</html>");
    QVERIFY(f.Open());
    Find<QComboBox>(*f.editor, "cmbStyleFile")->setEditText(QString::fromStdString(bad));
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
    f.doubles.chooser.files = {QString::fromStdString(good), QString::fromStdString(good)};
    f.doubles.dialogs.Queue([](QDialog& dialog) { return Click(dialog, "btnCancel"); });
    f.doubles.dialogs.Queue([](QDialog& dialog) { return Click(dialog, "btnOK"); });
    Click(*f.editor, "btnBrowseStyle");
    QCOMPARE(f.app.settings.Style_File, bad);
    Click(*f.editor, "btnBrowseStyle");
    QCOMPARE(f.app.settings.Style_File, good);
  }

  // Build! offers the images in their order (Up moves the first to the last place), Start makes
  // every page, and the editor shows the site built.
  void buildMakesEveryPageAndShowsTheSiteBuilt() {
    auto f = SiteWithImages(false, 1, 21);
    f->doubles.dialogs.Queue([&](QDialog& dialog) {
      dialog.show();
      Find<QListWidget>(dialog, "lbxImages")->setCurrentRow(0);
      Click(dialog, "btnUp");
      CHECK_EQ(Items(dialog, "lbxImages").back(), QString("10.jpg"));
      f->doubles.ui.QueueAnswer(Answer::No);  // no preview
      return Click(dialog, "btnStart");
    });
    Click(*f->editor, "btnBuild");
    QCOMPARE(f->doubles.ui.texts(),
             std::vector<std::string>{
                 "Your build has been completed.  Would you like to preview it now?"});
    QVERIFY(std::filesystem::exists(f->RotationDir(1) + "Index2.html"));
    QVERIFY(std::filesystem::exists(f->RotationDir(1) + "thumbs/10_thb.jpg"));
    QCOMPARE(Find<QLabel>(*f->editor, "lblStatus")->text(), QString("This Site has been built"));
    QVERIFY(Enabled(*f->editor, "btnPreview"));
  }

  // Cancel (or Escape) during a build asks; Yes stops it and leaves the dialog open, No goes on.
  void cancelDuringABuildAsks() {
    for (const bool yes : {true, false}) {
      auto f = SiteWithImages(false, 1, 3);
      f->doubles.dialogs.Queue([&](QDialog& dialog) {
        dialog.show();
        QTimer::singleShot(0, &dialog, [&] {  // at the build's first checkpoint
          yes ? void(Click(dialog, "btnCancel")) : QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        f->doubles.ui.QueueAnswer(yes ? Answer::Yes : Answer::No);
        if (!yes) f->doubles.ui.QueueAnswer(Answer::No);  // the preview question
        const int result = Click(dialog, "btnStart");
        CHECK_EQ(dialog.isVisible(), yes);
        return yes ? Click(dialog, "btnCancel") : result;  // not building now: closes
      });
      Click(*f->editor, "btnBuild");
      QCOMPARE(f->doubles.ui.texts().front(),
               std::string("Are you sure you want to cancel processing of your Site Build?"));
      QCOMPARE(std::filesystem::exists(f->RotationDir(1) + "Index.html"), !yes);
      QCOMPARE(f->doubles.ui.unused_answers(), size_t(0));
    }
  }

  void buildAllStartsEachRotationByItself() {
    auto f = SiteWithImages(true, 3, 2);
    for (int n = 0; n < 3; ++n) f->doubles.dialogs.Queue([](QDialog& d) { return d.exec(); });
    Click(*f->editor, "btnBuildAll");
    QVERIFY(f->doubles.ui.messages().empty());  // no preview question
    for (const QString& entry : Items(*f->editor, "lbxRotations"))
      QVERIFY2(entry.endsWith(" : 2 Images : Built"), qPrintable(entry));
  }

  // Select Images: the Copy button follows the grid's selection, the copies go to the rotation
  // chosen in the dialog, and the thumbnails the grid made are in the shared cache.
  void addImagesCopiesTheChosenOnesToTheChosenRotation() {
    auto f = SiteWithImages(true, 2, 0);
    const std::string photos = f->data.path + "photos/";
    std::filesystem::create_directories(photos);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) MakeJpeg(photos + name);
    f->doubles.dialogs.Queue([&](QDialog& dialog) {
      auto& add = static_cast<TdlgAddImages&>(dialog);
      add.show();
      add.ChooseFolder(photos);
      TThumbGridView& grid = *add.grid();
      for (const auto& [item, modifiers, count] : {std::tuple{1, Qt::NoModifier, 1},
                                                   {2, Qt::ControlModifier, 2},
                                                   {1, Qt::ControlModifier, 1},
                                                   {2, Qt::ControlModifier, 0},
                                                   {0, Qt::NoModifier, 1},
                                                   {2, Qt::ShiftModifier, 3}}) {
        const GridRect cell = grid.grid().InsetCell(item);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers,
                          QPoint(cell.left + cell.width / 2, cell.top + cell.height / 2));
        CHECK_EQ(Find<QPushButton>(add, "btnCopy")->text(),
                 count ? QString("Copy these %1 images to the current Site").arg(count)
                       : QString("Copy to current Site"));
        CHECK_EQ(Enabled(add, "btnCopy"), count > 0);
      }
      CHECK_EQ(QTest::qWaitFor([&] { return grid.VisibleComplete() && !grid.Working(); }, 10000),
               true);
      Find<QComboBox>(add, "cmbRotation")->setCurrentIndex(1);
      add.ChooseRotation(1);
      Click(add, "btnCopy");
      CHECK_EQ(Items(add, "lbxImages"), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
      return int(QDialog::Accepted);
    });
    Click(*f->editor, "btnSelectImages");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      QVERIFY(std::filesystem::exists(f->RotationDir(2) + name));
      QVERIFY(std::filesystem::exists(SharedThumbnailCache(SharedThumbnailCache::DefaultRoot())
                                          .ThumbnailPath(photos + name, SharedThumbSize::Normal)));
    }
    QVERIFY(f->doubles.ui.messages().empty());
  }

  // Files dropped onto an image list are copied, whatever the source proposed; a source that
  // allows no copy is told that nothing was taken.
  void dropsAreCopies() {
    auto f = SiteWithImages(true, 1, 0);
    MakeJpeg(f->data.path + "x.jpg");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(f->data.path + "x.jpg"))});
    auto* list = Find<QListWidget>(*f->editor, "lbxImages");
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
    QCOMPARE(Items(*f->editor, "lbxImages"), QStringList{"x.jpg"});
    QVERIFY(std::filesystem::exists(f->data.path + "x.jpg"));
  }
};

QTEST_MAIN(EditSiteTest)
#include "editsite_test.moc"
