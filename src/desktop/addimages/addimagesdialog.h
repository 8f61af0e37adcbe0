// The dialog "Add Images to Current Rotation": on the left the computer's folders, the
// thumbnails of the chosen folder's images and the Copy button; on the right the site, the
// rotation chooser, the rotation's directory and its image list. Chosen images are copied (or
// converted) into the rotation through AddImage; they can also be dragged out to a file manager,
// and files dropped onto the rotation's list are added.
#pragma once

#include <QDialog>
#include <QPoint>
#include <string>
#include <vector>

#include "desktop/common/viewcontext.h"
#include "model/appstate.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPushButton;
class QSplitter;
class QTreeView;

namespace parvel {

class SiteEditor;
class ImageListView;
class ThumbGridView;

inline constexpr std::string_view kAddImagesTitle = "Add Images to Current Rotation";
inline constexpr std::string_view kChangeFolderError =
    "Error encountered changing to this directory";

// The formats the source grid makes thumbnails of: every addable format, with the long spellings.
std::string AddImagesGridFormats();

// Whether a mouse move starts a drag out: a button was pressed over a drag source (the start
// point is not (-1, -1)), exactly the left or exactly the right button is held with no key, and
// the mouse is at least 10 pixels from the start point in either direction.
bool StartsDragOut(const QPoint& start, const QPoint& position, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers);

class AddImagesDialog : public QDialog {
  Q_OBJECT

 public:
  AddImagesDialog(ViewContext context, AppState& app, QWidget* parent = nullptr);
  ~AddImagesDialog() override;

  // Opens on the site editor's state: the site's name, its rotation chooser and selected entry,
  // and the directory of the rotation it has loaded.
  void Open(const SiteEditor& editor);

  // The actions, as the controls run them.
  // Shows the images of a folder in the grid; a folder that cannot be read says so.
  void ChooseFolder(const std::string& folder);
  // Chooser entry `index` (rotation index + 1): its directory becomes the target when it exists.
  void ChooseRotation(int index);

  ThumbGridView* grid() const { return grid_; }
  ImageListView* targetList() const { return target_; }
  const std::string& folder() const { return folder_; }
  const std::string& target_directory() const { return target_dir_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // What the controls run, each from its own connect.
  // Copies the grid's selected images into the target directory, then re-reads its list.
  void CopySelectedImages();

  void ShowSelection();
  // Brings the chosen folder to the top of the tree.
  void ScrollTreeToFolder();
  void SetTarget(const std::string& dir);
  void GridPressed(QMouseEvent* event);
  void GridMoved(QMouseEvent* event);

  ViewContext context_;
  AppState& app_;
  std::string folder_;
  std::string target_dir_;
  QPoint drag_start_{-1, -1};
  bool showing_folder_ = false;  // the tree is being shown the chosen folder
  bool follow_folder_ = false;   // the tree keeps the chosen folder in view

  QSplitter* splitter_;
  QSplitter* source_splitter_;
  QFileSystemModel* folders_model_;
  QTreeView* tvFolders_;
  ThumbGridView* grid_;
  QPushButton* btnCopy_;
  QLabel* lblSiteName_;
  QLabel* lblRotation_;
  QComboBox* cmbRotation_;
  QLineEdit* edtTargetDir_;
  ImageListView* target_;
  QPushButton* btnClose_;
};

}  // namespace parvel
