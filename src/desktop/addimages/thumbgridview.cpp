#include "desktop/addimages/thumbgridview.h"

#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <cmath>

#include "desktop/common/text.h"

namespace parvel {

namespace {

constexpr QRgb kBorderColour = 0x808080;
constexpr QRgb kSelectionColour = 0x000080;  // navy

GridModifiers ModifiersOf(Qt::KeyboardModifiers modifiers) {
  return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier)};
}

QRect ToQ(const GridRect& r) {
  return QRect(r.left, r.top, r.width, r.height);
}

GridKey KeyOf(int key) {
  switch (key) {
    case Qt::Key_Home:
      return GridKey::Home;
    case Qt::Key_End:
      return GridKey::End;
    case Qt::Key_PageUp:
      return GridKey::PageUp;
    case Qt::Key_PageDown:
      return GridKey::PageDown;
    case Qt::Key_Left:
      return GridKey::Left;
    case Qt::Key_Right:
      return GridKey::Right;
    case Qt::Key_Up:
      return GridKey::Up;
    case Qt::Key_Down:
      return GridKey::Down;
    case Qt::Key_Shift:
      return GridKey::Shift;
    case Qt::Key_Control:
      return GridKey::Control;
    default:
      return GridKey::Other;
  }
}

}  // namespace

ThumbGridView::ThumbGridView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName("thumbGrid");
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(false);
  loader_ = std::make_unique<ThumbLoader>([this] {
    QMetaObject::invokeMethod(this, &ThumbGridView::TakeResults, Qt::QueuedConnection);
  });
  changeEvent(nullptr);
}

ThumbGridView::~ThumbGridView() {
  loader_.reset();
}

void ThumbGridView::changeEvent(QEvent* event) {
  if (event == nullptr || event->type() == QEvent::FontChange) {
    // The text height: the font's size in points at the screen's resolution.
    const QFont f = font();
    const double points =
        f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / logicalDpiY();
    grid_.SetTextHeight(static_cast<int>(std::lround(points * logicalDpiY() / 72.0)));
    Relayout();
  }
  if (event != nullptr) QAbstractScrollArea::changeEvent(event);
}

void ThumbGridView::ShowFiles(const std::string& directory, const std::vector<std::string>& names) {
  grid_.SetFileSource({directory, names}, true, true);
  verticalScrollBar()->setValue(0);
  grid_.TakeScrollTarget();
  UpdateScrollBar();
  viewport()->update();
}

void ThumbGridView::Relayout() {
  grid_.Resize(width());
  UpdateScrollBar();
  ApplyScrollTarget();
  viewport()->update();
}

void ThumbGridView::UpdateScrollBar() {
  const int total = grid_.RowCount() * grid_.RowHeight();
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(total - viewport()->height(), 0));
  bar->setPageStep(std::max(viewport()->height(), 1));
  bar->setSingleStep(std::max(grid_.RowHeight(), 1));
}

void ThumbGridView::ScrollToItem(int item) {
  if (item < 0 || item >= grid_.ItemCount()) return;
  const GridRect cell = grid_.InsetCell(item);
  const int top = cell.top - grid_.CellPadding();
  const int bottom = top + grid_.RowHeight();
  QScrollBar* bar = verticalScrollBar();
  if (top < bar->value()) {
    bar->setValue(top);
  } else if (bottom > bar->value() + viewport()->height()) {
    bar->setValue(bottom - viewport()->height());
  }
}

void ThumbGridView::ApplyScrollTarget() {
  if (const auto target = grid_.TakeScrollTarget()) ScrollToItem(*target);
}

void ThumbGridView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

int ThumbGridView::ItemAtPoint(const QPoint& point) const {
  if (grid_.ColWidth() <= 0 || grid_.RowHeight() <= 0 || point.x() < 0 || point.y() < 0) return -1;
  const int y = point.y() + verticalScrollBar()->value();
  return grid_.ItemAt(point.x() / grid_.ColWidth(), y / grid_.RowHeight());
}

