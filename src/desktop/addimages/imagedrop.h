// Files dropped from the desktop onto a rotation's image list: each goes through the core's
// DropFiles into the list's directory, then the list is read again. Copy, move and link drops are
// all taken as copies: the source is told "copy" when it allows one and "nothing taken"
// otherwise, so that a file manager never deletes a file that was converted.
#pragma once

#include <QObject>
#include <functional>

#include "platform/interaction.h"

namespace parvel {

class ImageListView;

class ImageDropTarget : public QObject {
  Q_OBJECT

 public:
  // Makes `list` take file drops; `quality` gives the JPEG quality of conversions at drop time.
  ImageDropTarget(ImageListView* list, Interaction& ui, std::function<int()> quality);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ImageListView* list_;
  Interaction& ui_;
  std::function<int()> quality_;
};

}  // namespace parvel
