// The desktop's Interaction: modal message boxes and the text prompt with the program's title,
// the busy cursor, progress forwarded to the window that shows it, checkpoints, opening files
// and links with the desktop's default program, and the help pages in the browser.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

#include "model/datadir.h"
#include "platform/interaction.h"

class QLineEdit;
class QMessageBox;
class QWidget;

namespace parvel {

// Where a long operation shows its progress and takes Cancel (the build dialog).
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void ShowProgress(const QString& message, int position, int maximum) = 0;
  virtual void ShowStatus(const QString& message) = 0;
  // True once when the user has asked to cancel since the last call.
  virtual bool TakeCancelRequest() = 0;
};

// Builds the box Message shows: title, icon per kind, buttons, Escape's button, the default
// button (No when `caution` asks for it), and the text always as plain text (a file name such as
// "<b>x.jpg" is shown as typed).
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind, const QString& text,
                                            Buttons buttons, Caution caution = Caution::None);
// The answer a button of such a box stands for.
Answer AnswerForButton(int standard_button);

// The prompt: the question as plain text above a one-line field holding `initial`.
class PromptDialog : public QDialog {
 public:
  PromptDialog(QWidget* parent, const QString& initial);
  // The field, made with the dialog.
  QLineEdit* answer() const { return edtAnswer_; }

 private:
  QLineEdit* edtAnswer_;
};
std::unique_ptr<PromptDialog> MakePromptDialog(QWidget* parent, const QString& caption,
                                               const QString& question, const QString& initial);

// A tooltip that shows `text` exactly as typed: tooltips would otherwise take text that looks like
// markup (a site named "<b>Best</b>") for rich text.
QString PlainToolTip(const QString& text);

// The help page for a topic number in the data directory: help/index.html for 0, else
// help/topic-NN.html.
std::string HelpPagePath(int topic);

class QtInteraction : public Interaction {
 public:
  // Boxes are centred on `parent` (set_parent changes it).
  explicit QtInteraction(QWidget* parent = nullptr) : parent_(parent) {}

  void set_parent(QWidget* parent) { parent_ = parent; }
  // The window that shows progress and takes cancel requests; null: none.
  void set_progress_view(ProgressView* view) { progress_view_ = view; }

  Answer Message(MessageKind kind, std::string_view text, Buttons buttons) override;
  // The person at the window is the one who answers every question.
  Answer Ask(MessageKind kind, std::string_view text, Buttons buttons, Caution caution) override;
  std::optional<std::string> Prompt(std::string_view caption, std::string_view question,
                                    std::string_view initial) override;
  void BeginBusy() override;
  void EndBusy() override;
  void Progress(std::string_view message, int position, int maximum) override;
  void Status(std::string_view message) override;
  void Log(std::string_view line) override;
  bool Checkpoint() override;
  void KeepResponsive() override;
  // A file path, or a link ("https://...", "mailto:...").
  bool OpenDocument(const std::string& path) override;
  void ShowHelp(int topic) override;

 private:
  // Runs a modal box with the arrow cursor while the busy cursor is on.
  int RunModal(QDialog& dialog);

  QWidget* parent_;
  ProgressView* progress_view_ = nullptr;
  int busy_depth_ = 0;
  // Logged lines not yet shown: the details of the next message box.
  QStringList pending_log_;
};

}  // namespace parvel
