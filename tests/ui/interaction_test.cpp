// The desktop's message boxes and prompt: plain text always, the buttons, icon and Escape of
// each kind, and the answers the boxes give.
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "app/AboutBoxUnit.h"
#include "app/qtinteraction.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

Q_DECLARE_METATYPE(parvel::MessageKind)
Q_DECLARE_METATYPE(parvel::Buttons)
Q_DECLARE_METATYPE(parvel::Answer)

namespace {

// Presses `key` in the next modal box that opens.
void PressInNextBox(Qt::Key key) {
  QTimer::singleShot(0, [key] {
    QWidget* box = QApplication::activeModalWidget();
    if (box) QTest::keyClick(box, key);
  });
}

}  // namespace

class InteractionTest : public QObject {
  Q_OBJECT

 private slots:
  void boxes_data() {
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("button_count");
    QTest::addColumn<Answer>("escape");
    QTest::newRow("information") << MessageKind::Information << Buttons::Ok
                                 << int(QMessageBox::Information) << 1 << Answer::Ok;
    QTest::newRow("warning") << MessageKind::Warning << Buttons::OkCancel
                             << int(QMessageBox::Warning) << 2 << Answer::Cancel;
    QTest::newRow("confirmation") << MessageKind::Confirmation << Buttons::YesNo
                                  << int(QMessageBox::Question) << 2 << Answer::No;
    QTest::newRow("plain") << MessageKind::Plain << Buttons::YesNoCancel << int(QMessageBox::NoIcon)
                           << 3 << Answer::Cancel;
  }
  void boxes() {
    QFETCH(MessageKind, kind);
    QFETCH(Buttons, buttons);
    QFETCH(int, icon);
    QFETCH(int, button_count);
    QFETCH(Answer, escape);
    const QString text = "<b>x.jpg</b> &amp; <i>y</i>";
    const auto box = MakeMessageBox(nullptr, kind, text, buttons);
    QCOMPARE(box->windowTitle(), QString("Parvel Pro"));
    QCOMPARE(int(box->icon()), icon);
    QCOMPARE(box->buttons().size(), button_count);
    QCOMPARE(AnswerForButton(box->standardButton(box->escapeButton())), escape);
    // The text is shown as typed, markup and all.
    QCOMPARE(box->textFormat(), Qt::PlainText);
    auto* label = box->findChild<QLabel*>("qt_msgbox_label");
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), text);

    // Shown for real, Escape gives the box's Escape answer.
    QtInteraction ui;
    PressInNextBox(Qt::Key_Escape);
    QCOMPARE(ui.Message(kind, text.toStdString(), buttons), escape);
  }

  void promptShowsThePlainQuestionAndReturnsTheText() {
    QtInteraction ui;
    const auto dialog = MakePromptDialog(nullptr, "Pages", "<b>How many?</b>", "4");
    QCOMPARE(dialog->findChild<QLabel*>("lblQuestion")->textFormat(), Qt::PlainText);
    QTimer::singleShot(0, [] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      box->findChild<QLineEdit*>("edtAnswer")->setText("7");
      QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(ui.Prompt("Pages", "How many?", "4"), std::optional<std::string>("7"));
    PressInNextBox(Qt::Key_Escape);
    QCOMPARE(ui.Prompt("Pages", "How many?", "4"), std::optional<std::string>());
  }

  void busyCursorGivesWayToBoxesAndProgressReachesItsView() {
    struct View : ProgressView {
      QString shown;
      bool cancel = false;
      void ShowProgress(const QString& message, int position, int maximum) override {
        shown = QString("%1 %2/%3").arg(message).arg(position).arg(maximum);
      }
      void ShowStatus(const QString& message) override { shown = message; }
      bool TakeCancelRequest() override { return std::exchange(cancel, false); }
    } view;
    QtInteraction ui;
    ui.set_progress_view(&view);
    {
      BusyCursor busy(ui);
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      Qt::CursorShape during_box = Qt::BlankCursor;
      QTimer::singleShot(0, [&during_box] {
        during_box = QApplication::overrideCursor()->shape();
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
      });
      ui.Inform("Waiting");
      QCOMPARE(during_box, Qt::ArrowCursor);
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QVERIFY(!QApplication::overrideCursor());
    ui.Progress("Creating Thumbnail for a.jpg", 2, 8);
    QCOMPARE(view.shown, QString("Creating Thumbnail for a.jpg 2/8"));
    QVERIFY(!ui.Checkpoint());
    view.cancel = true;
    QVERIFY(ui.Checkpoint());
    QVERIFY(!ui.Checkpoint());
  }

  void aboutBoxLinksOpen() {
    Doubles doubles;
    TAboutBox box(doubles.seams());
    Click(box, "lnkSalesMail");
    Click(box, "lnkWebPage");
    QCOMPARE(doubles.ui.opened(), (std::vector<std::string>{kSalesMail, kWebPage}));
  }
};

QTEST_MAIN(InteractionTest)
#include "interaction_test.moc"
