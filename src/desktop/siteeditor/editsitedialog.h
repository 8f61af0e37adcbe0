// The site editor: the rotations of the current site and their actions, the thumbnail-page
// template, the header and footer choices, the rotation's images, and Build! and Build All. A
// view over SiteEditor; every widget is shown afresh after every load of a rotation, and closing
// the editor (Close, Escape or the window's close button) saves the rotation and the site under
// the data directory's lock.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "desktop/common/viewcontext.h"
#include "model/appstate.h"
#include "model/editsite.h"
#include "templates/compliance.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace parvel {

class AddImagesDialog;
class PageSettingsDialog;

class ImageListView;

class EditSiteDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpTopic = 27;

  EditSiteDialog(ViewContext context, AppState& app, QWidget* parent = nullptr);
  ~EditSiteDialog() override;

  // Opens on the current site (creating its first rotation when it has none). False when there
  // is no current site.
  bool Open();
  // Saves the current rotation and the site once; closing the dialog runs it.
  void SaveOnClose();

  SiteEditor& editor() { return editor_; }

  void done(int result) override;

 private:
  // What the controls run, each from its own connect.
  void SelectRotation(int row);
  void NewRotation();
  void DeleteRotation();
  void CopySettingsFromOther();
  void ApplyToAllRotations();
  void BuildAllRotations();
  void BuildRotation();
  void PublishRotation();
  void PreviewRotation();
  void ChooseTemplate();
  void TestTemplate();
  void ViewTemplate();
  // Opens the page settings dialog (made once, kept for the editor's life) on the record.
  void ShowPageSettings();
  // Opens the add-images dialog (made once, kept for the editor's life) on the loaded rotation
  // and reads the image list again when it closes.
  void ShowAddImages();

  // Shows the editor's state in every widget, without running any of their handlers.
  void ShowEditor();
  // The rotation list as the editor holds it, the selected entry marked.
  void ShowRotationList();
  void ShowStatusLine();
  void FillTemplateChoice();
  void TemplateEdited(const QString& text);
  void RememberTemplate();
  void ImagesListed();

  ViewContext context_;
  AppState& app_;
  SiteEditor editor_;
  std::unique_ptr<PageSettingsDialog> settings_dialog_;
  std::unique_ptr<AddImagesDialog> add_images_;
  bool saved_on_close_ = false;
  // The template text Test Compliance last ran on; the button stays greyed while it is shown.
  std::optional<std::string> tested_style_;

  QLabel* lblSiteName_;
  QLabel* lblStatus_;
  QListWidget* lbxRotations_;
  QPushButton* btnNewRotation_;
  QPushButton* btnDeleteRotation_;
  QPushButton* btnCopySettings_;
  QPushButton* btnApplyToAll_;
  QPushButton* btnBuildAll_;
  QComboBox* cmbStyleFile_;
  QPushButton* btnBrowseStyle_;
  QPushButton* btnTestCompliance_;
  QPushButton* btnViewPage_;
  QComboBox* cmbHeader_;
  QPushButton* btnEditHeader_;
  QComboBox* cmbFooter_;
  QPushButton* btnEditFooter_;
  QPushButton* btnOtherSettings_;
  QPushButton* btnSelectImages_;
  ImageListView* images_;
  QPushButton* btnBuild_;
  QPushButton* btnPublish_;
  QPushButton* btnPreview_;
  QPushButton* btnClose_;
  QPushButton* btnHelp_;
};

}  // namespace parvel
