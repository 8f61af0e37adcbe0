#include "desktop/siteeditor/copysettingsdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "desktop/common/widgetmakers.h"

namespace parvel {

CopySettingsDialog::CopySettingsDialog(ViewContext context, CopySettingsForm state,
                                       SiteSettings& settings, bool use_rotations, QWidget* parent)
    : QDialog(parent),
      context_(context),
      state_(std::move(state)),
      settings_(settings),
      use_rotations_(use_rotations) {
  setObjectName("dlgCopySettings");
  setWindowTitle("Copy Settings");
  const int chars = fontMetrics().averageCharWidth();

  auto* explanation = new QLabel(
      "Take over the page settings of this rotation; its images and directory stay.", this);
  explanation->setObjectName("lblExplanation");
  explanation->setWordWrap(true);
  auto* site_label = NamedLabel("&Site:", "lblSite", this);
  cmbSites_ = new QComboBox(this);
  cmbSites_->setObjectName("cmbSites");
  for (const auto& name : state_.site_names()) cmbSites_->addItem(QString::fromStdString(name));
  cmbSites_->setCurrentIndex(state_.chosen_site());
  site_label->setBuddy(cmbSites_);
  auto* rotations_label = NamedLabel("&Copy the settings of:", "lblRotations", this);
  lbxRotations_ = new QListWidget(this);
  lbxRotations_->setObjectName("lbxRotations");
  lbxRotations_->setSelectionMode(QAbstractItemView::SingleSelection);
  lbxRotations_->setMinimumSize(chars * 44, fontMetrics().height() * 10);
  rotations_label->setBuddy(lbxRotations_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("buttonBox");
  btnOK_ = buttons->button(QDialogButtonBox::Ok);
  btnOK_->setObjectName("btnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addWidget(site_label);
  layout->addWidget(cmbSites_);
  layout->addWidget(rotations_label);
  layout->addWidget(lbxRotations_, 1);
  layout->addWidget(buttons);
  FillRotations();

  connect(cmbSites_, &QComboBox::currentIndexChanged, this, &CopySettingsDialog::ChooseSite);
  connect(lbxRotations_, &QListWidget::currentRowChanged, this,
          [this](int row) { state_.SelectRotation(row); });
  connect(buttons, &QDialogButtonBox::accepted, this, &CopySettingsDialog::CopyAndAccept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CopySettingsDialog::FillRotations() {
  const QSignalBlocker blocker(lbxRotations_);
  lbxRotations_->clear();
  for (const auto& entry : state_.rotations()) {
    lbxRotations_->addItem(QString::fromStdString(entry));
  }
  lbxRotations_->setCurrentRow(state_.selected_rotation());
  if (state_.selected_rotation() < 0) lbxRotations_->clearSelection();
  btnOK_->setEnabled(state_.ok_enabled());
}

void CopySettingsDialog::ChooseSite(int index) {
  state_.ChooseSite(context_.ui, index, use_rotations_);
  FillRotations();
}

void CopySettingsDialog::CopyAndAccept() {
  if (state_.Accept(context_.ui, settings_, use_rotations_)) accept();
}

}  // namespace parvel
