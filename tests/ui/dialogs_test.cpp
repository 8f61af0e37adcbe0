// The dialogs "Options" and "Site Options" worked through their controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "model/siteoptions.h"
#include "model/ui/optionsdialog.h"
#include "model/ui/siteoptionsdialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void optionsCancelAndHelp() {
    Doubles doubles;
    AppOptions options;
    TdlgOptions dialog(doubles.seams(), options);
    dialog.findChild<QSpinBox*>("spnQuality")->setValue(33);
    dialog.findChild<QAbstractButton*>("rdbRotations")->click();
    Click(dialog, "btnHelp");
    QCOMPARE(Click(dialog, "btnCancel"), int(QDialog::Rejected));
    QCOMPARE(int(options.DefaultJPEGCompression), 80);
    QVERIFY(!options.UseRotations);
    QCOMPARE(doubles.ui.help_topics(), std::vector<int>{25});
  }

  void siteOptionsLiveFieldsFollowTheSwitch_data() {
    QTest::addColumn<bool>("use_rotations");
    QTest::newRow("rotations on") << true;
    QTest::newRow("rotations off") << false;
  }
  void siteOptionsLiveFieldsFollowTheSwitch() {
    QFETCH(bool, use_rotations);
    DataDir data;
    Doubles doubles;
    Catalogue catalogue;
    catalogue.site().SiteKey = "Site_1";
    catalogue.site().Name = "First";
    TdlgSiteOptions dialog(doubles.seams(), catalogue, use_rotations);
    auto* live = dialog.findChild<QLineEdit*>("edtLivePath");
    QVERIFY(!live->isEnabled());
    dialog.findChild<QCheckBox*>("chkAutoRotate")->click();
    QCOMPARE(dialog.findChild<QCheckBox*>("chkAutoRotate")->isChecked(), use_rotations);
    QCOMPARE(live->isEnabled(), use_rotations);
    QCOMPARE(dialog.findChild<QSpinBox*>("spnNextRotation")->isEnabled(), use_rotations);
    QCOMPARE(dialog.findChild<QPushButton*>("btnBrowseLivePath")->isEnabled(), use_rotations);
    QCOMPARE(doubles.ui.texts().size(), use_rotations ? size_t{0} : size_t{1});
    Click(dialog, "btnHelp");
    QCOMPARE(doubles.ui.help_topics(), std::vector<int>{26});
  }

  void siteOptionsRequireFullPaths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("live");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("relative location") << "web/site"
                                       << "" << false;
    QTest::newRow("relative live directory") << "/srv/site/"
                                             << "live" << false;
    QTest::newRow("stored form is full") << "%/site/"
                                         << "/srv/live/" << true;
  }
  void siteOptionsRequireFullPaths() {
    QFETCH(QString, path);
    QFETCH(QString, live);
    QFETCH(bool, accepted);
    DataDir data;
    Doubles doubles;
    Catalogue catalogue;
    catalogue.site().SiteKey = "Site_1";
    TdlgSiteOptions dialog(doubles.seams(), catalogue, true);
    dialog.findChild<QLineEdit*>("edtName")->setText("First");
    dialog.findChild<QLineEdit*>("edtPath")->setText(path);
    if (!live.isEmpty()) {
      dialog.findChild<QCheckBox*>("chkAutoRotate")->click();
      dialog.findChild<QLineEdit*>("edtLivePath")->setText(live);
    }
    if (accepted) doubles.ui.QueueAnswer(Answer::Yes);  // create the missing directory
    dialog.findChild<QComboBox*>("cmbBaseHTMLName")->setEditText("home");
    QCOMPARE(Click(dialog, "btnOK") == QDialog::Accepted, accepted);
    if (accepted) {
      QCOMPARE(catalogue.site().BaseHTMLName, std::string("home.html"));
      QVERIFY(data.Exists("site/"));
      QVERIFY(doubles.ui.unexpected().empty());
    } else {
      QCOMPARE(doubles.ui.messages().size(), size_t{1});
      QVERIFY(doubles.ui.texts()[0].find("is not a full path") != std::string::npos);
      QVERIFY(!data.Exists("Site_1.ini"));
    }
  }

  void siteOptionsBrowseFillsTheField() {
    DataDir data;
    Doubles doubles;
    Catalogue catalogue;
    catalogue.site().SiteKey = "Site_1";
    TdlgSiteOptions dialog(doubles.seams(), catalogue, false);
    doubles.chooser.folders = {QString("/srv/chosen"), QString()};
    Click(dialog, "btnBrowsePath");
    QCOMPARE(dialog.findChild<QLineEdit*>("edtPath")->text(), QString("/srv/chosen/"));
    Click(dialog, "btnBrowsePath");  // cancelled: the field keeps its text
    QCOMPARE(dialog.findChild<QLineEdit*>("edtPath")->text(), QString("/srv/chosen/"));
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
