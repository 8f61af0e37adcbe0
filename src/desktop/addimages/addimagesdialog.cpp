#include "desktop/addimages/addimagesdialog.h"

#include <QComboBox>
#include <QDir>
#include <QDrag>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "addimages/addimage.h"
#include "base/fileparts.h"
#include "desktop/addimages/imagedrop.h"
#include "desktop/addimages/thumbgridview.h"
#include "desktop/common/imagelistview.h"
#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "model/editsite.h"
#include "model/imagefiles.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {

namespace {

constexpr int kDragThreshold = 10;
constexpr int kGridColumns = 3;
constexpr int kCellWidth = 106;
constexpr int kCellHeight = 107;  // with a caption 11 pixels high; the font sets it

}  // namespace

std::string AddImagesGridFormats() {
  // The long names .jpeg and .TIFF the grid adds to the supported list are in it already.
  return std::string(SupportedImageFormats());
}

bool StartsDragOut(const QPoint& start, const QPoint& position, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers) {
  if (start == QPoint(-1, -1)) return false;
  if (buttons != Qt::LeftButton && buttons != Qt::RightButton) return false;
  if (modifiers != Qt::NoModifier) return false;
  return std::abs(position.x() - start.x()) >= kDragThreshold ||
         std::abs(position.y() - start.y()) >= kDragThreshold;
}

