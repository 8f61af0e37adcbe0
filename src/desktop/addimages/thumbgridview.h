// The thumbnail grid's window: paints the cells of a ThumbGrid, scrolls vertically, feeds the
// grid the mouse, the keys and its width, and has the thumbnails of the visible cells made on
// worker threads (the cells after them next), repainting as each arrives. Painting never waits
// for a decode.
#pragma once

#include <QAbstractScrollArea>
#include <memory>
#include <string>
#include <vector>

#include "addimages/thumbgrid.h"
#include "addimages/thumbloader.h"

namespace parvel {

class ThumbGridView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ThumbGridView(QWidget* parent = nullptr);
  ~ThumbGridView() override;

  ThumbGrid& grid() { return grid_; }
  // Shows the files `names` of `directory` (the first current and selected).
  void ShowFiles(const std::string& directory, const std::vector<std::string>& names);
  // Lays the cells out again after a change of the grid's properties.
  void Relayout();
  // The item under a point of the viewport, or -1.
  int ItemAtPoint(const QPoint& point) const;
  // Whether the last paint found every visible cell's thumbnail made (or failed).
  bool VisibleComplete() const { return visible_complete_; }
  // Whether thumbnails are still waiting or being made.
  bool Working() const { return loader_->Busy(); }

 signals:
  // After each mouse release over the grid (the owner shows the selection).
  void Released();
  // A double click, or Return when the grid handles keys (the owner copies the selection).
  void DoubleClicked();
  // A button was pressed or the mouse moved over the grid (the owner's drag-out).
  void Pressed(QMouseEvent* event);
  void Moved(QMouseEvent* event);
  // Thumbnails arrived from the workers and were painted.
  void ThumbnailsArrived();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void TakeResults();
  void UpdateScrollBar();
  void ScrollToItem(int item);
  void ApplyScrollTarget();
  void PaintCell(QPainter& painter, int item, std::vector<SourceStamp>& wanted);

  ThumbGrid grid_;
  // After the grid: stopped before it, since its workers use the grid's caches.
  std::unique_ptr<ThumbLoader> loader_;
  bool visible_complete_ = false;
};

}  // namespace parvel
