#include "desktop/common/viewcontext.h"

#include <QDialog>

namespace parvel {

int DialogFactory::Run(QDialog& dialog) {
  return dialog.exec();
}

}  // namespace parvel
