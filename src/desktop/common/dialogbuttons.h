// The OK, Cancel and Help row that the desktop's dialogs share, with its object names.
#pragma once

class QDialogButtonBox;
class QWidget;

namespace parvel {

// A button box of OK, Cancel and Help named "buttonBox", "btnOK", "btnCancel" and "btnHelp".
QDialogButtonBox* OkCancelHelpButtons(QWidget* parent);

}  // namespace parvel
