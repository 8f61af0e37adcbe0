#include "desktop/addimages/imagedrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

#include "addimages/addimage.h"
#include "desktop/common/imagelistview.h"

namespace parvel {

namespace {

// The local files of a drag, in the order given; empty when it carries anything else.
std::vector<std::string> DroppedFiles(const QMimeData* mime) {
  std::vector<std::string> paths;
  if (mime == nullptr || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) return {};
    paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

// Copy, move and link drops are taken.
bool Offered(const QDropEvent* event) {
  return (event->possibleActions() & (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)) != 0;
}

// What the source is told was done: a copy when it allows one; otherwise (a move or a link
// alone) nothing, so that it never removes its file. The files are copied either way.
Qt::DropAction Reported(const QDropEvent* event) {
  return event->possibleActions().testFlag(Qt::CopyAction) ? Qt::CopyAction : Qt::IgnoreAction;
}

}  // namespace

ImageDropTarget::ImageDropTarget(ImageListView* list, Interaction& ui, std::function<int()> quality)
    : QObject(list), list_(list), ui_(ui), quality_(std::move(quality)) {
  list_->listBox()->setAcceptDrops(true);
  list_->listBox()->viewport()->setAcceptDrops(true);
  list_->listBox()->viewport()->installEventFilter(this);
}

bool ImageDropTarget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!list_->isEnabled() || list_->list().directory().empty() || !Offered(drag) ||
          DroppedFiles(drag->mimeData()).empty()) {
        event->ignore();
        return true;
      }
      // While dragging, a source that allows no copy is shown what it offered, or it could not
      // drop at all; the drop itself reports nothing taken.
      if (Reported(drag) == Qt::CopyAction) drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::vector<std::string> paths = DroppedFiles(drop->mimeData());
      if (!list_->isEnabled() || list_->list().directory().empty() || !Offered(drop) ||
          paths.empty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Reported(drop));
      drop->accept();
      DropFiles(ui_, paths, list_->list().directory(), quality_());
      list_->Refresh();
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace parvel
