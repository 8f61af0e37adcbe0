// The page settings dialog worked through its controls: a round trip over all six pages through
// the settings file, Cancel keeping changes, and help by page.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>
#include <map>

#include "templates/ui/thumboptionsdialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

// Answers the colour chooser from a queue (an empty entry cancels).
class ColourChooser : public ScriptedChooser {
 public:
  std::deque<std::optional<QColor>> colours;
  std::optional<QColor> Colour(QWidget*, const QColor&, std::vector<QColor>& custom) override {
    custom_offered = custom;
    if (colours.empty()) return std::nullopt;
    auto answer = colours.front();
    colours.pop_front();
    return answer;
  }
  std::vector<QColor> custom_offered;
};

struct Fixture {
  DataDir data;
  Doubles doubles;
  ColourChooser chooser;
  SiteSettings settings;
  RecentTemplates recent;
  TemplateMarkers markers;
  TdlgThumbOptions dialog{Seams{doubles.ui, chooser, doubles.dialogs}, settings, recent, markers};
};

template <typename T>
T* Find(QWidget& parent, const char* name) {
  auto* widget = parent.findChild<T*>(name);
  if (!widget) qFatal("no control %s", name);
  return widget;
}

void Pick(QWidget& dialog, const char* name, int item) {
  auto* combo = Find<QComboBox>(dialog, name);
  combo->setCurrentIndex(item);
  emit combo->activated(item);
}

// What every named input control shows.
std::map<QString, QString> Shown(QWidget& dialog) {
  std::map<QString, QString> shown;
  for (auto* spin : dialog.findChildren<QSpinBox*>()) {
    shown[spin->objectName()] = QString::number(spin->value());
  }
  for (auto* button : dialog.findChildren<QAbstractButton*>()) {
    if (button->isCheckable()) shown[button->objectName()] = button->isChecked() ? "on" : "off";
  }
  for (auto* combo : dialog.findChildren<QComboBox*>()) {
    shown[combo->objectName()] =
        QString::number(combo->currentIndex()) + ":" + combo->currentText();
  }
  for (auto* edit : dialog.findChildren<QLineEdit*>()) {
    if (!edit->objectName().isEmpty()) shown[edit->objectName()] = edit->text();
  }
  return shown;
}

}  // namespace

class ThumbOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void roundTripOverAllPages() {
    Fixture f;
    const QString image_template = QString::fromStdString(f.data.path + "image.htm");
    f.data.Write("image.htm", "<html>***CONTENT***</html>");
    f.data.Write("prev.gif", "GIF89a");
    f.data.Write("next.gif", "GIF89a");
    f.chooser.colours.push_back(QColor(255, 128, 0));
    std::map<QString, QString> before;
    f.doubles.dialogs.Queue([&](QDialog& d) {
      Find<QSpinBox>(d, "spnThumbWidth")->setValue(150);            // Thumbnails
      Find<QRadioButton>(d, "rdbNormal")->click();                  //
      Find<QRadioButton>(d, "rdbHorizontal")->click();              // Page Index
      Find<QLineEdit>(d, "edtPageNumberPrefix")->setText("Seite");  //
      Pick(d, "cmbDisplayedColour", 8);                             // Page Index 2: fixed red
      Pick(d, "cmbOtherColour", kColourOtherItem);                  // picked orange
      Pick(d, "cmbIndexFontSize", 5);
      Find<QRadioButton>(d, "rdbIndexCustomFont")->click();
      Find<QComboBox>(d, "cmbIndexFont")->setEditText("Arial,Helvetica");
      Find<QRadioButton>(d, "rdbDisplayAsPage")->click();  // Image Display
      Find<QComboBox>(d, "cmbImageTemplate")->setEditText(image_template);
      Find<QCheckBox>(d, "chkMaxImageSize")->click();
      Find<QSpinBox>(d, "spnImageWidth")->setValue(1024);
      Pick(d, "cmbFontSize", 0);                               // Page Text
      Find<QCheckBox>(d, "chkKorrinLink")->click();            //
      Find<QCheckBox>(d, "chkPrevNextImageButtons")->click();  // Other
      Find<QLineEdit>(d, "edtPreviousFile")
          ->setText(QString::fromStdString(f.data.path + "prev.gif"));
      Find<QLineEdit>(d, "edtNextFile")->setText(QString::fromStdString(f.data.path + "next.gif"));
      Pick(d, "cmbDisplayMethod", 2);
      before = Shown(d);
      return Click(d, "btnOK");
    });
    QCOMPARE(f.dialog.Open(), int(QDialog::Accepted));
    QCOMPARE(before["edtOtherColour"], QString("#FF8000"));
    QCOMPARE(before["cmbOtherColour"], QString("-1:"));
    QCOMPARE(f.settings.Other_Page_Text_Colour, Colour::Of(0x000080FF));
    QCOMPARE(f.settings.Index_Font_Size, 3);
    QCOMPARE(f.chooser.custom_offered.size(), size_t{16});
    QCOMPARE(f.chooser.custom_offered[1], QColor(0x80, 0x80, 0x80));

    const SiteContext site{"Site_1", f.data.path, false};
    QVERIFY(SaveRotation(f.doubles.ui, f.settings, site, 1, SavedKeys::WithStatusAndPath));
    f.settings = SiteSettings{};
    QVERIFY(
        LoadRotation(f.doubles.ui, f.settings, site, 1, {.with_path = true, .make_current = true}));
    std::map<QString, QString> after;
    f.doubles.dialogs.Queue([&](QDialog& d) {
      after = Shown(d);
      return Click(d, "btnCancel");
    });
    QCOMPARE(f.dialog.Open(), int(QDialog::Rejected));
    for (const auto& [name, value] : before) QCOMPARE(name + "=" + after[name], name + "=" + value);
    QVERIFY(f.doubles.ui.messages().empty());
  }

  void cancelKeepsChangesAndOtherCancelledIsDefault() {
    Fixture f;
    f.doubles.dialogs.Queue([&](QDialog& d) {
      Find<QSpinBox>(d, "spnThumbWidth")->setValue(150);
      Pick(d, "cmbHeadingColour", 3);
      Pick(d, "cmbHeadingColour", kColourOtherItem);  // the chooser is cancelled
      return Click(d, "btnCancel");
    });
    QCOMPARE(f.dialog.Open(), int(QDialog::Rejected));
    QCOMPARE(f.settings.Thumb_Width, 150);
    QCOMPARE(f.settings.Heading_Colour, Colour::Default());
    QCOMPARE(Find<QComboBox>(f.dialog, "cmbHeadingColour")->currentIndex(), 0);
    QCOMPARE(Find<QLineEdit>(f.dialog, "edtHeadingColour")->text(), QString());
  }

  void helpOpensThePageTopic() {
    Fixture f;
    auto* tabs = Find<QTabWidget>(f.dialog, "pgcSettings");
    QCOMPARE(tabs->count(), 6);
    for (int page = 0; page < tabs->count(); ++page) {
      tabs->setCurrentIndex(page);
      Click(f.dialog, "btnHelp");
    }
    QCOMPARE(f.doubles.ui.help_topics(), (std::vector<int>{31, 32, 32, 33, 34, 36}));
  }
};

QTEST_MAIN(ThumbOptionsTest)
#include "thumboptions_test.moc"
