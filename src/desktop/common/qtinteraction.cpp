#include "desktop/common/qtinteraction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

QMessageBox::Icon IconFor(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Confirmation:
      return QMessageBox::Question;
    case MessageKind::Plain:
      break;
  }
  return QMessageBox::NoIcon;
}

// A link is anything with a scheme the desktop opens itself; everything else is a file.
bool IsLink(const std::string& text) {
  return text.rfind("mailto:", 0) == 0 || text.find("://") != std::string::npos;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind, const QString& text,
                                            Buttons buttons, Caution caution) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setObjectName("messageBox");
  box->setWindowTitle(kProductName);
  box->setIcon(IconFor(kind));
  box->setTextFormat(Qt::PlainText);
  // CR LF pairs from the texts of the settings rules are one line break each.
  QString shown = text;
  shown.replace("\r\n", "\n");
  box->setText(shown);
  QMessageBox::StandardButton escape = QMessageBox::Ok;
  switch (buttons) {
    case Buttons::Ok:
      box->setStandardButtons(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      escape = QMessageBox::Cancel;
      break;
    case Buttons::YesNo:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      escape = QMessageBox::No;
      break;
    case Buttons::YesNoCancel:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      escape = QMessageBox::Cancel;
      break;
    case Buttons::YesAllNoAllCancel:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                              QMessageBox::NoToAll | QMessageBox::Cancel);
      escape = QMessageBox::Cancel;
      break;
  }
  box->setEscapeButton(escape);
  const bool has_yes = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ||
                       buttons == Buttons::YesAllNoAllCancel;
  // A question whose Yes deletes is not answered by a stray Enter.
  box->setDefaultButton(!has_yes                   ? QMessageBox::Ok
                        : caution == Caution::None ? QMessageBox::Yes
                                                   : QMessageBox::No);
  return box;
}

Answer AnswerForButton(int standard_button) {
  switch (standard_button) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::YesToAll:
      return Answer::YesToAll;
    case QMessageBox::NoToAll:
      return Answer::NoToAll;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      return Answer::Ok;
  }
}

PromptDialog::PromptDialog(QWidget* parent, const QString& initial)
    : QDialog(parent), edtAnswer_(new QLineEdit(initial, this)) {
  edtAnswer_->setObjectName("edtAnswer");
}

std::unique_ptr<PromptDialog> MakePromptDialog(QWidget* parent, const QString& caption,
                                               const QString& question, const QString& initial) {
  auto dialog = std::make_unique<PromptDialog>(parent, initial);
  dialog->setObjectName("promptDialog");
  dialog->setWindowTitle(caption.isEmpty() ? QString(kProductName) : caption);
  auto* layout = new QVBoxLayout(dialog.get());
  auto* label = NamedLabel(question, "lblQuestion", dialog.get());
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  auto* edit = dialog->answer();
  // As wide as the question, within 48 to 80 characters; a longer question wraps.
  const int chars = label->fontMetrics().averageCharWidth();
  const int question_width = label->fontMetrics().boundingRect(question).width() + chars;
  label->setMinimumWidth(std::clamp(question_width, chars * 48, chars * 80));
  edit->setMinimumWidth(chars * 48);
  label->setBuddy(edit);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog.get());
  box->setObjectName("buttonBox");
  box->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
  box->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  QObject::connect(box, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
  layout->addWidget(label);
  layout->addWidget(edit);
  layout->addWidget(box);
  return dialog;
}

QString PlainToolTip(const QString& text) {
  if (text.isEmpty()) return text;
  return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

std::string HelpPagePath(int topic) {
  if (topic <= 0) return DataDirectory() + "help/index.html";
  char name[32];
  std::snprintf(name, sizeof(name), "help/topic-%02d.html", topic);
  return DataDirectory() + name;
}

int QtInteraction::RunModal(QDialog& dialog) {
  // A box waits for the user: the pointer is an arrow over it even inside a long operation.
  if (busy_depth_ > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = dialog.exec();
  if (busy_depth_ > 0) QApplication::restoreOverrideCursor();
  return result;
}

Answer QtInteraction::Message(MessageKind kind, std::string_view text, Buttons buttons) {
  return Ask(kind, text, buttons, Caution::None);
}

Answer QtInteraction::Ask(MessageKind kind, std::string_view text, Buttons buttons,
                          Caution caution) {
  const auto box = MakeMessageBox(parent_, kind, ToQ(text), buttons, caution);
  if (!pending_log_.isEmpty()) {
    box->setDetailedText(pending_log_.join('\n'));
    pending_log_.clear();
    // Return answers the box: the details button takes only a click (or Space once focused).
    for (QAbstractButton* button : box->buttons()) {
      if (box->buttonRole(button) != QMessageBox::ActionRole) continue;
      if (auto* push = qobject_cast<QPushButton*>(button)) push->setAutoDefault(false);
    }
  }
  RunModal(*box);
  QAbstractButton* clicked = box->clickedButton();
  // Closing the box without a button counts as its Escape button.
  const int button =
      clicked ? box->standardButton(clicked) : box->standardButton(box->escapeButton());
  return AnswerForButton(button);
}

std::optional<std::string> QtInteraction::Prompt(std::string_view caption,
                                                 std::string_view question,
                                                 std::string_view initial) {
  const auto dialog = MakePromptDialog(parent_, ToQ(caption), ToQ(question), ToQ(initial));
  if (RunModal(*dialog) != QDialog::Accepted) return std::nullopt;
  return dialog->answer()->text().toStdString();
}

void QtInteraction::BeginBusy() {
  if (busy_depth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtInteraction::EndBusy() {
  if (busy_depth_ > 0 && --busy_depth_ == 0) QApplication::restoreOverrideCursor();
}

void QtInteraction::Progress(std::string_view message, int position, int maximum) {
  if (progress_view_) progress_view_->ShowProgress(ToQ(message), position, maximum);
}

void QtInteraction::Log(std::string_view line) {
  pending_log_.append(ToQ(line));
}

void QtInteraction::Status(std::string_view message) {
  if (progress_view_) progress_view_->ShowStatus(ToQ(message));
}

bool QtInteraction::Checkpoint() {
  QApplication::processEvents();
  return progress_view_ != nullptr && progress_view_->TakeCancelRequest();
}

void QtInteraction::KeepResponsive() {
  QApplication::processEvents();
}

bool QtInteraction::OpenDocument(const std::string& path) {
  const QUrl url = IsLink(path) ? QUrl(ToQ(path)) : QUrl::fromLocalFile(ToQ(path));
  return QDesktopServices::openUrl(url);
}

void QtInteraction::ShowHelp(int topic) {
  const std::string page = HelpPagePath(topic);
  if (!FileExists(page)) {
    Warn("The help page " + page + " is missing!");
    return;
  }
  OpenPage(page);
}

}  // namespace parvel
