// The desktop's publishing: the dialog that shows a publish's progress with Cancel (the publish
// runs on a worker thread, so the window stays responsive), the questions asked in dialogs (a new
// host's key, a passphrase, the password in a hidden field with "Remember the password"), and
// the remembered passwords kept in the desktop's keyring.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <string>

#include "desktop/common/viewcontext.h"
#include "model/catalogue.h"
#include "publish/publish.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace parvel {

// The password prompt: a hidden field and "Remember the password" (off by default).
class PasswordDialog : public QDialog {
  Q_OBJECT

 public:
  PasswordDialog(const QString& who, QWidget* parent = nullptr);
  std::string password() const;
  bool remember() const;

 private:
  QLineEdit* edtPassword_;
  QCheckBox* chkRemember_;
};

// Publishing's questions in dialogs, asked on the window's thread whichever thread asks. The
// password kept in the keyring is tried first; one typed is kept there when the user ticked
// "Remember the password" and the host took it.
class DesktopQuestions : public PublishQuestions {
 public:
  DesktopQuestions(ViewContext context, QWidget* parent) : context_(context), parent_(parent) {}
  bool TrustNewHost(const std::string& host, const std::string& fingerprint) override;
  std::optional<std::string> Passphrase(const std::string& prompt) override;
  std::optional<std::string> Password(const std::string& who, int attempt) override;
  void PasswordAccepted(const std::string& who, const std::string& password) override;

 private:
  void OnWindowThread(const std::function<void()>& work);

  ViewContext context_;
  QWidget* parent_;
  bool remember_ = false;
  bool from_keyring_ = false;
};

// "Publish": runs PublishFolder on a worker thread and shows files, bytes and rate, with Cancel.
// Run it through the dialog factory; result() then says what happened.
class PublishDialog : public QDialog {
  Q_OBJECT

 public:
  PublishDialog(ViewContext context, std::string source, PublishAddress address,
                LiveSelection selection = {}, QWidget* parent = nullptr);
  ~PublishDialog() override;

  int exec() override;
  const PublishResult& outcome() const { return result_; }
  // Asks the publish to stop at its next block (what Cancel does).
  void RequestCancel() { cancel_ = true; }

 signals:
  void progressed(QString text, int position, int maximum);
  void finishedWork();

 private:
  ViewContext context_;
  std::string source_;
  PublishAddress address_;
  LiveSelection selection_;
  PublishResult result_;
  std::atomic<bool> cancel_{false};
  QLabel* lblProgress_;
  QProgressBar* prgPublish_;
  QPushButton* btnCancel_;
};

// The site editor's Publish: checks that the site has an address and the rotation is built, runs
// the dialog and reports the outcome through the Interaction. True when everything was sent.
// `selection` is what the rotation's live copy leaves out (SiteRotationSelection).
bool PublishFromEditor(ViewContext context, const SiteRecord& site,
                       const std::string& rotation_directory, const LiveSelection& selection,
                       QWidget* parent);

// Site Options' Test: connects (on a worker thread) and shows what was found.
void TestPublishUrl(ViewContext context, const std::string& url, QWidget* parent);

}  // namespace parvel