void ThumbGridView::PaintCell(QPainter& painter, int item, std::vector<SourceStamp>& wanted) {
  const QRect inset = ToQ(grid_.InsetCell(item));
  const bool selected = grid_.Selected(item);
  const QFontMetrics metrics = fontMetrics();
  const ThumbDisplay type = grid_.ThumbDisplayType();
  if (grid_.ShowsThumbnails()) {
    bool want = false;
    if (const Raster* thumb = grid_.Thumbnail(item, &want)) {
      const GridRect box = grid_.ThumbBox(item);
      const int scale = type == ThumbDisplay::tdtIconInfo ? 2 : 1;
      const GridRect fit = FitIntoBox(thumb->width / scale, thumb->height / scale, box);
      const QImage image(thumb->pixels.data(), thumb->width, thumb->height,
                         static_cast<qsizetype>(thumb->Stride()), QImage::Format_RGB888);
      const QRect target = ToQ(fit);
      if (scale == 1 && image.size() == target.size()) {
        painter.drawImage(target.topLeft(), image);
      } else {
        painter.drawImage(target, image);
      }
      painter.setPen(QColor::fromRgb(kBorderColour));
      painter.drawRect(target.adjusted(-1, -1, 0, 0));
    } else if (want) {
      const auto& stamp = grid_.Stamp(item);
      wanted.push_back(stamp ? *stamp : SourceStamp{grid_.Path(item), 0, 0});
    }
  }
  // The caption.
  const int room =
      type == ThumbDisplay::tdtIconInfo ? grid_.FilenameTextWidth() : inset.width() - 6;
  const QString caption =
      QString::fromStdString(ShortenCaption(grid_.Caption(item), room, [&](std::string_view text) {
        return metrics.horizontalAdvance(ToQ(text));
      }));
  const int text_width = metrics.horizontalAdvance(caption);
  const int text_height = metrics.height();
  QRect text_rect;
  switch (type) {
    case ThumbDisplay::tdtLargeIcon:
      text_rect = QRect(inset.left() + (inset.width() - text_width) / 2,
                        inset.bottom() + 1 - (text_height + 3), text_width, text_height);
      break;
    case ThumbDisplay::tdtIconInfo: {
      const GridRect box = grid_.ThumbBox(item);
      text_rect = QRect(box.left + box.width + 6, inset.top() + (inset.height() - text_height) / 2,
                        text_width, text_height);
      break;
    }
    case ThumbDisplay::tdtFilename:
      text_rect = QRect(inset.left() + 3, inset.top() + (inset.height() - text_height) / 2,
                        text_width, text_height);
      break;
  }
  const QRect caption_area = text_rect.adjusted(-2, 0, 2, 0);
  if (selected) {
    painter.fillRect(caption_area, QColor::fromRgb(kSelectionColour));
    painter.setPen(palette().color(QPalette::HighlightedText));
  } else {
    painter.fillRect(caption_area, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
  }
  painter.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter, caption);
  if (grid_.HighlightCurrentCell && item == grid_.Current()) {
    QPen pen(palette().color(QPalette::Text));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(inset.adjusted(0, 0, -1, -1));
  }
}

void ThumbGridView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.fillRect(event->rect(), palette().color(QPalette::Base));
  const int scroll = verticalScrollBar()->value();
  painter.translate(0, -scroll);
  std::vector<SourceStamp> wanted;
  const int row_height = std::max(grid_.RowHeight(), 1);
  const int first_row = scroll / row_height;
  const int last_row = (scroll + viewport()->height() - 1) / row_height;
  for (int row = first_row; row <= last_row; ++row) {
    for (int col = 0; col < grid_.ColCount(); ++col) {
      const int item = grid_.ItemAt(col, row);
      if (item < 0) continue;
      if (!event->rect().translated(0, scroll).intersects(
              QRect(col * grid_.ColWidth(), row * row_height, grid_.ColWidth(), row_height))) {
        // Outside the repainted area: only whether its thumbnail is still wanted counts.
        bool want = false;
        grid_.Thumbnail(item, &want);
        if (want) {
          const auto& stamp = grid_.Stamp(item);
          wanted.push_back(stamp ? *stamp : SourceStamp{grid_.Path(item), 0, 0});
        }
        continue;
      }
      PaintCell(painter, item, wanted);
    }
  }
  visible_complete_ = wanted.empty();
  if (!grid_.ShowsThumbnails()) return;
  // The next screenful after the visible cells, made while the user looks at these.
  const int ahead_first = (last_row + 1) * grid_.ColCount();
  const int ahead_count = (last_row - first_row + 1) * grid_.ColCount();
  for (int item = ahead_first; item < ahead_first + ahead_count && item < grid_.ItemCount();
       ++item) {
    bool want = false;
    grid_.Thumbnail(item, &want);
    if (want) {
      const auto& stamp = grid_.Stamp(item);
      wanted.push_back(stamp ? *stamp : SourceStamp{grid_.Path(item), 0, 0});
    }
  }
  loader_->Want(std::move(wanted), grid_.Recipe());
}

void ThumbGridView::TakeResults() {
  std::vector<ThumbResult> results = loader_->TakeResults();
  if (results.empty()) return;
  for (auto& result : results) grid_.ThumbnailMade(std::move(result));
  viewport()->update();
  emit ThumbnailsArrived();
}

void ThumbGridView::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if (button == Qt::LeftButton || button == Qt::RightButton) {
    grid_.MouseDown(ItemAtPoint(event->position().toPoint()),
                    button == Qt::LeftButton ? GridButton::Left : GridButton::Right,
                    ModifiersOf(event->modifiers()));
    viewport()->update();
  }
  emit Pressed(event);
}

void ThumbGridView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
    grid_.MouseUp(ModifiersOf(event->modifiers()));
    viewport()->update();
  }
  emit Released();
}

void ThumbGridView::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
  emit DoubleClicked();
}

void ThumbGridView::mouseMoveEvent(QMouseEvent* event) {
  emit Moved(event);
}

void ThumbGridView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll) && !grid_.DisableComponentKeyEventHandling) {
    if (grid_.SelectAll()) {
      viewport()->update();
      emit Released();
    }
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier && !grid_.DisableComponentKeyEventHandling) {
    emit DoubleClicked();
    return;
  }
  const int visible_rows = viewport()->height() / std::max(grid_.RowHeight(), 1);
  if (grid_.KeyDown(KeyOf(event->key()), ModifiersOf(event->modifiers()), visible_rows,
                    grid_.ColCount())) {
    ApplyScrollTarget();
    viewport()->update();
    emit Released();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace parvel
