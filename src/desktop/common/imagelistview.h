// The image list of a rotation directory: heading, the images with multiple selection, their
// count, and the Delete key with its questions. The site editor shows one; the add-images dialog
// shares it.
#pragma once

#include <QWidget>

#include "model/imagelist.h"
#include "platform/interaction.h"

class QLabel;
class QListWidget;

namespace parvel {

class ImageListView : public QWidget {
  Q_OBJECT

 public:
  ImageListView(Interaction& ui, QWidget* parent = nullptr);

  void SetHeading(const QString& heading);
  // Shows `dir` and re-reads it (a directory that cannot be entered is reported).
  void SetDirectory(const std::string& dir);
  // Re-reads the directory shown.
  void Refresh();
  const FolderImageList& list() const { return list_; }
  QListWidget* listBox() const { return lbxImages_; }

  // The Delete key with the current selection.
  void DeleteSelected();

 signals:
  // After every re-read and every change of the selected entry.
  void Listed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill();

  Interaction& ui_;
  FolderImageList list_;
  QLabel* lblHeading_;
  QListWidget* lbxImages_;
  QLabel* lblCount_;
};

}  // namespace parvel
