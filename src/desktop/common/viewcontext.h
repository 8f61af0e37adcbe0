// What every window and dialog of the desktop is given: the Interaction it talks to the user
// through, the choosers, and the factory that runs its sub-dialogs. A test passes its own of each
// and so drives whole flows, nested dialogs included, without a person at the screen.
#pragma once

#include <string>

class QDialog;
class QWidget;

namespace parvel {

class Chooser;
class Interaction;

class DialogFactory {
 public:
  virtual ~DialogFactory() = default;
  // Runs a sub-dialog modally and returns its result (QDialog::Accepted or Rejected). A test
  // overrides it to work the real dialog's controls in place of a person.
  virtual int Run(QDialog& dialog);
};

struct ViewContext {
  Interaction& ui;
  Chooser& chooser;
  DialogFactory& dialogs;
};

}  // namespace parvel
