// The dialog "Options": a view over OptionsForm. OK stores into the options (nothing is
// written to disk), Cancel changes nothing, Help opens the options' help topic.
#pragma once

#include <QDialog>

#include "desktop/common/viewcontext.h"
#include "model/options.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace parvel {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  OptionsDialog(ViewContext context, AppOptions& options, QWidget* parent = nullptr);

  const OptionsForm& state() const { return state_; }

 private:
  void TakeAndAccept();
  void ShowState();

  ViewContext context_;
  AppOptions& options_;
  OptionsForm state_;
  QSpinBox* spnQuality_;
  QCheckBox* chkTruncate_;
  QSpinBox* spnMaxLength_;
  QCheckBox* chkThumbsDirectory_;
  QRadioButton* rdbSingleVersion_;
  QRadioButton* rdbRotations_;
};

}  // namespace parvel
