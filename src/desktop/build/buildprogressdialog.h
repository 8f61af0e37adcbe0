// The build dialog: the images of the build in their order (Exclude, move up and down), the
// switch that keeps existing thumbnails, Start and Cancel, and the progress of the build, which
// runs on the window's thread and lets the window's events run at every checkpoint. While it
// builds only Cancel reacts; Escape and the window's close button act as Cancel.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <set>

#include "builder/build.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/common/viewcontext.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace parvel {

class SiteEditor;
struct AppState;

// The Interaction a build talks through: messages go to the window's own Interaction; progress
// and status go to the build dialog while one is shown; a checkpoint lets pending events run and
// reports the dialog's cancel request (or the underlying Interaction's).
class BuildInteraction : public Interaction {
 public:
  explicit BuildInteraction(Interaction& base) : base_(base) {}
  void set_view(ProgressView* view) { view_ = view; }

  Answer Message(MessageKind kind, std::string_view text, Buttons buttons) override {
    return base_.Message(kind, text, buttons);
  }
  Answer Ask(MessageKind kind, std::string_view text, Buttons buttons, Caution caution) override {
    return base_.Ask(kind, text, buttons, caution);
  }
  std::optional<std::string> Prompt(std::string_view caption, std::string_view question,
                                    std::string_view initial) override {
    return base_.Prompt(caption, question, initial);
  }
  void BeginBusy() override { base_.BeginBusy(); }
  void EndBusy() override { base_.EndBusy(); }
  void Progress(std::string_view message, int position, int maximum) override;
  void Status(std::string_view message) override;
  void Log(std::string_view line) override { base_.Log(line); }
  bool Checkpoint() override;
  void KeepResponsive() override;
  bool OpenDocument(const std::string& path) override { return base_.OpenDocument(path); }
  void ShowHelp(int topic) override { base_.ShowHelp(topic); }

 private:
  Interaction& base_;
  ProgressView* view_ = nullptr;
};

class BuildProgressDialog : public QDialog, public ProgressView {
  Q_OBJECT

 public:
  static constexpr int kHelpTopic = 27;
  static constexpr int kUnattendedStartMs = 300;

  // `state` has passed its pre-build checks and talks through `ui`.
  BuildProgressDialog(ViewContext context, BuildState& state, BuildInteraction& ui,
                      QWidget* parent = nullptr);
  ~BuildProgressDialog() override;

  // ProgressView
  void ShowProgress(const QString& message, int position, int maximum) override;
  void ShowStatus(const QString& message) override;
  bool TakeCancelRequest() override;

  // Escape: Cancel.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // What the controls run, each from its own connect.
  void StartBuild();
  void ExcludeSelected();
  void MoveSelected(int step);
  void CancelBuildOrClose();

  void FormShow();
  void RefillList(int focused);
  std::set<int> SelectedRows() const;
  void ApplyRules();

  ViewContext context_;
  BuildState& state_;
  BuildInteraction& ui_;
  bool shown_ = false;
  bool cancel_requested_ = false;
  QTimer start_timer_;
  QListWidget* lbxImages_;
  QPushButton* btnExclude_;
  QPushButton* btnUp_;
  QPushButton* btnDown_;
  QCheckBox* chkNoRecreate_;
  QLabel* lblMessage_;
  QProgressBar* prgBuild_;
  QPushButton* btnStart_;
  QPushButton* btnCancel_;
  QPushButton* btnHelp_;
};

// The site editor's "Build!" (or Build All, every rotation in turn) through the same sequence as
// the command line's build (BuildFromEditor), showing the build dialog for each build whose
// checks passed. `built` is told after each build, once the editor's rotation list is read
// again. True when every build completed.
bool RunBuildSequence(ViewContext context, SiteEditor& editor, AppState& app, bool all_rotations,
                      QWidget* parent, std::function<void()> built = {});

}  // namespace parvel
