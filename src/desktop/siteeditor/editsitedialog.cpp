#include "desktop/siteeditor/editsitedialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "desktop/addimages/addimagesdialog.h"
#include "desktop/addimages/imagedrop.h"
#include "desktop/build/buildprogressdialog.h"
#include "desktop/common/chooser.h"
#include "desktop/common/imagelistview.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "desktop/compliance/compliancedialog.h"
#include "desktop/headerfooter/headerfooterdialog.h"
#include "desktop/pagesettings/pagesettingsdialog.h"
#include "desktop/publish/publishdialog.h"
#include "desktop/siteeditor/copysettingsdialog.h"
#include "model/imagelist.h"
#include "model/paths.h"
#include "model/turnwheel.h"
#include "platform/filelock.h"
#include "templates/pagesettings.h"

namespace parvel {
namespace {

// The settings files are written while this is held, as the command line programs and
// turnwheel do; when the lock cannot be had the user is told and the write is made all the same
// (the editor's changes would otherwise be lost).
class SettingsLock {
 public:
  explicit SettingsLock(Interaction& ui) : lock_(DataDirectory()) {
    if (!lock_.held()) ui.Warn(lock_.error());
  }

 private:
  FileLock lock_;
};

// Edit Header / Edit Footer of the thumbnail pages: the snippet maker on the text used on every
// page, or the list editor on the file whose entries rotate; nothing without a header.
void EditPageHeaderFooter(ViewContext context, QWidget* parent, SiteSettings& s,
                          const std::string& site_key, bool header) {
  const HeaderMode mode = header ? s.Header_Mode : s.Footer_Mode;
  if (mode == HeaderMode::Html) {
    EditHeaderFooter(context, parent, header, header ? s.Header_HTML : s.Footer_HTML,
                     kSettingsHeaderFooterMax);
  } else if (mode == HeaderMode::List) {
    EditHeaderFooterList(context, parent, header, header ? s.Header_File : s.Footer_File, site_key);
  }
}

}  // namespace

EditSiteDialog::EditSiteDialog(ViewContext context, AppState& app, QWidget* parent)
    : QDialog(parent),
      context_(context),
      app_(app),
      editor_(context.ui, app.catalogue, app.settings, app.options, app.recent.styles) {
  setObjectName("dlgEditSite");
  setWindowTitle("Edit Site");
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  const int chars = fontMetrics().averageCharWidth();

  auto* site_caption = NamedLabel("Site:", "lblSiteCaption", this);
  lblSiteName_ = new QLabel(this);
  lblSiteName_->setObjectName("lblSiteName");
  lblSiteName_->setTextFormat(Qt::PlainText);
  QFont bold = lblSiteName_->font();
  bold.setBold(true);
  lblSiteName_->setFont(bold);
  lblStatus_ = new QLabel(this);
  lblStatus_->setObjectName("lblStatus");
  lblStatus_->setTextFormat(Qt::PlainText);
  lblStatus_->setWordWrap(true);
  auto* top = new QHBoxLayout;
  top->addWidget(site_caption);
  top->addWidget(lblSiteName_, 1);

  // Rotations.
  auto* rotations = new QGroupBox("Rotations", this);
  rotations->setObjectName("grpRotations");
  lbxRotations_ = new QListWidget(rotations);
  lbxRotations_->setObjectName("lbxRotations");
  lbxRotations_->setSelectionMode(QAbstractItemView::SingleSelection);
  lbxRotations_->setMinimumSize(chars * 40, fontMetrics().height() * 8);
  btnNewRotation_ = NamedButton("&New Rotation", "btnNewRotation", rotations);
  btnDeleteRotation_ = NamedButton("&Delete Rotation", "btnDeleteRotation", rotations);
  btnCopySettings_ = NamedButton("C&opy settings..", "btnCopySettings", rotations);
  btnApplyToAll_ = NamedButton("&Apply to All", "btnApplyToAll", rotations);
  btnBuildAll_ = NamedButton("Build A&ll", "btnBuildAll", rotations);
  auto* rotation_buttons = new QGridLayout;
  rotation_buttons->addWidget(btnNewRotation_, 0, 0);
  rotation_buttons->addWidget(btnDeleteRotation_, 0, 1);
  rotation_buttons->addWidget(btnCopySettings_, 1, 0);
  rotation_buttons->addWidget(btnApplyToAll_, 1, 1);
  rotation_buttons->addWidget(btnBuildAll_, 2, 0);
  auto* rotations_layout = new QVBoxLayout(rotations);
  rotations_layout->addWidget(lbxRotations_, 1);
  rotations_layout->addLayout(rotation_buttons);

  // The thumbnail-page template.
  auto* style_group = new QGroupBox("Thumbnail page template", this);
  style_group->setObjectName("grpStyle");
  cmbStyleFile_ = new QComboBox(style_group);
  cmbStyleFile_->setObjectName("cmbStyleFile");
  cmbStyleFile_->setEditable(true);
  // The recent list grows only by its own rule (leaving the field), never by Qt's Enter.
  cmbStyleFile_->setInsertPolicy(QComboBox::NoInsert);
  cmbStyleFile_->setMinimumContentsLength(36);
  cmbStyleFile_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  btnBrowseStyle_ = NamedButton("&Browse..", "btnBrowseStyle", style_group);
  btnTestCompliance_ = NamedButton("&Test Compliance", "btnTestCompliance", style_group);
  btnViewPage_ = NamedButton("&View Page", "btnViewPage", style_group);
  auto* style_layout = new QGridLayout(style_group);
  style_layout->addWidget(cmbStyleFile_, 0, 0, 1, 2);
  style_layout->addWidget(btnBrowseStyle_, 0, 2);
  style_layout->addWidget(btnTestCompliance_, 1, 1);
  style_layout->addWidget(btnViewPage_, 1, 2);
  style_layout->setColumnStretch(0, 1);

  // Header and footer.
  auto* header_footer = new QGroupBox("Header and footer", this);
  header_footer->setObjectName("grpHeaderFooter");
  cmbHeader_ = new QComboBox(header_footer);
  cmbHeader_->setObjectName("cmbHeader");
  // The site editor offers the modes without "same as the thumbnail page".
  for (const int mode : {0, 2, 3}) cmbHeader_->addItem(ToQ(kImageHeaderItems[mode]));
  btnEditHeader_ = NamedButton("Edit H&eader", "btnEditHeader", header_footer);
  cmbFooter_ = new QComboBox(header_footer);
  cmbFooter_->setObjectName("cmbFooter");
  for (const int mode : {0, 2, 3}) cmbFooter_->addItem(ToQ(kImageFooterItems[mode]));
  btnEditFooter_ = NamedButton("Edit &Footer", "btnEditFooter", header_footer);
  // Greyed until ShowEditor shows a header or footer mode that has something to edit.
  btnEditHeader_->setEnabled(false);
  btnEditFooter_->setEnabled(false);
  auto* header_label = NamedLabel("Header:", "lblHeader", header_footer);
  header_label->setBuddy(cmbHeader_);
  auto* footer_label = NamedLabel("Footer:", "lblFooter", header_footer);
  footer_label->setBuddy(cmbFooter_);
  auto* header_footer_layout = new QGridLayout(header_footer);
  header_footer_layout->addWidget(header_label, 0, 0);
  header_footer_layout->addWidget(cmbHeader_, 0, 1);
  header_footer_layout->addWidget(btnEditHeader_, 0, 2);
  header_footer_layout->addWidget(footer_label, 1, 0);
  header_footer_layout->addWidget(cmbFooter_, 1, 1);
  header_footer_layout->addWidget(btnEditFooter_, 1, 2);
  header_footer_layout->setColumnStretch(1, 1);

  btnOtherSettings_ = NamedButton("Other La&yout Settings..", "btnOtherSettings", this);
  btnSelectImages_ = NamedButton("&Select Images..", "btnSelectImages", this);

  auto* left = new QVBoxLayout;
  left->addWidget(rotations, 1);
  left->addWidget(style_group);
  left->addWidget(header_footer);
  auto* other_row = new QHBoxLayout;
  other_row->addStretch();
  other_row->addWidget(btnOtherSettings_);
  left->addLayout(other_row);

  auto* images_group = new QGroupBox("Images", this);
  images_group->setObjectName("grpImages");
  images_ = new ImageListView(context_.ui, images_group);
  auto* images_layout = new QVBoxLayout(images_group);
  images_layout->addWidget(images_, 1);
  auto* select_row = new QHBoxLayout;
  select_row->addStretch();
  select_row->addWidget(btnSelectImages_);
  images_layout->addLayout(select_row);

  auto* middle = new QHBoxLayout;
  middle->addLayout(left, 3);
  middle->addWidget(images_group, 2);

  btnHelp_ = NamedButton("&Help", "btnHelp", this);
  btnHelp_->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
  btnPreview_ = NamedButton("&Preview", "btnPreview", this);
  btnBuild_ = NamedButton("Build!", "btnBuild", this);
  btnPublish_ = NamedButton("P&ublish", "btnPublish", this);
  btnClose_ = NamedButton("&Close", "btnClose", this);
  btnClose_->setAutoDefault(false);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(btnHelp_);
  bottom->addStretch();
  bottom->addWidget(btnPreview_);
  bottom->addWidget(btnBuild_);
  bottom->addWidget(btnPublish_);
  bottom->addWidget(btnClose_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lblStatus_);
  layout->addLayout(middle, 1);
  layout->addLayout(bottom);

  connect(lbxRotations_, &QListWidget::currentRowChanged, this, &EditSiteDialog::SelectRotation);
  connect(btnNewRotation_, &QPushButton::clicked, this, &EditSiteDialog::NewRotation);
  connect(btnDeleteRotation_, &QPushButton::clicked, this, &EditSiteDialog::DeleteRotation);
  connect(btnCopySettings_, &QPushButton::clicked, this, &EditSiteDialog::CopySettingsFromOther);
  connect(btnApplyToAll_, &QPushButton::clicked, this, &EditSiteDialog::ApplyToAllRotations);
  connect(btnBuildAll_, &QPushButton::clicked, this, &EditSiteDialog::BuildAllRotations);
  connect(btnBuild_, &QPushButton::clicked, this, &EditSiteDialog::BuildRotation);
  connect(btnPublish_, &QPushButton::clicked, this, &EditSiteDialog::PublishRotation);
  connect(btnPreview_, &QPushButton::clicked, this, &EditSiteDialog::PreviewRotation);
  connect(btnBrowseStyle_, &QPushButton::clicked, this, &EditSiteDialog::ChooseTemplate);
  connect(btnTestCompliance_, &QPushButton::clicked, this, &EditSiteDialog::TestTemplate);
  connect(btnViewPage_, &QPushButton::clicked, this, &EditSiteDialog::ViewTemplate);
  connect(btnOtherSettings_, &QPushButton::clicked, this, &EditSiteDialog::ShowPageSettings);
  connect(btnHelp_, &QPushButton::clicked, this, [this] { context_.ui.ShowHelp(kHelpTopic); });
  connect(btnClose_, &QPushButton::clicked, this, &QDialog::reject);
  connect(cmbStyleFile_, &QComboBox::editTextChanged, this, &EditSiteDialog::TemplateEdited);
  connect(cmbStyleFile_->lineEdit(), &QLineEdit::editingFinished, this,
          &EditSiteDialog::RememberTemplate);
  connect(cmbHeader_, &QComboBox::currentIndexChanged, this, [this](int index) {
    app_.settings.Header_Mode = static_cast<HeaderMode>(index);
    btnEditHeader_->setEnabled(app_.settings.Header_Mode != HeaderMode::None);
  });
  connect(cmbFooter_, &QComboBox::currentIndexChanged, this, [this](int index) {
    app_.settings.Footer_Mode = static_cast<HeaderMode>(index);
    btnEditFooter_->setEnabled(app_.settings.Footer_Mode != HeaderMode::None);
  });
  for (const bool header : {true, false}) {
    connect(header ? btnEditHeader_ : btnEditFooter_, &QPushButton::clicked, this, [this, header] {
      EditPageHeaderFooter(context_, this, app_.settings, app_.catalogue.site().SiteKey, header);
    });
  }
  connect(images_, &ImageListView::Listed, this, &EditSiteDialog::ImagesListed);
  connect(btnSelectImages_, &QPushButton::clicked, this, &EditSiteDialog::ShowAddImages);
  new ImageDropTarget(images_, context_.ui, [this] {
    return static_cast<int>(app_.options.DefaultJPEGCompression) & 0xFF;
  });
}

bool EditSiteDialog::Open() {
  saved_on_close_ = false;
  bool opened = false;
  {
    const SettingsLock lock(context_.ui);  // a new site's first rotation is written here
    opened = editor_.Open();
  }
  images_->SetHeading(ToQ(editor_.images_heading()));
  ShowEditor();
  return opened;
}

void EditSiteDialog::SaveOnClose() {
  if (saved_on_close_) return;
  saved_on_close_ = true;
  const SettingsLock lock(context_.ui);
  editor_.Close();
}

void EditSiteDialog::done(int result) {
  SaveOnClose();
  QDialog::done(result);
}

void EditSiteDialog::ShowStatusLine() {
  lblStatus_->setText(ToQ(editor_.status_line()));
  btnPreview_->setEnabled(editor_.preview_enabled());
}

void EditSiteDialog::FillTemplateChoice() {
  const QSignalBlocker blocker(cmbStyleFile_);
  cmbStyleFile_->clear();
  for (const auto& path : app_.recent.styles) cmbStyleFile_->addItem(ToQ(path));
  cmbStyleFile_->setEditText(ToQ(app_.settings.Style_File));
}

void EditSiteDialog::ShowRotationList() {
  const QSignalBlocker blocker(lbxRotations_);
  lbxRotations_->clear();
  for (const auto& entry : editor_.rotation_list()) lbxRotations_->addItem(ToQ(entry));
  lbxRotations_->setCurrentRow(editor_.selected());
  if (editor_.selected() < 0) lbxRotations_->clearSelection();
}

void EditSiteDialog::ShowEditor() {
  setWindowTitle(editor_.title().empty() ? QString("Edit Site")
                                         : "Edit Site - " + ToQ(editor_.title()));
  lblSiteName_->setText(ToQ(editor_.site_name()));
  ShowRotationList();
  btnNewRotation_->setVisible(editor_.new_rotation_visible());
  btnDeleteRotation_->setVisible(editor_.delete_rotation_visible());
  btnDeleteRotation_->setEnabled(editor_.delete_rotation_enabled());
  btnApplyToAll_->setEnabled(editor_.apply_to_all_enabled());
  btnBuildAll_->setEnabled(editor_.build_all_enabled());
  const bool loaded = editor_.current_rotation() >= 0;
  btnCopySettings_->setEnabled(loaded);
  btnBuild_->setEnabled(loaded);
  btnPublish_->setEnabled(loaded);
  btnSelectImages_->setEnabled(loaded);

  FillTemplateChoice();
  const bool has_template = !app_.settings.Style_File.empty();
  // A template tested is not tested again until its text changes.
  btnTestCompliance_->setEnabled(has_template && tested_style_ != app_.settings.Style_File);
  btnViewPage_->setEnabled(has_template);
  {
    const QSignalBlocker header_blocker(cmbHeader_);
    const QSignalBlocker footer_blocker(cmbFooter_);
    cmbHeader_->setCurrentIndex(Stored(app_.settings.Header_Mode));
    cmbFooter_->setCurrentIndex(Stored(app_.settings.Footer_Mode));
  }
  btnEditHeader_->setEnabled(cmbHeader_->currentIndex() > Stored(HeaderMode::None));
  btnEditFooter_->setEnabled(cmbFooter_->currentIndex() > Stored(HeaderMode::None));
  ShowStatusLine();
  // The image list follows the loaded rotation's directory.
  const std::string dir = FixPath(editor_.rotation_directory(), true);
  if (!loaded) {
    images_->setEnabled(false);
  } else {
    images_->setEnabled(true);
    if (dir != images_->list().directory())
      images_->SetDirectory(dir);
    else
      images_->Refresh();
  }
}

void EditSiteDialog::ShowAddImages() {
  if (!add_images_) add_images_ = std::make_unique<AddImagesDialog>(context_, app_, this);
  add_images_->Open(editor_);
  context_.dialogs.Run(*add_images_);
  images_->Refresh();
}

void EditSiteDialog::ImagesListed() {
  if (editor_.current_rotation() < 0) return;
  if (MarkRotationListed(app_.settings)) {
    editor_.ShowCurrentStatus();
    ShowStatusLine();
  }
}

void EditSiteDialog::SelectRotation(int row) {
  {
    const SettingsLock lock(context_.ui);
    editor_.SelectRotation(row);
  }
  ShowEditor();
}

void EditSiteDialog::NewRotation() {
  {
    const SettingsLock lock(context_.ui);
    editor_.NewRotation();
  }
  ShowEditor();
}

void EditSiteDialog::DeleteRotation() {
  {
    const SettingsLock lock(context_.ui);
    editor_.DeleteRotation();
  }
  ShowEditor();
}

void EditSiteDialog::CopySettingsFromOther() {
  CopySettingsDialog dialog(context_, editor_.CopySettings(), app_.settings,
                            app_.options.UseRotations, this);
  if (context_.dialogs.Run(dialog) == QDialog::Accepted) ShowEditor();
}

void EditSiteDialog::ApplyToAllRotations() {
  const SettingsLock lock(context_.ui);
  editor_.ApplyToAll();
}

void EditSiteDialog::BuildAllRotations() {
  RunBuildSequence(context_, editor_, app_, true, this, [this] { ShowRotationList(); });
  ShowEditor();
}

void EditSiteDialog::BuildRotation() {
  if (editor_.current_rotation() < 0) return;
  RunBuildSequence(context_, editor_, app_, false, this, [this] { ShowRotationList(); });
  editor_.ShowCurrentStatus();  // a completed build has made the rotation's Status 2
  ShowEditor();
}

void EditSiteDialog::PublishRotation() {
  if (editor_.current_rotation() < 0) return;
  PublishFromEditor(context_, app_.catalogue.site(), editor_.rotation_directory(),
                    SiteRotationSelection(app_.catalogue.site().SiteKey, editor_.current_rotation(),
                                          app_.options.UseRotations),
                    this);
}

void EditSiteDialog::PreviewRotation() {
  editor_.Preview();
}

void EditSiteDialog::TemplateEdited(const QString& text) {
  app_.settings.Style_File = text.toStdString();
  // A changed template can be tested again.
  tested_style_.reset();
  btnTestCompliance_->setEnabled(!text.isEmpty());
  btnViewPage_->setEnabled(!text.isEmpty());
}

void EditSiteDialog::RememberTemplate() {
  if (AddTextToComboList(app_.recent.styles, app_.settings.Style_File)) FillTemplateChoice();
}

void EditSiteDialog::ChooseTemplate() {
  const auto chosen = context_.chooser.OpenFile(
      this, ToQ(kHtmlFileTitle), "HTML Files (*.htm *.html)", ToQ(app_.settings.Style_File));
  if (!chosen || chosen->isEmpty()) return;
  if (!ShowCompliance(context_, chosen->toStdString(), true, ProgramTemplateMarkers(), this))
    return;
  cmbStyleFile_->setEditText(*chosen);  // runs the change rule
  RememberTemplate();
}

void EditSiteDialog::TestTemplate() {
  if (app_.settings.Style_File.empty()) return;
  ShowCompliance(context_, app_.settings.Style_File, true, ProgramTemplateMarkers(), this);
  tested_style_ = app_.settings.Style_File;
  btnTestCompliance_->setEnabled(false);
}

void EditSiteDialog::ViewTemplate() {
  if (!app_.settings.Style_File.empty()) context_.ui.OpenPage(app_.settings.Style_File);
}

EditSiteDialog::~EditSiteDialog() = default;

void EditSiteDialog::ShowPageSettings() {
  if (!settings_dialog_) {
    settings_dialog_ = std::make_unique<PageSettingsDialog>(context_, app_.settings, app_.recent,
                                                            ProgramTemplateMarkers(), this);
  }
  settings_dialog_->SetSiteKey(app_.catalogue.site().SiteKey);
  settings_dialog_->Open();
  ShowEditor();
}

}  // namespace parvel