AddImagesDialog::AddImagesDialog(ViewContext context, AppState& app, QWidget* parent)
    : QDialog(parent), context_(context), app_(app) {
  setObjectName("dlgAddImages");
  setWindowTitle(ToQ(kAddImagesTitle));
  setSizeGripEnabled(true);

  // The source side: the folders, the chosen folder's thumbnails and Copy.
  folders_model_ = new QFileSystemModel(this);
  folders_model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  folders_model_->setRootPath(QDir::rootPath());
  tvFolders_ = new QTreeView(this);
  tvFolders_->setObjectName("tvFolders");
  tvFolders_->setModel(folders_model_);
  tvFolders_->setRootIndex(folders_model_->index(QDir::rootPath()));
  for (int column = 1; column < folders_model_->columnCount(); ++column) {
    tvFolders_->hideColumn(column);
  }
  tvFolders_->setHeaderHidden(true);

  grid_ = new ThumbGridView(this);
  ThumbGrid& grid = grid_->grid();
  grid.SetMemoryCacheMaxCacheCount(100);
  grid.SetThumbDisplayType(ThumbDisplay::tdtLargeIcon);
  grid.SupportedFormats = AddImagesGridFormats();
  grid.SetColCount(kGridColumns);  // of kCellWidth, the large icons' width
  // The arrows, Home, End and the page keys move through the files, Shift extends the selection
  // from its anchor, Ctrl+A selects them all and Return copies them.
  grid.DisableComponentKeyEventHandling = false;
  // The desktop's shared thumbnail cache, which file managers use too.
  if (const std::string root = SharedThumbnailCache::DefaultRoot(); !root.empty()) {
    grid.SetSharedCache(std::make_unique<SharedThumbnailCache>(root));
  }
  grid_->setMinimumWidth(kGridColumns * kCellWidth + 20 + 2 * grid_->frameWidth());
  grid_->setMinimumHeight(kCellHeight * 2);

  btnCopy_ = new QPushButton(this);
  btnCopy_->setObjectName("btnCopy");

  auto* source_bottom = new QWidget(this);
  auto* source_bottom_layout = new QVBoxLayout(source_bottom);
  source_bottom_layout->setContentsMargins(0, 0, 0, 0);
  source_bottom_layout->addWidget(grid_, 1);
  source_bottom_layout->addWidget(btnCopy_);
  source_splitter_ = new QSplitter(Qt::Vertical, this);
  source_splitter_->setObjectName("splSource");
  source_splitter_->addWidget(tvFolders_);
  source_splitter_->addWidget(source_bottom);
  source_splitter_->setStretchFactor(1, 2);

  // The target side: the site, the rotation, its directory and its images.
  auto* target_side = new QWidget(this);
  lblSiteName_ = new QLabel(target_side);
  lblSiteName_->setObjectName("lblSiteName");
  lblSiteName_->setTextFormat(Qt::PlainText);
  lblRotation_ = NamedLabel("Rotation:", "lblRotation", target_side);
  cmbRotation_ = new QComboBox(target_side);
  cmbRotation_->setObjectName("cmbRotation");
  lblRotation_->setBuddy(cmbRotation_);
  edtTargetDir_ = new QLineEdit(target_side);
  edtTargetDir_->setObjectName("edtTargetDir");
  edtTargetDir_->setReadOnly(true);
  target_ = new ImageListView(context_.ui, target_side);
  new ImageDropTarget(target_, context_.ui, [this] {
    return static_cast<int>(app_.options.DefaultJPEGCompression) & 0xFF;
  });
  auto* form = new QFormLayout;
  form->addRow("Site:", lblSiteName_);
  form->addRow(lblRotation_, cmbRotation_);
  form->addRow("Directory:", edtTargetDir_);
  auto* target_layout = new QVBoxLayout(target_side);
  target_layout->setContentsMargins(0, 0, 0, 0);
  target_layout->addLayout(form);
  target_layout->addWidget(target_, 1);

  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName("splSides");
  splitter_->addWidget(source_splitter_);
  splitter_->addWidget(target_side);
  splitter_->setStretchFactor(0, 3);
  splitter_->setStretchFactor(1, 2);

  btnClose_ = NamedButton("&Close", "btnClose", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnClose_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter_, 1);
  layout->addLayout(buttons);

  connect(tvFolders_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            if (index.isValid() && !showing_folder_) {
              ChooseFolder(folders_model_->filePath(index).toStdString());
            }
          });
  // The tree's folders arrive from a thread and are sorted later still: until the user works the
  // tree, it is brought back to the chosen folder as rows arrive.
  const auto follow = [this] {
    if (follow_folder_) QTimer::singleShot(0, this, &AddImagesDialog::ScrollTreeToFolder);
  };
  connect(folders_model_, &QFileSystemModel::directoryLoaded, this, follow);
  connect(folders_model_, &QAbstractItemModel::rowsInserted, this, follow);
  connect(folders_model_, &QAbstractItemModel::layoutChanged, this, follow);
  connect(tvFolders_, &QTreeView::pressed, this, [this] { follow_folder_ = false; });
  connect(tvFolders_->verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this] { follow_folder_ = false; });
  connect(grid_, &ThumbGridView::Released, this, &AddImagesDialog::ShowSelection);
  connect(grid_, &ThumbGridView::DoubleClicked, this, [this] {
    if (btnCopy_->isEnabled()) CopySelectedImages();
  });
  connect(grid_, &ThumbGridView::Pressed, this, &AddImagesDialog::GridPressed);
  connect(grid_, &ThumbGridView::Moved, this, &AddImagesDialog::GridMoved);
  connect(btnCopy_, &QPushButton::clicked, this, &AddImagesDialog::CopySelectedImages);
  connect(cmbRotation_, &QComboBox::activated, this, &AddImagesDialog::ChooseRotation);
  connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);
  ShowSelection();
  resize(sizeHint().expandedTo(QSize(820, 560)));
}

AddImagesDialog::~AddImagesDialog() = default;

void AddImagesDialog::Open(const SiteEditor& editor) {
  const bool rotations = app_.options.UseRotations;
  lblRotation_->setText(rotations ? "Rotation:" : "Version:");
  target_->SetHeading(ToQ(editor.images_heading()));
  lblSiteName_->setText(ToQ(editor.site_name()));
  {
    const QSignalBlocker blocker(cmbRotation_);
    cmbRotation_->clear();
    for (const auto& entry : editor.chooser_entries()) cmbRotation_->addItem(ToQ(entry));
    cmbRotation_->setCurrentIndex(editor.selected());
  }
  SetTarget(FixPath(editor.rotation_directory(), true));
  // The folder tree opens on the user's home folder.
  if (folder_.empty()) ChooseFolder(QDir::homePath().toStdString());
}

