// The desktop's publishing: Site Options' address, the site editor's Publish with its progress
// dialog against a real OpenSSH server, and the password prompt.
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>
#include <filesystem>

#include "model/ui/siteoptionsdialog.h"
#include "publish/sshserver_support.h"
#include "publish/ui/publishdialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

class PublishUiTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // No keyring in the tests: the lookup fails at once instead of starting a bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
  }

  // The address is stored from Site Options; one that is no sftp:// address is refused, and an
  // sftp:// live directory is taken as typed, without the checks of a folder here.
  void siteOptionsStoreTheAddresses() {
    DataDir data;
    Doubles doubles;
    Catalogue catalogue;
    catalogue.site().SiteKey = "Site_1";
    TdlgSiteOptions dialog(doubles.seams(), catalogue, true);
    SetText(dialog, "edtName", "First");
    SetText(dialog, "edtPath", "%/site/");
    SetText(dialog, "edtPublishURL", "www.example.com/site");
    QCOMPARE(Click(dialog, "btnOK"), int(QDialog::Rejected));
    QCOMPARE(doubles.ui.texts(),
             std::vector<std::string>{PublishUrlMessage("www.example.com/site")});
    doubles.ui.Clear();
    SetText(dialog, "edtPublishURL", "sftp://me@example.com/srv/www");
    Click(dialog, "chkAutoRotate");
    SetText(dialog, "edtLivePath", "sftp://me@example.com/srv/live");
    doubles.ui.QueueAnswer(Answer::Yes);  // create the missing site directory
    QCOMPARE(Click(dialog, "btnOK"), int(QDialog::Accepted));
    QCOMPARE(catalogue.site().Publish_URL, std::string("sftp://me@example.com/srv/www"));
    QCOMPARE(catalogue.site().LivePath, std::string("sftp://me@example.com/srv/live"));
  }

  // Publish shows its dialog, sends the rotation and says so; without an address or a build it
  // says what is missing and opens nothing.
  void publishSendsTheRotation() {
    DataDir data;
    testing::SshServer server;
    QVERIFY(server.Start());
    server.SetKnownHosts(testing::SshServer::Known::Real);
    testing::TempDir site;
    tsiterecord record;
    record.BaseHTMLName = "Index.html";
    Doubles doubles;
    QVERIFY(!PublishFromEditor(doubles.seams(), record, site.path(), {}, nullptr));
    record.Publish_URL =
        std::string("sftp://") + testing::SshServer::kAlias + server.Scratch("www");
    QVERIFY(!PublishFromEditor(doubles.seams(), record, site.path(), {}, nullptr));
    QCOMPARE(doubles.ui.texts().size(), size_t(2));
    QVERIFY(doubles.dialogs.opened.empty());
    doubles.ui.Clear();

    testing::WriteFile(site / "Index.html", "<img src=a.jpg>");
    testing::WriteFile(site / "a.jpg", std::string(1 << 20, 'a'));
    doubles.dialogs.Queue([](QDialog& dialog) { return dialog.exec(); });
    QVERIFY(PublishFromEditor(doubles.seams(), record, site.path(), {}, nullptr));
    QCOMPARE(doubles.dialogs.opened, std::vector<QString>{"dlgPublish"});
    QCOMPARE(doubles.ui.texts().size(), size_t(1));
    QVERIFY(doubles.ui.texts()[0].find("2 files sent") != std::string::npos);
    QCOMPARE(testing::ReadTree(server.Scratch("www")), testing::ReadTree(site.path()));

    // Cancel pressed before the first block: nothing new is put in place.
    testing::WriteFile(site / "a.jpg", std::string(1 << 20, 'b'));
    doubles.ui.Clear();
    doubles.dialogs.Queue([](QDialog& dialog) {
      Click(dialog, "btnCancelPublish");
      return dialog.exec();
    });
    QVERIFY(!PublishFromEditor(doubles.seams(), record, site.path(), {}, nullptr));
    QVERIFY(doubles.ui.texts()[0].find("was cancelled") != std::string::npos);
    QCOMPARE(testing::ReadFile(server.Scratch("www/a.jpg")), std::string(1 << 20, 'a'));
  }

  // The password is typed in a hidden field; remembering it is off until ticked.
  void passwordPrompt() {
    Doubles doubles;
    DesktopQuestions questions(doubles.seams(), nullptr);
    doubles.dialogs.Queue([](QDialog& dialog) {
      auto* field = Find<QLineEdit>(dialog, "edtPassword");
      if (field->echoMode() != QLineEdit::Password) return int(QDialog::Rejected);
      if (Find<QCheckBox>(dialog, "chkRememberPassword")->isChecked()) {
        return int(QDialog::Rejected);
      }
      field->setText("s3cret");
      return int(QDialog::Accepted);
    });
    QCOMPARE(questions.Password("me@host", 1), std::optional<std::string>("s3cret"));
    doubles.dialogs.Queue([](QDialog&) { return int(QDialog::Rejected); });
    QCOMPARE(questions.Password("me@host", 2), std::optional<std::string>());
    QCOMPARE(doubles.dialogs.opened, (std::vector<QString>{"dlgPassword", "dlgPassword"}));
  }

 private:
  static void SetText(QWidget& parent, const char* name, const QString& text) {
    Find<QLineEdit>(parent, name)->setText(text);
  }
};

QTEST_MAIN(PublishUiTest)
#include "publish_test.moc"
