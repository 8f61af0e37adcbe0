#include "desktop/mainwindow/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>
#include <vector>

#include "desktop/common/qtinteraction.h"
#include "desktop/common/widgetmakers.h"
#include "desktop/mainwindow/aboutbox.h"
#include "desktop/options/optionsdialog.h"
#include "desktop/siteeditor/editsitedialog.h"
#include "desktop/siteoptions/siteoptionsdialog.h"
#include "model/rotatenow.h"

namespace parvel {
namespace {

constexpr int kToolTipMs = 5000;

// The status panel's rows: the key used here, the label's object name and its text.
struct StatusRow {
  const char* key;
  const char* name;
  const char* caption;
};
constexpr StatusRow kStatusRows[] = {
    {"site_name", "lblSiteName", "Site Name:"},
    {"location", "lblLocation", "Location:"},
    {"rotations", "lblRotations", "No. of Rotations:"},
    {"auto_rotate", "lblAutoRotate", "Auto Rotate:"},
    {"copy_to", "lblCopyTo", "Copy Rotation to:"},
    {"next_rotation", "lblNextRotation", "Next Rotation to copy:"},
};

QPushButton* ActionButton(const QString& caption, const QString& tip, const QString& name,
                          QWidget* parent) {
  auto* button = NamedButton(caption, name, parent);
  button->setToolTip(tip);
  button->setToolTipDuration(kToolTipMs);
  return button;
}

}  // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextInteractionFlags(Qt::NoTextInteraction);
}

void ElidedLabel::SetFullText(const QString& text) {
  setText(text);
  setToolTip(PlainToolTip(text));
  setToolTipDuration(kToolTipMs);
}

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
  style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                        shown, foregroundRole());
}

MainWindow::MainWindow(ViewContext context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName("frmMain");
  setWindowTitle(kProductName);
  // A fixed window: it can be minimised, never maximised.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

  auto* sites = new QGroupBox("Web Sites", this);
  sites->setObjectName("grpSites");
  lbxSites_ = new QListWidget(sites);
  lbxSites_->setObjectName("lbxSites");
  lbxSites_->setSelectionMode(QAbstractItemView::SingleSelection);
  lbxSites_->setMinimumSize(fontMetrics().averageCharWidth() * 30, fontMetrics().height() * 14);
  auto* sites_layout = new QVBoxLayout(sites);
  sites_layout->addWidget(lbxSites_);

  auto* status = new QGroupBox("Site Status", this);
  status->setObjectName("grpStatus");
  auto* status_layout = new QGridLayout(status);
  int row = 0;
  for (const auto& entry : kStatusRows) {
    auto* caption = NamedLabel(entry.caption, entry.name, status);
    auto* value = new ElidedLabel(status);
    value->setObjectName(QString(entry.name) + "Value");
    value->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
    status_layout->addWidget(caption, row, 0);
    status_layout->addWidget(value, row, 1);
    status_values_[entry.key] = value;
    ++row;
  }
  status_layout->setRowStretch(row, 1);
  status_layout->setColumnStretch(1, 1);

  btnNewSite_ = ActionButton("New Site..", "Create a new site", "btnNewSite", this);
  btnDeleteSite_ = ActionButton("Delete Site..", "Delete the selected site", "btnDeleteSite", this);
  btnSiteOptions_ =
      ActionButton("Site Options..", "Set options for the selected site", "btnSiteOptions", this);
  btnEditSite_ =
      ActionButton("Edit/Build Site..", "Design and create the selected site", "btnEditSite", this);
  btnOptions_ = ActionButton("Options..", "Set system options", "btnOptions", this);
  btnRotateNow_ = ActionButton(
      "Rotate Now!",
      "If your sites support auto-rotation you can use this option to rotate them manually",
      "btnRotateNow", this);
  btnAbout_ = ActionButton("About..", "About Parvel Pro", "btnAbout", this);
  btnClose_ = ActionButton("&Close", "Close Parvel Pro", "btnClose", this);
  btnHelp_ = ActionButton("&Help", "Display help information", "btnHelp", this);
  btnHelp_->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

  auto* site_actions = new QGridLayout;
  site_actions->addWidget(btnNewSite_, 0, 0);
  site_actions->addWidget(btnDeleteSite_, 0, 1);
  site_actions->addWidget(btnSiteOptions_, 0, 2);
  site_actions->addWidget(btnEditSite_, 1, 0);
  site_actions->addWidget(btnOptions_, 1, 1);
  site_actions->addWidget(btnRotateNow_, 1, 2);
  auto* right = new QVBoxLayout;
  right->addWidget(status, 1);
  right->addLayout(site_actions);
  auto* top = new QHBoxLayout;
  top->addWidget(sites);
  top->addLayout(right);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(btnHelp_);
  bottom->addStretch();
  bottom->addWidget(btnAbout_);
  bottom->addWidget(btnClose_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(bottom);
  // The window's size is its layout's: it follows the fonts and the screen's scaling.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnNewSite_, &QPushButton::clicked, this, &MainWindow::NewSite);
  connect(btnDeleteSite_, &QPushButton::clicked, this, &MainWindow::DeleteSite);
  connect(btnSiteOptions_, &QPushButton::clicked, this, &MainWindow::EditSiteOptions);
  connect(btnEditSite_, &QPushButton::clicked, this, &MainWindow::EditSelectedSite);
  connect(btnOptions_, &QPushButton::clicked, this, &MainWindow::EditOptions);
  connect(btnRotateNow_, &QPushButton::clicked, this, &MainWindow::RotateSitesNow);
  connect(btnAbout_, &QPushButton::clicked, this, &MainWindow::ShowAboutBox);
  connect(btnHelp_, &QPushButton::clicked, this, &MainWindow::ShowHelpPages);
  connect(btnClose_, &QPushButton::clicked, this, &QWidget::close);
  connect(lbxSites_, &QListWidget::currentRowChanged, this, &MainWindow::SelectSite);
  connect(lbxSites_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { OpenSite(lbxSites_->row(item)); });

  // Until start-up has read the options and the catalogue, no site action can be taken.
  ShowStatus(SelectionStatus{});
  btnRotateNow_->setEnabled(false);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!started_) {
    CentreOnScreen();
    StartUp();
  }
}

