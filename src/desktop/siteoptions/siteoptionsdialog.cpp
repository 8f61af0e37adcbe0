#include "desktop/siteoptions/siteoptionsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/common/chooser.h"
#include "desktop/common/dialogbuttons.h"
#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "desktop/publish/publishdialog.h"
#include "model/paths.h"
#include "model/turnwheel.h"

namespace parvel {
namespace {

QHBoxLayout* WithButton(QLineEdit* edit, QPushButton* button) {
  auto* row = new QHBoxLayout;
  row->addWidget(edit, 1);
  row->addWidget(button);
  return row;
}

}  // namespace

SiteOptionsDialog::SiteOptionsDialog(ViewContext context, Catalogue& catalogue, bool use_rotations,
                                     QWidget* parent)
    : QDialog(parent),
      context_(context),
      catalogue_(catalogue),
      state_(context.ui, catalogue.site(), use_rotations) {
  setObjectName("dlgSiteOptions");
  setWindowTitle("Site Options");
  const int field_width = fontMetrics().averageCharWidth() * 48;

  auto* site = new QGroupBox("Site", this);
  site->setObjectName("grpSite");
  edtName_ = new QLineEdit(ToQ(state_.name()), site);
  edtName_->setObjectName("edtName");
  edtPath_ = new QLineEdit(ToQ(state_.path()), site);
  edtPath_->setObjectName("edtPath");
  edtPath_->setMinimumWidth(field_width);
  btnBrowsePath_ = NamedButton("&Browse..", "btnBrowsePath", site);
  cmbBaseHTMLName_ = new QComboBox(site);
  cmbBaseHTMLName_->setObjectName("cmbBaseHTMLName");
  cmbBaseHTMLName_->setEditable(true);
  for (const auto& choice : SiteOptionsForm::BaseHTMLNameChoices()) {
    cmbBaseHTMLName_->addItem(ToQ(choice));
  }
  cmbBaseHTMLName_->setEditText(ToQ(state_.base_html_name()));
  auto* site_form = new QFormLayout(site);
  site_form->addRow(NamedLabel("Site &name:", "lblName", site, edtName_), edtName_);
  site_form->addRow(NamedLabel("Site creation &location:", "lblPath", site, edtPath_),
                    WithButton(edtPath_, btnBrowsePath_));
  site_form->addRow(
      NamedLabel("Name of &first HTML page:", "lblBaseHTMLName", site, cmbBaseHTMLName_),
      cmbBaseHTMLName_);

  auto* rotation = new QGroupBox("Rotation schedule", this);
  rotation->setObjectName("grpRotation");
  chkAutoRotate_ = new QCheckBox("&Add this site to turnwheel's rotation schedule", rotation);
  chkAutoRotate_->setObjectName("chkAutoRotate");
  chkAutoRotate_->setChecked(state_.auto_rotate());
  edtLivePath_ = new QLineEdit(ToQ(state_.live_path()), rotation);
  edtLivePath_->setObjectName("edtLivePath");
  btnBrowseLivePath_ = NamedButton("B&rowse..", "btnBrowseLivePath", rotation);
  spnNextRotation_ = new QSpinBox(rotation);
  spnNextRotation_->setObjectName("spnNextRotation");
  spnNextRotation_->setRange(SiteOptionsForm::kMinNextRotation, SiteOptionsForm::kMaxNextRotation);
  spnNextRotation_->setValue(state_.next_rotation());
  auto* rotation_form = new QFormLayout(rotation);
  rotation_form->addRow(chkAutoRotate_);
  rotation_form->addRow(NamedLabel("&Copy the rotation to:", "lblLivePath", rotation, edtLivePath_),
                        WithButton(edtLivePath_, btnBrowseLivePath_));
  auto* next_row = new QHBoxLayout;
  next_row->addWidget(spnNextRotation_);
  next_row->addStretch();
  rotation_form->addRow(
      NamedLabel("Ne&xt Rotation to copy:", "lblNextRotation", rotation, spnNextRotation_),
      next_row);
  auto* publishing = new QGroupBox("Publishing", this);
  publishing->setObjectName("grpPublishing");
  edtPublishURL_ = new QLineEdit(ToQ(state_.publish_url()), publishing);
  edtPublishURL_->setObjectName("edtPublishURL");
  edtPublishURL_->setPlaceholderText("sftp://user@host/folder");
  btnTestPublish_ = NamedButton("&Test", "btnTestPublish", publishing);
  auto* publishing_form = new QFormLayout(publishing);
  publishing_form->addRow(NamedLabel("&Publish to:", "lblPublishURL", publishing, edtPublishURL_),
                          WithButton(edtPublishURL_, btnTestPublish_));
  // The captions of all groups take one width, so that their fields line up.
  const auto captions = findChildren<QLabel*>();
  int caption_width = 0;
  for (const QLabel* label : captions)
    caption_width = std::max(caption_width, label->sizeHint().width());
  for (QLabel* label : captions) label->setMinimumWidth(caption_width);

  auto* buttons = OkCancelHelpButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(site);
  layout->addWidget(rotation);
  layout->addWidget(publishing);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ShowLiveFields();
  // Long folders show from their start.
  for (QLineEdit* edit : {edtName_, edtPath_, edtLivePath_, edtPublishURL_})
    edit->setCursorPosition(0);

  connect(chkAutoRotate_, &QCheckBox::toggled, this, &SiteOptionsDialog::SetAutoRotate);
  connect(btnBrowsePath_, &QPushButton::clicked, this,
          [this] { BrowseInto(edtPath_, "Site creation location"); });
  connect(btnBrowseLivePath_, &QPushButton::clicked, this,
          [this] { BrowseInto(edtLivePath_, "Copy the rotation to"); });
  connect(btnTestPublish_, &QPushButton::clicked, this, [this] {
    TestPublishUrl(context_, edtPublishURL_->text().trimmed().toStdString(), this);
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &SiteOptionsDialog::AcceptAfterChecks);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { state_.Help(); });
}

void SiteOptionsDialog::ShowLiveFields() {
  const bool on = state_.live_fields_enabled();
  edtLivePath_->setEnabled(on);
  btnBrowseLivePath_->setEnabled(on);
  spnNextRotation_->setEnabled(on);
}

void SiteOptionsDialog::SetAutoRotate(bool on) {
  state_.set_auto_rotate(on);
  // The rule may turn the switch off again (rotations are switched off in the options).
  const QSignalBlocker blocker(chkAutoRotate_);
  chkAutoRotate_->setChecked(state_.auto_rotate());
  ShowLiveFields();
}

void SiteOptionsDialog::BrowseInto(QLineEdit* edit, const QString& title) {
  const QString start = ToQ(FixPath(edit->text().toStdString(), false));
  if (const auto folder = context_.chooser.Folder(this, title, start)) {
    edit->setText(ToQ(FixPath(folder->toStdString(), true)));
  }
}

void SiteOptionsDialog::AcceptAfterChecks() {
  state_.set_name(edtName_->text().toStdString());
  state_.set_path(edtPath_->text().toStdString());
  state_.set_base_html_name(cmbBaseHTMLName_->currentText().toStdString());
  state_.set_live_path(edtLivePath_->text().toStdString());
  state_.set_next_rotation(spnNextRotation_->value());
  state_.set_publish_url(edtPublishURL_->text().toStdString());
  if (state_.Accept(catalogue_)) accept();
}

}  // namespace parvel
