#include "desktop/options/optionsdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "desktop/common/dialogbuttons.h"
#include "desktop/common/widgetmakers.h"
#include "platform/interaction.h"

namespace parvel {

OptionsDialog::OptionsDialog(ViewContext context, AppOptions& options, QWidget* parent)
    : QDialog(parent), context_(context), options_(options), state_(options) {
  setObjectName("dlgOptions");
  setWindowTitle("Options");

  auto* images = new QGroupBox("Images and thumbnails", this);
  images->setObjectName("grpImages");
  spnQuality_ = new QSpinBox(images);
  spnQuality_->setObjectName("spnQuality");
  spnQuality_->setRange(1, 100);
  spnQuality_->setSuffix(" %");
  auto* quality_label =
      NamedLabel("&JPEG quality of images converted when added:", "lblQuality", images);
  quality_label->setBuddy(spnQuality_);
  chkTruncate_ = new QCheckBox("&Truncate the display of filenames greater than", images);
  chkTruncate_->setObjectName("chkTruncate");
  spnMaxLength_ = new QSpinBox(images);
  spnMaxLength_->setObjectName("spnMaxLength");
  spnMaxLength_->setRange(10, 99);
  auto* characters = NamedLabel("characters", "lblCharacters", images);
  chkThumbsDirectory_ = new QCheckBox("&Save thumbnails to /thumbs/ sub-directory", images);
  chkThumbsDirectory_->setObjectName("chkThumbsDirectory");

  auto* quality_row = new QHBoxLayout;
  quality_row->addWidget(quality_label);
  quality_row->addWidget(spnQuality_);
  quality_row->addStretch();
  auto* truncate_row = new QHBoxLayout;
  truncate_row->addWidget(chkTruncate_);
  truncate_row->addWidget(spnMaxLength_);
  truncate_row->addWidget(characters);
  truncate_row->addStretch();
  auto* images_layout = new QVBoxLayout(images);
  images_layout->addLayout(quality_row);
  images_layout->addLayout(truncate_row);
  images_layout->addWidget(chkThumbsDirectory_);

  auto* versions = new QGroupBox("Site versions", this);
  versions->setObjectName("grpVersions");
  rdbSingleVersion_ = new QRadioButton("Each Site has only a single &version", versions);
  rdbSingleVersion_->setObjectName("rdbSingleVersion");
  rdbRotations_ = new QRadioButton("Each Site has &multiple rotations (versions)", versions);
  rdbRotations_->setObjectName("rdbRotations");
  auto* versions_layout = new QVBoxLayout(versions);
  versions_layout->addWidget(rdbSingleVersion_);
  versions_layout->addWidget(rdbRotations_);

  auto* buttons = OkCancelHelpButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(images);
  layout->addWidget(versions);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  ShowState();
  connect(spnQuality_, &QSpinBox::valueChanged, this, [this](int v) { state_.set_quality(v); });
  connect(spnMaxLength_, &QSpinBox::valueChanged, this,
          [this](int v) { state_.set_max_length(v); });
  connect(chkTruncate_, &QCheckBox::toggled, this, [this](bool on) {
    state_.set_truncate(on);
    spnMaxLength_->setEnabled(state_.max_length_enabled());
  });
  connect(chkThumbsDirectory_, &QCheckBox::toggled, this,
          [this](bool on) { state_.set_use_thumbs_directory(on); });
  connect(rdbRotations_, &QRadioButton::toggled, this,
          [this](bool on) { state_.set_multiple_rotations(on); });
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::TakeAndAccept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { state_.Help(context_.ui); });
}

void OptionsDialog::ShowState() {
  spnQuality_->setValue(state_.quality());
  chkTruncate_->setChecked(state_.truncate());
  spnMaxLength_->setValue(state_.max_length());
  spnMaxLength_->setEnabled(state_.max_length_enabled());
  chkThumbsDirectory_->setChecked(state_.use_thumbs_directory());
  rdbRotations_->setChecked(state_.multiple_rotations());
  rdbSingleVersion_->setChecked(!state_.multiple_rotations());
}

void OptionsDialog::TakeAndAccept() {
  state_.Accept(options_);
  accept();
}

}  // namespace parvel