void MainWindow::CentreOnScreen() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void MainWindow::StartUp() {
  if (started_) return;
  started_ = true;
  OfferDefaultNavigationImages(state_.settings);
  if (!state_.catalogue.ReadSites()) {
    context_.ui.Warn("The catalogue " + SitesFileName() +
                     " cannot be read (unreadable, or too large to be a catalogue); it is left as "
                     "it is.");
  }
  state_.options.Read();
  btnRotateNow_->setEnabled(state_.options.UseRotations);
  state_.catalogue.rebuildSiteNameList();
  RefillSiteList();
  ShowStatus(state_.catalogue.ComputeSelectionStatus(state_.options.UseRotations));
  state_.recent.Read();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  ShutDown();
  event->accept();
}

void MainWindow::ShutDown() {
  if (shut_down_ || !started_) return;
  shut_down_ = true;
  std::string lock_error;
  const bool saved = SaveAppSettings(state_, &lock_error);
  if (!lock_error.empty()) context_.ui.Warn(lock_error);
  if (!saved) context_.ui.Message(MessageKind::Plain, kSaveSettingsFailedMessage, Buttons::Ok);
}

void MainWindow::RefillSiteList() {
  const QSignalBlocker blocker(lbxSites_);
  lbxSites_->clear();
  for (const auto& name : state_.catalogue.names()) {
    auto* item = new QListWidgetItem(QString::fromStdString(name), lbxSites_);
    item->setToolTip(PlainToolTip(QString::fromStdString(name)));
  }
  lbxSites_->setCurrentRow(state_.catalogue.selected());
  if (state_.catalogue.selected() < 0) lbxSites_->clearSelection();
}

void MainWindow::ShowStatus(const SelectionStatus& status) {
  status_values_["site_name"]->SetFullText(QString::fromStdString(status.site_name));
  status_values_["location"]->SetFullText(QString::fromStdString(status.location));
  status_values_["rotations"]->SetFullText(QString::fromStdString(status.rotations));
  status_values_["auto_rotate"]->SetFullText(QString::fromStdString(status.auto_rotate));
  status_values_["copy_to"]->SetFullText(QString::fromStdString(status.copy_to));
  status_values_["next_rotation"]->SetFullText(QString::fromStdString(status.next_rotation));
  btnDeleteSite_->setEnabled(status.delete_site_enabled);
  btnSiteOptions_->setEnabled(status.site_options_enabled);
  btnEditSite_->setEnabled(status.edit_site_enabled);
  // The list shows the catalogue's selection, without running the selection flow again.
  if (lbxSites_->currentRow() != state_.catalogue.selected()) {
    const QSignalBlocker blocker(lbxSites_);
    lbxSites_->setCurrentRow(state_.catalogue.selected());
  }
}

