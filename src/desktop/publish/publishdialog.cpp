#include "desktop/publish/publishdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <thread>

#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "keyring/keyring.h"
#include "model/catalogue.h"
#include "model/paths.h"
#include "model/siteoptions.h"
#include "platform/filesystem.h"
#include "platform/interaction.h"

namespace parvel {
namespace {

// The publish's Interaction on the worker thread: progress goes to the dialog as signals, Cancel
// comes back through the flag; it asks nothing.
class WorkerInteraction : public Interaction {
 public:
  WorkerInteraction(PublishDialog& dialog, std::atomic<bool>& cancel)
      : dialog_(dialog), cancel_(cancel) {}
  Answer Message(MessageKind, std::string_view, Buttons buttons) override {
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
  }
  Answer Ask(MessageKind kind, std::string_view text, Buttons buttons, Caution) override {
    return Message(kind, text, buttons);
  }
  std::optional<std::string> Prompt(std::string_view, std::string_view, std::string_view) override {
    return std::nullopt;
  }
  void BeginBusy() override {}
  void EndBusy() override {}
  void Progress(std::string_view message, int position, int maximum) override {
    emit dialog_.progressed(ToQ(message), position, maximum);
  }
  void Status(std::string_view message) override { Progress(message, 0, 0); }
  void Log(std::string_view) override {}
  bool Checkpoint() override { return cancel_; }
  bool OpenDocument(const std::string&) override { return false; }
  void ShowHelp(int) override {}

