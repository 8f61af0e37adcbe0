// The build flows from the site editor: Build! with its dialog (the image list, moving, Start,
// the preview question), cancelling during a build, Build All's unattended starts, and the
// checks before the dialog.
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "builder/build.h"
#include "model/ui/editsitedialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

constexpr char kTemplate[] = "<html><body>***INDEX***<br>***CONTENT***</body></html>";

// A site whose rotations hold `images` photographs each, with a template that passes.
std::unique_ptr<EditorFixture> SiteWithImages(bool rotations, int rotation_count, int images) {
  auto f = std::make_unique<EditorFixture>(
      rotations, "RotationCount=" + std::to_string(rotation_count) + "\r\n");
  f->data.Write("thumbs.htm", kTemplate);
  for (int n = 1; n <= rotation_count; ++n) {
    std::filesystem::create_directories(f->RotationDir(n));
    for (int i = 1; i <= images; ++i) {
      MakeJpeg(f->RotationDir(n) + (i < 10 ? "img0" : "img") + std::to_string(i) + ".jpg");
    }
  }
  if (!f->Open()) qFatal("the editor did not open");
  f->app.settings.Style_File = f->data.path + "thumbs.htm";
  f->app.settings.DisplayAsImage = true;
  // Every rotation builds with this template.
  if (rotations) f->editor->btnApplyToAllClick();
  return f;
}

// Shows the dialog and waits until it closes by itself (at most a minute on a loaded machine).
int WaitForClose(QDialog& dialog) {
  dialog.show();
  QDeadlineTimer deadline(60000);
  while (dialog.isVisible() && !deadline.hasExpired()) QTest::qWait(20);
  return dialog.result();
}

}  // namespace

class BuildDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void buildOffersTheSiteImagesInTheirOrderAndMakesEveryPage() {
    auto f = SiteWithImages(false, 1, 21);
    const std::string dir = f->RotationDir(1);
    MakeJpeg(dir + "holiday_thb.jpg");
    MakeJpeg(dir + "Page_Button_2.gif");
    MakeJpeg(dir + "NEXT.GIF");
    f->data.Write("next.gif", "GIF89a");
    f->data.Write("prev.gif", "GIF89a");
    f->app.settings.prev_next_image_buttons = true;
    f->app.settings.Next_Page_File = f->data.path + "next.gif";
    f->app.settings.Previous_Page_File = f->data.path + "prev.gif";
    f->doubles.dialogs.Queue([&](QDialog& dialog) {
      dialog.show();
      QStringList images = Items(dialog, "lbxImages");
      CHECK_EQ(images.size(), qsizetype(21));
      CHECK_EQ(images.front(), QString("img01.jpg"));
      auto* list = dialog.findChild<QListWidget*>("lbxImages");
      CHECK_EQ(dialog.findChild<QPushButton*>("btnUp")->isEnabled(), false);
      list->setCurrentRow(0);
      Click(dialog, "btnUp");  // the first entry moves up to the last place
      CHECK_EQ(Items(dialog, "lbxImages").back(), QString("img01.jpg"));
      CHECK_EQ(list->currentRow(), 20);
      f->doubles.ui.QueueAnswer(Answer::No);  // no preview
      return Click(dialog, "btnStart");
    });
    Click(*f->editor, "btnBuild");
    QCOMPARE(f->doubles.dialogs.opened, std::vector<QString>{"dlgBuildProgress"});
    QCOMPARE(f->doubles.ui.texts(), std::vector<std::string>{std::string(kPreviewQuestion)});
    QVERIFY(std::filesystem::exists(dir + "Index.html"));
    QVERIFY(std::filesystem::exists(dir + "Index2.html"));
    QVERIFY(!std::filesystem::exists(dir + "Index3.html"));
    QVERIFY(std::filesystem::exists(dir + "thumbs/img01_thb.jpg"));
    QVERIFY(!std::filesystem::exists(dir + "thumbs/holiday_thb_thb.jpg"));
    QCOMPARE(Stored(f->app.settings.Status), 2);
    QCOMPARE(f->editor->findChild<QLabel*>("lblStatus")->text(),
             QString("This Site has been built"));
    QVERIFY(Items(*f->editor, "lbxRotations").front().endsWith(" : Built"));
    QVERIFY(f->editor->findChild<QPushButton*>("btnPreview")->isEnabled());
  }

  void cancelDuringABuildAsks_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Cancel, Yes") << "Cancel" << true;
    QTest::newRow("Escape, No") << "Escape" << false;
    QTest::newRow("close button, No") << "close" << false;
  }
  void cancelDuringABuildAsks() {
    QFETCH(QString, how);
    QFETCH(bool, yes);
    auto f = SiteWithImages(false, 1, 3);
    bool open_after_cancel = false;
    f->doubles.dialogs.Queue([&](QDialog& dialog) {
      dialog.show();
      // Runs at the build's first checkpoint, while Start is at work.
      QTimer::singleShot(0, &dialog, [&] {
        if (how == "Cancel") Click(dialog, "btnCancel");
        if (how == "Escape") QTest::keyClick(&dialog, Qt::Key_Escape);
        if (how == "close") dialog.close();
      });
      f->doubles.ui.QueueAnswer(yes ? Answer::Yes : Answer::No);
      if (!yes) f->doubles.ui.QueueAnswer(Answer::No);  // the preview question
      const int result = Click(dialog, "btnStart");
      open_after_cancel = dialog.isVisible();
      if (yes) {
        CHECK_EQ(dialog.findChild<QPushButton*>("btnStart")->isEnabled(), true);
        CHECK_EQ(dialog.findChild<QProgressBar*>("prgBuild")->value(), 0);
        return Click(dialog, "btnCancel");  // not building now: closes
      }
      return result;
    });
    Click(*f->editor, "btnBuild");
    QCOMPARE(f->doubles.ui.texts().front(), std::string(kCancelBuildQuestion));
    QCOMPARE(open_after_cancel, yes);
    // No: the build went on to its end.
    QCOMPARE(std::filesystem::exists(f->RotationDir(1) + "Index.html"), !yes);
    QVERIFY(f->doubles.ui.unexpected().empty());
    QCOMPARE(f->doubles.ui.unused_answers(), size_t(0));
  }

  void buildAllStartsEachRotationByItself_data() {
    QTest::addColumn<bool>("cancel_first");
    QTest::newRow("three rotations built") << false;
    QTest::newRow("Cancel before the start builds nothing") << true;
  }
  void buildAllStartsEachRotationByItself() {
    QFETCH(bool, cancel_first);
    auto f = SiteWithImages(true, 3, 2);
    for (int n = 0; n < 3; ++n) {
      f->doubles.dialogs.Queue([&](QDialog& dialog) {
        if (cancel_first) {
          dialog.show();
          return Click(dialog, "btnCancel");
        }
        return WaitForClose(dialog);
      });
    }
    Click(*f->editor, "btnBuildAll");
    QCOMPARE(f->doubles.dialogs.opened.size(), size_t(3));
    QVERIFY(f->doubles.ui.messages().empty());  // no preview question
    for (int n = 1; n <= 3; ++n) {
      QCOMPARE(std::filesystem::exists(f->RotationDir(n) + "Index.html"), !cancel_first);
    }
    if (cancel_first) return;
    for (const QString& entry : Items(*f->editor, "lbxRotations")) {
      QVERIFY2(entry.endsWith(" : 2 Images : Built"), qPrintable(entry));
    }
  }

  void aSiteWithoutImagesAsksForAValidPageCount() {
    auto f = SiteWithImages(false, 1, 0);
    f->doubles.ui.QueueAnswer(Answer::Yes);
    f->doubles.ui.QueuePrompt("abc");
    Click(*f->editor, "btnBuild");
    QCOMPARE(f->doubles.ui.texts(),
             (std::vector<std::string>{std::string(kNoImagesQuestion),
                                       std::string(kInvalidPageCountMessage)}));
    QVERIFY(f->doubles.dialogs.opened.empty());
  }
};

QTEST_MAIN(BuildDialogTest)
#include "builddialog_test.moc"
