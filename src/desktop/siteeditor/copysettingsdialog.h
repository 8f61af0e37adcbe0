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

class CopySettingsDialog : public QDialog {
  Q_OBJECT

 public:
  CopySettingsDialog(ViewContext context, CopySettingsForm state, SiteSettings& settings,
                     bool use_rotations, QWidget* parent = nullptr);

  const CopySettingsForm& state() const { return state_; }

 private:
  void ChooseSite(int index);
  void CopyAndAccept();
  void FillRotations();

  ViewContext context_;
  CopySettingsForm state_;
  SiteSettings& settings_;
  bool use_rotations_;
  QComboBox* cmbSites_;
  QListWidget* lbxRotations_;
  QPushButton* btnOK_;
};

}  // namespace parvel