 private:
  PublishDialog& dialog_;
  std::atomic<bool>& cancel_;
};

// Runs `work` on a thread of its own while the window keeps handling events.
void RunAside(const std::function<void()>& work) {
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  if (!done) loop.exec();
  worker.join();
}

}  // namespace

PasswordDialog::PasswordDialog(const QString& who, QWidget* parent) : QDialog(parent) {
  setObjectName("dlgPassword");
  setWindowTitle("Password");
  auto* label = new QLabel(this);
  label->setObjectName("lblPasswordFor");
  label->setTextFormat(Qt::PlainText);
  label->setText(kPasswordFor + who + ":");
  edtPassword_ = new QLineEdit(this);
  edtPassword_->setObjectName("edtPassword");
  edtPassword_->setEchoMode(QLineEdit::Password);
  chkRemember_ = new QCheckBox("Remember the password", this);
  chkRemember_->setObjectName("chkRememberPassword");
  chkRemember_->setChecked(false);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("btnsPassword");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnPasswordOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnPasswordCancel");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(edtPassword_);
  layout->addWidget(chkRemember_);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::string PasswordDialog::password() const {
  return edtPassword_->text().toStdString();
}

bool PasswordDialog::remember() const {
  return chkRemember_->isChecked();
}

void DesktopQuestions::OnWindowThread(const std::function<void()>& work) {
  if (QThread::currentThread() == qApp->thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(qApp, work, Qt::BlockingQueuedConnection);
  }
}

bool DesktopQuestions::TrustNewHost(const std::string& host, const std::string& fingerprint) {
  bool trust = false;
  OnWindowThread([&] { trust = context_.ui.AskYesNo(NewHostQuestion(host, fingerprint)); });
  return trust;
}

std::optional<std::string> DesktopQuestions::Passphrase(const std::string& prompt) {
  std::optional<std::string> answer;
  OnWindowThread([&] {
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, "Passphrase", ToQ(prompt),
                                               QLineEdit::Password, QString(), &ok);
    if (ok) answer = text.toStdString();
  });
  return answer;
}

std::optional<std::string> DesktopQuestions::Password(const std::string& who, int attempt) {
  from_keyring_ = false;
  if (attempt == 1) {
    if (auto kept = KeyringPassword(who)) {
      from_keyring_ = true;
      return kept;
    }
  }
  std::optional<std::string> answer;
  OnWindowThread([&] {
    PasswordDialog dialog(ToQ(who), parent_);
    if (context_.dialogs.Run(dialog) == QDialog::Accepted) {
      answer = dialog.password();
      remember_ = dialog.remember();
    }
  });
  return answer;
}

void DesktopQuestions::PasswordAccepted(const std::string& who, const std::string& password) {
  if (from_keyring_ || !remember_) return;
  std::string error;
  if (!KeepKeyringPassword(who, password, &error)) {
    OnWindowThread([&] {
      context_.ui.Warn("The password for " + who + " could not be kept in the keyring: " + error);
    });
  }
}

PublishDialog::PublishDialog(ViewContext context, std::string source, PublishAddress address,
                             LiveSelection selection, QWidget* parent)
    : QDialog(parent),
      context_(context),
      source_(std::move(source)),
      address_(std::move(address)),
      selection_(std::move(selection)) {
  setObjectName("dlgPublish");
  setWindowTitle("Publish");
  lblProgress_ = new QLabel(this);
  lblProgress_->setObjectName("lblPublishProgress");
  lblProgress_->setTextFormat(Qt::PlainText);
  lblProgress_->setText(ToQ(ConnectingStatus(address_)));
  lblProgress_->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
  prgPublish_ = new QProgressBar(this);
  prgPublish_->setObjectName("prgPublish");
  prgPublish_->setRange(0, 0);
  btnCancel_ = NamedButton("Cancel", "btnCancelPublish", this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblProgress_);
  layout->addWidget(prgPublish_);
  layout->addWidget(btnCancel_, 0, Qt::AlignRight);
  connect(btnCancel_, &QPushButton::clicked, this, [this] {
    RequestCancel();
    btnCancel_->setEnabled(false);
  });
  connect(this, &PublishDialog::progressed, this, [this](QString text, int position, int maximum) {
    lblProgress_->setText(text);
    prgPublish_->setRange(0, maximum);
    prgPublish_->setValue(position);
  });
}

PublishDialog::~PublishDialog() = default;

int PublishDialog::exec() {
  setModal(true);
  show();
  DesktopQuestions questions(context_, this);
  RunAside([&] {
    WorkerInteraction ui(*this, cancel_);
    result_ = PublishFolder(ui, questions, source_, address_, selection_);
  });
  hide();
  setResult(result_.ok() ? QDialog::Accepted : QDialog::Rejected);
  return result();
}

bool PublishFromEditor(ViewContext context, const SiteRecord& site,
                       const std::string& rotation_directory, const LiveSelection& selection,
                       QWidget* parent) {
  if (site.Publish_URL.empty()) {
    context.ui.Inform(
        "This site has no address to publish to: enter one (sftp://user@host/folder) "
        "in Site Options.");
    return false;
  }
  std::string why;
  const auto address = ParsePublishUrl(site.Publish_URL, &why);
  if (!address) {
    context.ui.Warn(kPublishAddressPrefix + site.Publish_URL + ", is " + why + ".");
    return false;
  }
  const std::string dir = FixPath(rotation_directory, true);
  if (!FileExists(dir + site.BaseHTMLName)) {
    context.ui.Warn("The rotation is not built (" + dir + " holds no " + site.BaseHTMLName +
                    "): build it before publishing.");
    return false;
  }
  PublishDialog dialog(context, dir, *address, selection, parent);
  context.dialogs.Run(dialog);
  const PublishResult& result = dialog.outcome();
  if (result.ok()) {
    context.ui.Inform(result.message);
  } else {
    context.ui.Warn(result.message);
  }
  return result.ok();
}

void TestPublishUrl(ViewContext context, const std::string& url, QWidget* parent) {
  DesktopQuestions questions(context, parent);
  std::string found;
  bool ok = false;
  {
    BusyCursor busy(context.ui);
    RunAside([&] { ok = TestPublishAddress(questions, url, &found); });
  }
  if (ok) {
    context.ui.Inform(found);
  } else {
    context.ui.Warn(found);
  }
}

}  // namespace parvel
