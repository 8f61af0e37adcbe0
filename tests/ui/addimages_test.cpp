// The add-images dialog opened from the site editor: choosing images in the thumbnail grid and
// copying them, the rotation chooser, files dropped onto either image list, and the Delete key.
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>
#include <QtTest>
#include <filesystem>

#include "images/sharedthumbs.h"
#include "images/ui/addimagesdialog.h"
#include "images/ui/thumbgridview.h"
#include "model/ui/editsitedialog.h"
#include "model/ui/imagelistview.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

QString CopyCaption(const TdlgAddImages& dialog) {
  return dialog.findChild<QPushButton*>("btnCopy")->text();
}

// A click on grid item `item` with `modifiers`, as the mouse gives it.
void ClickItem(TThumbGridView& grid, int item, Qt::KeyboardModifiers modifiers = {}) {
  const GridRect cell = grid.grid().InsetCell(item);
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers,
                    QPoint(cell.left + cell.width / 2, cell.top + cell.height / 2));
}

// Sends a drop of `paths` onto a list, offering `actions` and proposing `proposed`; the action
// it reports back to the source.
Qt::DropAction Drop(QListWidget& list, const std::vector<std::string>& paths,
                    Qt::DropActions actions, Qt::DropAction proposed) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const auto& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
  mime.setUrls(urls);
  const QPointF point(5, 5);
  QDragEnterEvent enter(point.toPoint(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
  enter.setDropAction(proposed);
  QApplication::sendEvent(list.viewport(), &enter);
  if (!enter.isAccepted()) return Qt::IgnoreAction;
  QDropEvent drop(point, actions, &mime, Qt::LeftButton, Qt::NoModifier);
  drop.setDropAction(proposed);
  QApplication::sendEvent(list.viewport(), &drop);
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

}  // namespace

class AddImagesTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir home_;

 private slots:
  void initTestCase() {
    // The dialog opens on the home folder and writes the desktop's shared thumbnails: both in
    // the test's own folder.
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CACHE_HOME", (home_.path() + "/cache").toUtf8());
  }

  // Select Images opens the dialog; the Copy button follows the grid's selection; the copies go
  // to the rotation chosen in the dialog; the editor's list is read again afterwards; and the
  // thumbnails the grid made are in the desktop's shared cache.
  void copyChosenImagesToTheChosenRotation() {
    EditorFixture f(true, "RotationCount=2\r\n");
    std::filesystem::create_directories(f.RotationDir(1));
    std::filesystem::create_directories(f.RotationDir(2));
    const std::string photos = f.data.path + "photos/";
    std::filesystem::create_directories(photos);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) MakeJpeg(photos + name);
    QVERIFY(f.Open());
    auto* select = f.editor->findChild<QPushButton*>("btnSelectImages");
    QVERIFY(select->isEnabled());
    f.doubles.dialogs.Queue([&](QDialog& dialog) -> int {
      auto& add = static_cast<TdlgAddImages&>(dialog);
      add.show();
      CHECK_EQ(add.findChild<QLabel*>("lblRotation")->text(), QString("Rotation:"));
      CHECK_EQ(add.findChild<QLabel*>("lblSiteName")->text(), QString("First"));
      CHECK_EQ(add.target_directory(), f.RotationDir(1));
      CHECK_EQ(add.folder(), home_.path().toStdString());
      add.ChooseFolder(photos);
      // The folder tree shows the chosen folder.
      auto* tree = add.findChild<QTreeView*>("tvFolders");
      CHECK_EQ(static_cast<QFileSystemModel*>(tree->model())->filePath(tree->currentIndex()),
               QString::fromStdString(photos).chopped(1));
      TThumbGridView& grid = *add.grid();
      CHECK_EQ(grid.grid().ItemCount(), 3);
      struct Step {
        int item;
        Qt::KeyboardModifiers modifiers;
        QString caption;
      };
      for (const Step& step : {Step{1, Qt::NoModifier, "Copy these 1 images to the current Site"},
                               {2, Qt::ControlModifier, "Copy these 2 images to the current Site"},
                               {0, Qt::ControlModifier, "Copy these 3 images to the current Site"},
                               {2, Qt::ControlModifier, "Copy these 2 images to the current Site"},
                               {0, Qt::ControlModifier, "Copy these 1 images to the current Site"},
                               {1, Qt::ControlModifier, "Copy to current Site"},
                               {0, Qt::NoModifier, "Copy these 1 images to the current Site"},
                               {2, Qt::ShiftModifier, "Copy these 3 images to the current Site"}}) {
        ClickItem(grid, step.item, step.modifiers);
        CHECK_EQ(CopyCaption(add), step.caption);
        CHECK_EQ(add.findChild<QPushButton*>("btnCopy")->isEnabled(),
                 step.caption != "Copy to current Site");
      }
      // Every visible thumbnail arrives from the workers.
      CHECK_EQ(QTest::qWaitFor([&] { return grid.VisibleComplete() && !grid.Working(); }, 10000),
               true);
      // Copies go to the rotation chosen here, not the one the editor has loaded.
      add.findChild<QComboBox*>("cmbRotation")->setCurrentIndex(1);
      add.ChooseRotation(1);
      CHECK_EQ(add.target_directory(), f.RotationDir(2));
      Click(add, "btnCopy");
      CHECK_EQ(Items(add, "lbxImages"), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
      return int(QDialog::Accepted);
    });
    MakeJpeg(f.RotationDir(1) + "new.jpg");  // appears in the editor's list only once re-read
    select->click();
    QCOMPARE(f.doubles.dialogs.opened.back(), QString("dlgAddImages"));
    QCOMPARE(f.doubles.dialogs.unused(), size_t{0});
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      QVERIFY(std::filesystem::exists(f.RotationDir(2) + name));
      QVERIFY(std::filesystem::exists(photos + name));
      QVERIFY(std::filesystem::exists(SharedThumbnailCache(SharedThumbnailCache::DefaultRoot())
                                          .ThumbnailPath(photos + name, SharedThumbSize::Normal)));
    }
    QCOMPARE(Items(*f.editor, "lbxImages"), QStringList{"new.jpg"});
    QVERIFY(f.doubles.ui.messages().empty());
  }

  // A rotation whose directory is missing is reported and leaves the target as it was.
  void missingRotationDirectoryIsReported() {
    EditorFixture f(true, "RotationCount=2\r\n[Rotation_2]\r\nRotation_Path=" +
                              std::string("/nonexistent/parvel/r2") + "\r\n");
    std::filesystem::create_directories(f.RotationDir(1));
    QVERIFY(f.Open());
    f.doubles.ui.Clear();
    TdlgAddImages add(f.doubles.seams(), f.app);
    add.Open(f.editor->editor());
    add.ChooseRotation(1);
    QCOMPARE(f.doubles.ui.texts(),
             std::vector<std::string>{
                 "Error!  The directory, /nonexistent/parvel/r2, could not be located!"});
    QCOMPARE(add.target_directory(), f.RotationDir(1));
  }

  // Files dropped onto the editor's list and onto the dialog's target list: a drop offered as a
  // move is taken as a copy (the source is told so, or, when it allows no copy, that nothing
  // was taken), and the source stays where it was.
  void dropsAreCopies_data() {
    QTest::addColumn<bool>("on_dialog");
    QTest::addColumn<int>("actions");
    QTest::addColumn<int>("proposed");
    QTest::addColumn<int>("reported");
    const int all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QTest::newRow("editor, move proposed")
        << false << all << int(Qt::MoveAction) << int(Qt::CopyAction);
    QTest::newRow("editor, copy proposed")
        << false << all << int(Qt::CopyAction) << int(Qt::CopyAction);
    QTest::newRow("dialog, move proposed")
        << true << all << int(Qt::MoveAction) << int(Qt::CopyAction);
    QTest::newRow("dialog, move only")
        << true << int(Qt::MoveAction) << int(Qt::MoveAction) << int(Qt::IgnoreAction);
    QTest::newRow("editor, link only")
        << false << int(Qt::LinkAction) << int(Qt::LinkAction) << int(Qt::IgnoreAction);
  }
  void dropsAreCopies() {
    QFETCH(bool, on_dialog);
    QFETCH(int, actions);
    QFETCH(int, proposed);
    QFETCH(int, reported);
    EditorFixture f(true, "RotationCount=1\r\n");
    std::filesystem::create_directories(f.RotationDir(1));
    const std::string outside = f.data.path + "outside/";
    std::filesystem::create_directories(outside);
    MakeJpeg(outside + "x.jpg");
    MakeJpeg(outside + "y.jpg");
    QVERIFY(f.Open());
    TdlgAddImages add(f.doubles.seams(), f.app);
    add.Open(f.editor->editor());
    QWidget& owner = on_dialog ? static_cast<QWidget&>(add) : *f.editor;
    auto* list = owner.findChild<QListWidget*>("lbxImages");
    QCOMPARE(Drop(*list, {outside + "x.jpg", outside + "y.jpg"}, Qt::DropActions(actions),
                  Qt::DropAction(proposed)),
             Qt::DropAction(reported));
    QCOMPARE(Items(owner, "lbxImages"), (QStringList{"x.jpg", "y.jpg"}));
    QVERIFY(std::filesystem::exists(outside + "x.jpg"));
    QVERIFY(std::filesystem::exists(outside + "y.jpg"));
    // Not files: refused.
    QMimeData text;
    text.setText("x");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QVERIFY(f.doubles.ui.messages().empty());
  }

  // Deleting three files of the target list asks once, with their number.
  void deletingThreeAsksOnce() {
    EditorFixture f(true, "RotationCount=1\r\n");
    std::filesystem::create_directories(f.RotationDir(1));
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "4.jpg"}) MakeJpeg(f.RotationDir(1) + name);
    QVERIFY(f.Open());
    TdlgAddImages add(f.doubles.seams(), f.app);
    add.Open(f.editor->editor());
    auto* list = add.findChild<QListWidget*>("lbxImages");
    for (int row : {0, 2, 3}) list->item(row)->setSelected(true);
    f.doubles.ui.QueueAnswer(Answer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(f.doubles.ui.texts(),
             std::vector<std::string>{"Are you sure you want to delete these 3 files?"});
    QCOMPARE(Items(add, "lbxImages"), QStringList{"2.jpg"});
  }

  // A drag out starts only from a recorded press, with one button alone and no key, 10 pixels
  // away in either direction.
  void dragOutThreshold_data() {
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("starts");
    const int left = Qt::LeftButton;
    QTest::newRow("never pressed") << QPoint(-1, -1) << QPoint(50, 50) << left << 0 << false;
    QTest::newRow("9 pixels") << QPoint(10, 10) << QPoint(19, 1) << left << 0 << false;
    QTest::newRow("10 across") << QPoint(10, 10) << QPoint(20, 10) << left << 0 << true;
    QTest::newRow("10 up") << QPoint(10, 10) << QPoint(10, 0) << left << 0 << true;
    QTest::newRow("right button") << QPoint(10, 10) << QPoint(30, 10) << int(Qt::RightButton) << 0
                                  << true;
    QTest::newRow("both buttons") << QPoint(10, 10) << QPoint(30, 10)
                                  << int(Qt::LeftButton | Qt::RightButton) << 0 << false;
    QTest::newRow("with shift") << QPoint(10, 10) << QPoint(30, 10) << left
                                << int(Qt::ShiftModifier) << false;
  }
  void dragOutThreshold() {
    QFETCH(QPoint, start);
    QFETCH(QPoint, position);
    QFETCH(int, buttons);
    QFETCH(int, modifiers);
    QFETCH(bool, starts);
    QCOMPARE(
        StartsDragOut(start, position, Qt::MouseButtons(buttons), Qt::KeyboardModifiers(modifiers)),
        starts);
  }
};

QTEST_MAIN(AddImagesTest)
#include "addimages_test.moc"
