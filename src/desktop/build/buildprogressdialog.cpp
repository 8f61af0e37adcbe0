#include "desktop/build/buildprogressdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <utility>

#include "builder/sitebuild.h"
#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "model/appstate.h"
#include "model/editsite.h"
#include "model/paths.h"
#include "platform/filelock.h"

namespace parvel {
namespace {}  // namespace

void BuildInteraction::Progress(std::string_view message, int position, int maximum) {
  if (view_)
    view_->ShowProgress(ToQ(message), position, maximum);
  else
    base_.Progress(message, position, maximum);
}

void BuildInteraction::Status(std::string_view message) {
  if (view_)
    view_->ShowStatus(ToQ(message));
  else
    base_.Status(message);
}

bool BuildInteraction::Checkpoint() {
  QApplication::processEvents();
  bool cancel = base_.Checkpoint();
  if (view_ && view_->TakeCancelRequest()) cancel = true;
  return cancel;
}

void BuildInteraction::KeepResponsive() {
  QApplication::processEvents();
}

BuildProgressDialog::BuildProgressDialog(ViewContext context, BuildState& state,
                                         BuildInteraction& ui, QWidget* parent)
    : QDialog(parent), context_(context), state_(state), ui_(ui) {
  setObjectName("dlgBuildProgress");
  setWindowTitle("Build Site");
  const int chars = fontMetrics().averageCharWidth();

  auto* heading =
      NamedLabel("The following images will be built, in this order:", "lblImages", this);
  lbxImages_ = new QListWidget(this);
  lbxImages_->setObjectName("lbxImages");
  lbxImages_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbxImages_->setMinimumSize(chars * 40, fontMetrics().height() * 16);
  heading->setBuddy(lbxImages_);

  btnExclude_ = NamedButton("&Exclude", "btnExclude", this);
  btnUp_ = NamedButton("Move &Up", "btnUp", this);
  btnUp_->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
  btnDown_ = NamedButton("Move &Down", "btnDown", this);
  btnDown_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
  auto* list_buttons = new QVBoxLayout;
  list_buttons->addWidget(btnExclude_);
  list_buttons->addWidget(btnUp_);
  list_buttons->addWidget(btnDown_);
  list_buttons->addStretch();
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(lbxImages_, 1);
  list_row->addLayout(list_buttons);

  chkNoRecreate_ = new QCheckBox("Do &not create thumbnails if they already exist", this);
  chkNoRecreate_->setObjectName("chkNoRecreate");
  chkNoRecreate_->setChecked(state_.no_recreate());
  chkNoRecreate_->setToolTip(
      "A thumbnail is kept when it was made from the picture as it is now with the current "
      "thumbnail size and quality; any other is made again.");

  lblMessage_ = new QLabel(this);
  lblMessage_->setObjectName("lblMessage");
  lblMessage_->setTextFormat(Qt::PlainText);
  lblMessage_->setMinimumWidth(chars * 60);
  lblMessage_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  lblMessage_->setMinimumHeight(fontMetrics().height());
  prgBuild_ = new QProgressBar(this);
  prgBuild_->setObjectName("prgBuild");
  prgBuild_->setRange(0, 1);
  prgBuild_->setValue(0);

  btnStart_ = NamedButton("&Start", "btnStart", this);
  btnStart_->setDefault(true);
  btnCancel_ = NamedButton("Cancel", "btnCancel", this);
  btnHelp_ = NamedButton("&Help", "btnHelp", this);
  btnHelp_->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(btnHelp_);
  bottom->addStretch();
  bottom->addWidget(btnStart_);
  bottom->addWidget(btnCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addLayout(list_row);
  layout->addWidget(chkNoRecreate_);
  layout->addWidget(lblMessage_);
  layout->addWidget(prgBuild_);
  layout->addLayout(bottom);

  start_timer_.setSingleShot(true);
  start_timer_.setInterval(kUnattendedStartMs);
  connect(&start_timer_, &QTimer::timeout, this, &BuildProgressDialog::StartBuild);
  connect(btnStart_, &QPushButton::clicked, this, &BuildProgressDialog::StartBuild);
  connect(btnCancel_, &QPushButton::clicked, this, &BuildProgressDialog::CancelBuildOrClose);
  connect(btnExclude_, &QPushButton::clicked, this, &BuildProgressDialog::ExcludeSelected);
  connect(btnUp_, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
  connect(btnDown_, &QPushButton::clicked, this, [this] { MoveSelected(+1); });
  connect(btnHelp_, &QPushButton::clicked, this, [this] { context_.ui.ShowHelp(kHelpTopic); });
  connect(chkNoRecreate_, &QCheckBox::toggled, this,
          [this](bool on) { state_.set_no_recreate(on); });
  connect(lbxImages_, &QListWidget::itemSelectionChanged, this, &BuildProgressDialog::ApplyRules);

  ui_.set_view(this);
  ApplyRules();
}

BuildProgressDialog::~BuildProgressDialog() {
  ui_.set_view(nullptr);
}

void BuildProgressDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void BuildProgressDialog::FormShow() {
  state_.FillImageList();
  RefillList(-1);
  // Build All: the dialog presses Start by itself; a Cancel before then builds nothing.
  if (state_.unattended()) start_timer_.start();
}

void BuildProgressDialog::RefillList(int focused) {
  const QSignalBlocker blocker(lbxImages_);
  lbxImages_->clear();
  for (const auto& name : state_.images()) lbxImages_->addItem(ToQ(name));
  if (focused >= 0) {
    lbxImages_->setCurrentRow(focused, QItemSelectionModel::NoUpdate);
  }
  lbxImages_->clearSelection();
  ApplyRules();
}

std::set<int> BuildProgressDialog::SelectedRows() const {
  std::set<int> rows;
  for (const QModelIndex& index : lbxImages_->selectionModel()->selectedRows()) {
    rows.insert(index.row());
  }
  return rows;
}

void BuildProgressDialog::ApplyRules() {
  const bool building = state_.building();
  const bool list_actions = state_.image_list().ActionsEnabled(SelectedRows());
  btnExclude_->setEnabled(list_actions);
  btnUp_->setEnabled(list_actions);
  btnDown_->setEnabled(list_actions);
  lbxImages_->setEnabled(!building);
  chkNoRecreate_->setEnabled(!building);
  btnStart_->setEnabled(!building);
  btnHelp_->setEnabled(!building);
}

void BuildProgressDialog::ExcludeSelected() {
  state_.image_list().Exclude(SelectedRows());
  RefillList(-1);
}

void BuildProgressDialog::MoveSelected(int step) {
  const int focused = state_.image_list().Move(lbxImages_->currentRow(), step);
  RefillList(focused);
}

void BuildProgressDialog::StartBuild() {
  start_timer_.stop();
  if (state_.building()) return;
  cancel_requested_ = false;
  // While the build runs only Cancel reacts: every other control is disabled for its length.
  struct Rules {
    BuildProgressDialog* dialog;
    ~Rules() { dialog->ApplyRules(); }
  } restore{this};
  btnStart_->setEnabled(false);
  lbxImages_->setEnabled(false);
  chkNoRecreate_->setEnabled(false);
  btnExclude_->setEnabled(false);
  btnUp_->setEnabled(false);
  btnDown_->setEnabled(false);
  btnHelp_->setEnabled(false);
  if (state_.Start()) accept();
}

void BuildProgressDialog::CancelBuildOrClose() {
  start_timer_.stop();
  if (state_.Cancel()) {
    QDialog::reject();
  } else {
    cancel_requested_ = true;  // taken at the build's next checkpoint
  }
}

void BuildProgressDialog::reject() {
  CancelBuildOrClose();
}

void BuildProgressDialog::closeEvent(QCloseEvent* event) {
  if (state_.building()) {
    event->ignore();
    CancelBuildOrClose();
    return;
  }
  start_timer_.stop();
  QDialog::closeEvent(event);
}

void BuildProgressDialog::ShowProgress(const QString& message, int position, int maximum) {
  lblMessage_->setText(message);
  prgBuild_->setRange(0, maximum > 0 ? maximum : 1);
  prgBuild_->setValue(std::clamp(position, 0, maximum > 0 ? maximum : 1));
}

void BuildProgressDialog::ShowStatus(const QString& message) {
  lblMessage_->setText(message);
}

bool BuildProgressDialog::TakeCancelRequest() {
  const bool requested = cancel_requested_;
  cancel_requested_ = false;
  return requested;
}

bool RunBuildSequence(ViewContext context, SiteEditor& editor, AppState& app, bool all_rotations,
                      QWidget* parent, std::function<void()> built) {
  BuildInteraction ui(context.ui);
  SiteBuildRequest request;
  request.all_rotations = all_rotations;
  request.built = std::move(built);
  request.run = [&](BuildState& state, bool unattended) {
    editor.ShowCurrentStatus();
    BuildProgressDialog dialog(context, state, ui, parent);
    (void)unattended;  // the state knows it and presses Start itself
    return context.dialogs.Run(dialog) == QDialog::Accepted;
  };
  // The desktop holds the settings lock only around its own saves, so none is held here; it is
  // taken after the build to re-read what a rotation run may have saved meanwhile.
  std::unique_ptr<FileLock> lock;
  const SiteBuildResult result =
      BuildFromEditor(ui, editor, app.settings, app.catalogue, app.options, request, lock,
                      [&]() -> std::unique_ptr<FileLock> {
                        auto taken = std::make_unique<FileLock>(DataDirectory());
                        if (taken->held()) return taken;
                        context.ui.Warn(taken->error());
                        return nullptr;
                      });
  return result == SiteBuildResult::Built;
}

}  // namespace parvel
