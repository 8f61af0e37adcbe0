// The about box: the program's name, version and icon, and two links opened by the desktop.
#pragma once

#include <QDialog>

#include "desktop/common/viewcontext.h"

namespace parvel {

// The program's icon file in the data directory (absent: the box shows no icon).
std::string AppIconPath();

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(ViewContext context, QWidget* parent = nullptr);

 private:
  ViewContext context_;
};

}  // namespace parvel
