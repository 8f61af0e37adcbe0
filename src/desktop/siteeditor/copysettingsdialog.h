// The copy dialog of Copy settings..: a choice of sites and the chosen site's rotations; OK
// takes the chosen rotation's page settings into the editor's record.
#pragma once

#include <QDialog>

#include "desktop/common/viewcontext.h"
#include "model/editsite.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace parvel {

class TdlgCopySettings : public QDialog {
  Q_OBJECT

 public:
  TdlgCopySettings(Seams seams, CopySettingsDialog state, SiteSettings& settings,
                   bool use_rotations, QWidget* parent = nullptr);

  const CopySettingsDialog& state() const { return state_; }

 private:
  void cmbSitesChange(int index);
  void btnOKClick();
  void FillRotations();

  Seams seams_;
  CopySettingsDialog state_;
  SiteSettings& settings_;
  bool use_rotations_;
  QComboBox* cmbSites_;
  QListWidget* lbxRotations_;
  QPushButton* btnOK_;
};

}  // namespace parvel
