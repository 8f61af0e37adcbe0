#include "model/ui/siteoptionsdialog.h"

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

#include "app/chooser.h"
#include "model/paths.h"

namespace parvel {
namespace {

QString ToQ(const std::string& text) {
  return QString::fromStdString(text);
}

QHBoxLayout* WithButton(QLineEdit* edit, QPushButton* button) {
  auto* row = new QHBoxLayout;
  row->addWidget(edit, 1);
  row->addWidget(button);
  return row;
}

}  // namespace

std::string TurnwheelLiveFolderRefusal(const tsiterecord& /*site*/,
                                       const std::string& /*live_path*/) {
  return std::string();
}

TdlgSiteOptions::TdlgSiteOptions(Seams seams, Catalogue& catalogue, bool use_rotations,
                                 QWidget* parent)
    : QDialog(parent),
      seams_(seams),
      catalogue_(catalogue),
      state_(seams.ui, catalogue.site(), use_rotations) {
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
  btnBrowsePath_ = new QPushButton("&Browse..", site);
  btnBrowsePath_->setObjectName("btnBrowsePath");
  cmbBaseHTMLName_ = new QComboBox(site);
  cmbBaseHTMLName_->setObjectName("cmbBaseHTMLName");
  cmbBaseHTMLName_->setEditable(true);
  for (const auto& choice : SiteOptionsDialog::BaseHTMLNameChoices()) {
    cmbBaseHTMLName_->addItem(ToQ(choice));
  }
  cmbBaseHTMLName_->setEditText(ToQ(state_.base_html_name()));
  auto* site_form = new QFormLayout(site);
  site_form->addRow("Site &name:", edtName_);
  site_form->addRow("Site creation &location:", WithButton(edtPath_, btnBrowsePath_));
  site_form->addRow("Name of &first HTML page:", cmbBaseHTMLName_);

  auto* rotation = new QGroupBox("Rotation schedule", this);
  rotation->setObjectName("grpRotation");
  chkAutoRotate_ = new QCheckBox("&Add this site to turnwheel's rotation schedule", rotation);
  chkAutoRotate_->setObjectName("chkAutoRotate");
  chkAutoRotate_->setChecked(state_.auto_rotate());
  edtLivePath_ = new QLineEdit(ToQ(state_.live_path()), rotation);
  edtLivePath_->setObjectName("edtLivePath");
  btnBrowseLivePath_ = new QPushButton("B&rowse..", rotation);
  btnBrowseLivePath_->setObjectName("btnBrowseLivePath");
  spnNextRotation_ = new QSpinBox(rotation);
  spnNextRotation_->setObjectName("spnNextRotation");
  spnNextRotation_->setRange(SiteOptionsDialog::kMinNextRotation,
                             SiteOptionsDialog::kMaxNextRotation);
  spnNextRotation_->setValue(state_.next_rotation());
  auto* rotation_form = new QFormLayout(rotation);
  rotation_form->addRow(chkAutoRotate_);
  rotation_form->addRow("&Copy the rotation to:", WithButton(edtLivePath_, btnBrowseLivePath_));
  rotation_form->addRow("Ne&xt Rotation to copy:", spnNextRotation_);
  for (auto* form : {site_form, rotation_form}) {
    for (int row = 0; row < form->rowCount(); ++row) {
      if (auto* item = form->itemAt(row, QFormLayout::LabelRole)) {
        if (auto* label = qobject_cast<QLabel*>(item->widget())) {
          label->setObjectName("lbl" + QString::number(row) + form->parent()->objectName());
        }
      }
    }
  }

  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  buttons->setObjectName("buttonBox");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  buttons->button(QDialogButtonBox::Help)->setObjectName("btnHelp");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(site);
  layout->addWidget(rotation);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ShowLiveFields();

  connect(chkAutoRotate_, &QCheckBox::toggled, this, &TdlgSiteOptions::chkAutoRotateClick);
  connect(btnBrowsePath_, &QPushButton::clicked, this,
          [this] { BrowseInto(edtPath_, "Site creation location"); });
  connect(btnBrowseLivePath_, &QPushButton::clicked, this,
          [this] { BrowseInto(edtLivePath_, "Copy the rotation to"); });
  connect(buttons, &QDialogButtonBox::accepted, this, &TdlgSiteOptions::btnOKClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { state_.Help(); });
}

void TdlgSiteOptions::ShowLiveFields() {
  const bool on = state_.live_fields_enabled();
  edtLivePath_->setEnabled(on);
  btnBrowseLivePath_->setEnabled(on);
  spnNextRotation_->setEnabled(on);
}

void TdlgSiteOptions::chkAutoRotateClick(bool on) {
  state_.set_auto_rotate(on);
  // The rule may turn the switch off again (rotations are switched off in the options).
  const QSignalBlocker blocker(chkAutoRotate_);
  chkAutoRotate_->setChecked(state_.auto_rotate());
  ShowLiveFields();
}

void TdlgSiteOptions::BrowseInto(QLineEdit* edit, const QString& title) {
  const QString start = ToQ(fixpath(edit->text().toStdString(), false));
  if (const auto folder = seams_.chooser.Folder(this, title, start)) {
    edit->setText(ToQ(fixpath(folder->toStdString(), true)));
  }
}

void TdlgSiteOptions::btnOKClick() {
  state_.set_name(edtName_->text().toStdString());
  state_.set_path(edtPath_->text().toStdString());
  state_.set_base_html_name(cmbBaseHTMLName_->currentText().toStdString());
  state_.set_live_path(edtLivePath_->text().toStdString());
  state_.set_next_rotation(spnNextRotation_->value());
  if (const std::string problem = SiteOptionsPathProblem(state_); !problem.empty()) {
    seams_.ui.Inform(problem);
    return;
  }
  if (state_.auto_rotate()) {
    const std::string refusal =
        TurnwheelLiveFolderRefusal(catalogue_.site(), fixpath(state_.live_path(), false));
    if (!refusal.empty()) {
      seams_.ui.Warn("turnwheel would not copy a rotation there: " + refusal);
      return;
    }
  }
  if (state_.Accept(catalogue_)) accept();
}

}  // namespace parvel