bool MainWindow::RunSiteOptions() {
  SiteOptionsDialog dialog(context_, state_.catalogue, state_.options.UseRotations, this);
  return context_.dialogs.Run(dialog) == QDialog::Accepted;
}

void MainWindow::SelectSite(int row) {
  ShowStatus(state_.catalogue.SelectSite(row, state_.options.UseRotations));
}

void MainWindow::OpenSite(int row) {
  const auto result = state_.catalogue.DoubleClickSite(row, state_.options.UseRotations);
  ShowStatus(result.status);
  if (result.open_editor) EditSelectedSite();
}

void MainWindow::NewSite() {
  const SelectionStatus status =
      state_.catalogue.NewSite(context_.ui, state_.options.UseRotations, [this] {
        // The new entry is in the list and selected while its site options are open.
        RefillSiteList();
        return RunSiteOptions();
      });
  RefillSiteList();
  ShowStatus(status);
}

void MainWindow::DeleteSite() {
  const SelectionStatus status =
      state_.catalogue.DeleteSite(context_.ui, state_.options.UseRotations);
  RefillSiteList();
  ShowStatus(status);
}

void MainWindow::EditSiteOptions() {
  const auto status = SiteOptionsAction(context_.ui, state_.catalogue, state_.options.UseRotations,
                                        [this] { return RunSiteOptions(); });
  if (!status) return;
  RefillSiteList();
  ShowStatus(*status);
}

MainWindow::~MainWindow() = default;

void BringToFront(QWidget& window) {
  window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window.show();
  window.raise();
  QWidget* front = QApplication::activeModalWidget();
  if (front == nullptr) front = &window;
  front->raise();
  front->activateWindow();
}

void MainWindow::EditSelectedSite() {
  const SiteRecord& site = state_.catalogue.site();
  if (site.SiteKey.empty() || site.Path.empty()) {
    // A directory has to be given first.
    EditSiteOptions();
    return;
  }
  OpenSiteEditor();
  ShowStatus(state_.catalogue.ComputeSelectionStatus(state_.options.UseRotations));
}

void MainWindow::OpenSiteEditor() {
  if (!site_editor_) site_editor_ = std::make_unique<EditSiteDialog>(context_, state_, this);
  EditSiteDialog& editor = *site_editor_;
  if (!editor.Open()) return;
  context_.dialogs.Run(editor);
  // However the editor was left, its rotation and the site are saved.
  editor.SaveOnClose();
}

void MainWindow::EditOptions() {
  OptionsDialog dialog(context_, state_.options, this);
  if (context_.dialogs.Run(dialog) != QDialog::Accepted) return;
  btnRotateNow_->setEnabled(state_.options.UseRotations);
  // The panel shows the rotation fields only with rotations on.
  ShowStatus(state_.catalogue.ComputeSelectionStatus(state_.options.UseRotations));
}

void MainWindow::RotateSitesNow() {
  // The window keeps painting while turnwheel runs, but takes no other action meanwhile.
  std::vector<std::pair<QWidget*, bool>> controls;
  for (QWidget* control : std::initializer_list<QWidget*>{
           lbxSites_, btnNewSite_, btnDeleteSite_, btnSiteOptions_, btnEditSite_, btnOptions_,
           btnRotateNow_, btnAbout_, btnHelp_, btnClose_}) {
    controls.emplace_back(control, control->isEnabled());
    control->setEnabled(false);
  }
  const auto restore = [&] {
    for (const auto& [control, enabled] : controls) control->setEnabled(enabled);
  };
  const SelectionStatus status =
      RotateNow(context_.ui, state_.catalogue, state_.options.UseRotations, restore);
  ShowStatus(status);
}

void MainWindow::ShowAboutBox() {
  AboutBox box(context_, this);
  context_.dialogs.Run(box);
}

void MainWindow::ShowHelpPages() {
  context_.ui.ShowHelp(0);
}

}  // namespace parvel
