// Files dropped from the desktop onto a rotation's image list: each goes through the core's
// DropFiles into the list's directory, then the list is read again. A drop offered as a move is
// taken as a copy, so that a file manager never deletes a source that was converted.
#pragma once

#include <QObject>
#include <functional>

#include "platform/interaction.h"

namespace parvel {

class TImageListView;

class TImageDropTarget : public QObject {
  Q_OBJECT

 public:
  // Makes `list` take file drops; `quality` gives the JPEG quality of conversions at drop time.
  TImageDropTarget(TImageListView* list, Interaction& ui, std::function<int()> quality);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TImageListView* list_;
  Interaction& ui_;
  std::function<int()> quality_;
};

}  // namespace parvel
