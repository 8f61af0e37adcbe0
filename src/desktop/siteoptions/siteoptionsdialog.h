// The dialog "Site Options": a view over SiteOptionsForm for the current site, with folder
// choosers for the site's location and the live directory.
#pragma once

#include <QDialog>
#include <string>

#include "desktop/common/viewcontext.h"
#include "model/siteoptions.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace parvel {

class SiteOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  SiteOptionsDialog(ViewContext context, Catalogue& catalogue, bool use_rotations,
                    QWidget* parent = nullptr);

  const SiteOptionsForm& state() const { return state_; }

 private:
  void AcceptAfterChecks();
  void SetAutoRotate(bool on);
  void BrowseInto(QLineEdit* edit, const QString& title);
  void ShowLiveFields();

  ViewContext context_;
  Catalogue& catalogue_;
  SiteOptionsForm state_;
  QLineEdit* edtName_;
  QLineEdit* edtPath_;
  QPushButton* btnBrowsePath_;
  QComboBox* cmbBaseHTMLName_;
  QCheckBox* chkAutoRotate_;
  QLineEdit* edtLivePath_;
  QPushButton* btnBrowseLivePath_;
  QSpinBox* spnNextRotation_;
  QLineEdit* edtPublishURL_;
  QPushButton* btnTestPublish_;
};

}  // namespace parvel
