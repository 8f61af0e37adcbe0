#include "desktop/common/imagelistview.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <set>

#include "desktop/common/widgetmakers.h"

namespace parvel {

ImageListView::ImageListView(Interaction& ui, QWidget* parent) : QWidget(parent), ui_(ui) {
  setObjectName("imageListView");
  lblHeading_ = new QLabel(this);
  lblHeading_->setObjectName("lblImagesHeading");
  lblHeading_->setTextFormat(Qt::PlainText);
  lbxImages_ = new QListWidget(this);
  lbxImages_->setObjectName("lbxImages");
  lbxImages_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbxImages_->setMinimumSize(fontMetrics().averageCharWidth() * 32, fontMetrics().height() * 12);
  lbxImages_->installEventFilter(this);
  lblHeading_->setBuddy(lbxImages_);
  lblCount_ = new QLabel(this);
  lblCount_->setObjectName("lblImageCount");
  lblCount_->setTextFormat(Qt::PlainText);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(lblHeading_);
  layout->addWidget(lbxImages_, 1);
  layout->addWidget(lblCount_);
  connect(lbxImages_, &QListWidget::currentRowChanged, this, [this] { emit Listed(); });
  Fill();
}

void ImageListView::SetHeading(const QString& heading) {
  lblHeading_->setText(heading);
}

void ImageListView::SetDirectory(const std::string& dir) {
  list_.SetDirectory(ui_, dir);
  Fill();
}

void ImageListView::Refresh() {
  list_.Refresh();
  Fill();
}

void ImageListView::Fill() {
  {
    const QSignalBlocker blocker(lbxImages_);
    lbxImages_->clear();
    for (const auto& name : list_.names()) lbxImages_->addItem(QString::fromStdString(name));
  }
  lblCount_->setText(QString::fromStdString(list_.count_text()));
  emit Listed();
}

void ImageListView::DeleteSelected() {
  std::set<int> selected;
  for (const QModelIndex& index : lbxImages_->selectionModel()->selectedRows()) {
    selected.insert(index.row());
  }
  if (list_.DeleteSelected(ui_, selected)) Fill();
}

bool ImageListView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lbxImages_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteSelected();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace parvel
