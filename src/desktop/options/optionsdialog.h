// The dialog "Options": a view over OptionsDialogState. OK stores into the options (nothing is
// written to disk), Cancel changes nothing, Help opens the options' help topic.
#pragma once

#include <QDialog>

#include "desktop/common/viewcontext.h"
#include "model/options.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace parvel {

class TdlgOptions : public QDialog {
  Q_OBJECT

 public:
  TdlgOptions(Seams seams, AppOptions& options, QWidget* parent = nullptr);

  const OptionsDialogState& state() const { return state_; }

 private:
  void btnOKClick();
  void ShowState();

  Seams seams_;
  AppOptions& options_;
  OptionsDialogState state_;
  QSpinBox* spnQuality_;
  QCheckBox* chkTruncate_;
  QSpinBox* spnMaxLength_;
  QCheckBox* chkThumbsDirectory_;
  QRadioButton* rdbSingleVersion_;
  QRadioButton* rdbRotations_;
};

}  // namespace parvel
