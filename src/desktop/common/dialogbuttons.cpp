#include "desktop/common/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QPushButton>

namespace parvel {

QDialogButtonBox* OkCancelHelpButtons(QWidget* parent) {
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, parent);
  buttons->setObjectName("buttonBox");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  buttons->button(QDialogButtonBox::Help)->setObjectName("btnHelp");
  return buttons;
}

}  // namespace parvel