void AddImagesDialog::ChooseFolder(const std::string& folder) {
  std::vector<DirectoryEntry> entries;
  if (!Files().ListDirectory(folder, &entries, nullptr)) {
    context_.ui.Message(MessageKind::Plain, kChangeFolderError, Buttons::Ok);
    return;
  }
  std::vector<std::string> names;
  for (DirectoryEntry& entry : entries) {
    if (entry.is_regular_file && CheckSupportedFormat(entry.name)) {
      names.push_back(std::move(entry.name));
    }
  }
  SortNamesNoCase(names);
  folder_ = folder;
  {
    showing_folder_ = true;
    const QModelIndex index = folders_model_->index(QString::fromStdString(folder));
    tvFolders_->setCurrentIndex(index);
    showing_folder_ = false;
    follow_folder_ = true;
    ScrollTreeToFolder();
  }
  grid_->ShowFiles(FixPath(folder, true), names);
  ShowSelection();
}

void AddImagesDialog::ScrollTreeToFolder() {
  if (!isVisible()) return;  // laid out when shown
  const QModelIndex current = tvFolders_->currentIndex();
  for (QModelIndex above = current.parent(); above.isValid(); above = above.parent()) {
    tvFolders_->expand(above);
  }
  tvFolders_->scrollTo(current, QAbstractItemView::PositionAtTop);
}

void AddImagesDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  QTimer::singleShot(0, this, &AddImagesDialog::ScrollTreeToFolder);
}

void AddImagesDialog::SetTarget(const std::string& dir) {
  target_dir_ = dir;
  edtTargetDir_->setText(ToQ(dir));
  target_->SetDirectory(dir);
}

void AddImagesDialog::ChooseRotation(int index) {
  if (index < 0) return;
  const SiteRecord& site = app_.catalogue.site();
  IniFile ini(SiteSettingsFileName(site.SiteKey));
  ini.Load();  // an unreadable file reads like a missing one: the default directory
  const std::string dir = RotationDirectory(ini, site.Path, index + 1, app_.options.UseRotations);
  if (DirectoryExists(dir)) {
    SetTarget(FixPath(dir, true));
  } else {
    context_.ui.Warn(MissingDirectoryMessage(dir));
  }
}

void AddImagesDialog::ShowSelection() {
  const int count = grid_->grid().SelectedCount();
  btnCopy_->setEnabled(count > 0);
  btnCopy_->setText(count > 0
                        ? "Copy these " + QString::number(count) + " images to the current Site"
                        : "Copy to current Site");
}

void AddImagesDialog::CopySelectedImages() {
  std::vector<std::string> files;
  grid_->grid().GetSelectedFiles(files);
  if (target_dir_.empty()) return;
  const int quality = static_cast<int>(app_.options.DefaultJPEGCompression) & 0xFF;
  ReplaceSeries series;
  ReplaceSeries* several = files.size() > 1 ? &series : nullptr;
  for (const auto& file : files) {
    if (!AddImage(context_.ui, file, FixPath(target_dir_, true) + FileNamePart(file), quality,
                  nullptr, several)) {
      break;
    }
  }
  target_->Refresh();
}

void AddImagesDialog::GridPressed(QMouseEvent* event) {
  drag_start_ = event->globalPosition().toPoint();
}

void AddImagesDialog::GridMoved(QMouseEvent* event) {
  if (!StartsDragOut(drag_start_, event->globalPosition().toPoint(), event->buttons(),
                     event->modifiers())) {
    return;
  }
  std::vector<std::string> files;
  if (grid_->grid().GetSelectedFiles(files) == 0) return;
  QList<QUrl> urls;
  for (const auto& file : files) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file)));
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  auto* drag = new QDrag(grid_);
  drag->setMimeData(mime);
  drag_start_ = QPoint(-1, -1);
  drag->exec(Qt::CopyAction);
}

}  // namespace parvel
