#include "desktop/pagesettings/pagesettingsdialog.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/common/chooser.h"
#include "desktop/common/dialogbuttons.h"
#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "desktop/compliance/compliancedialog.h"
#include "desktop/headerfooter/headerfooterdialog.h"
#include "imaging/registry.h"
#include "model/colour.h"
#include "model/paths.h"

namespace parvel {
namespace {

QColor ToQColor(std::uint32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

std::uint32_t FromQColor(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) |
         static_cast<std::uint32_t>(colour.green()) << 8 |
         static_cast<std::uint32_t>(colour.blue()) << 16;
}

QString QtFilter(std::string_view filter) {
  QStringList entries;
  for (const std::string& entry : ChooserFilters(filter)) entries << QString::fromStdString(entry);
  return entries.join(";;");
}

QGroupBox* Group(const char* name, const char* caption, QWidget* parent) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(name);
  return group;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
  auto* row = new QHBoxLayout;
  for (QWidget* widget : widgets) row->addWidget(widget);
  if (stretch) row->addStretch();
  return row;
}

// The name shown beside a fixed colour's swatch: "clTeal" as "Teal".
QString FixedColourName(int item) {
  const std::string_view name = ColourName(Colourcode2tcolor(item));
  return ToQ(name.starts_with("cl") ? name.substr(2) : name);
}

// The swatch of a fixed colour: a rectangle twice as wide as high, outlined in black.
QRect SwatchRect(const QRect& box) {
  const int side = std::max(box.height() - 4, 4);
  return QRect(box.left() + 3, box.top() + (box.height() - side) / 2, side * 2, side);
}

// Items 1..13 as a swatch outlined in black with the colour's name; "Default Page Colour" and
// "Other.." as black text on white.
class SwatchDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    const QRect box = option.rect.adjusted(1, 1, -1, -1);
    const int item = index.row();
    painter->fillRect(box, Qt::white);
    painter->setPen(Qt::black);
    QRect text = box.adjusted(3, 0, 0, 0);
    if (item >= 1 && item < kColourOtherItem) {
      const QRect swatch = SwatchRect(box);
      painter->fillRect(swatch, ToQColor(Colourcode2tcolor(item)));
      painter->drawRect(swatch);
      text.setLeft(swatch.right() + 6);
    }
    painter->setFont(option.font);
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
    if (option.state & QStyle::State_Selected) {
      painter->setPen(QPen(option.palette.highlight().color(), 2));
      painter->drawRect(box.adjusted(1, 1, -1, -1));
    }
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QFontMetrics metrics(option.font);
    const int height = metrics.height() + 6;
    const int swatch = index.row() >= 1 && index.row() < kColourOtherItem ? 2 * height + 6 : 0;
    return QSize(swatch + metrics.horizontalAdvance(index.data().toString()) + 12, height);
  }
};

}  // namespace

ColourCombo::ColourCombo(QWidget* parent) : QComboBox(parent) {
  addItem(ToQ(kColourDefaultText));
  for (int item = 1; item < kColourOtherItem; ++item) {
    addItem(FixedColourName(item));
    setItemData(item, ToQColor(Colourcode2tcolor(item)), Qt::BackgroundRole);
  }
  addItem(ToQ(kColourOtherText));
  setItemDelegate(new SwatchDelegate(this));
}

QSize ColourCombo::sizeHint() const {
  // The widest item, swatch included, beside the arrow.
  QStyleOptionComboBox option;
  initStyleOption(&option);
  QStyleOptionViewItem item_option;
  item_option.font = font();
  int widest = 0;
  for (int item = 0; item < count(); ++item) {
    widest =
        std::max(widest, itemDelegate()->sizeHint(item_option, model()->index(item, 0)).width());
  }
  const QSize content(widest, fontMetrics().height() + 2);
  return style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, this);
}

QSize ColourCombo::minimumSizeHint() const {
  return sizeHint();
}

void ColourCombo::Show(const ColourChoice& choice) {
  const QSignalBlocker blocker(this);
  setCurrentIndex(choice.item);
  // A picked colour fills the closed list's field as a plain block of colour.
  picked_ = choice.item == kColourNoItem && !IsDefault(choice)
                ? std::optional<QColor>(ToQColor(choice.colour))
                : std::nullopt;
  update();
}

void ColourCombo::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  // The field as the list draws the chosen item (or the picked colour); the arrow stays.
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  if (picked_) {
    painter.fillRect(field.adjusted(1, 1, -1, -1), *picked_);
    painter.setPen(Qt::black);
    painter.drawRect(field.adjusted(1, 1, -2, -2));
    return;
  }
  if (currentIndex() < 0) return;
  QStyleOptionViewItem item_option;
  item_option.initFrom(this);
  item_option.rect = field;
  item_option.font = font();
  item_option.state &= ~QStyle::State_Selected;
  itemDelegate()->paint(&painter, item_option, model()->index(currentIndex(), 0));
}

PageSettingsDialog::PageSettingsDialog(ViewContext context, SiteSettings& settings,
                                       RecentTemplates& recent, TemplateMarkers& markers,
                                       QWidget* parent)
    : QDialog(parent), context_(context), s_(settings), recent_(recent), markers_(markers) {
  setObjectName("dlgThumbOptions");
  setWindowTitle(ToQ(kThumbOptionsCaption));
  for (std::uint32_t slot : kCustomColourSlots) custom_colours_.push_back(ToQColor(slot));

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("pgcSettings");
  tabs_->addTab(MakeThumbnailsPage(), ToQ(kThumbOptionsPages[0]));
  tabs_->addTab(MakeIndexPage(), ToQ(kThumbOptionsPages[1]));
  tabs_->addTab(MakeIndex2Page(), ToQ(kThumbOptionsPages[2]));
  tabs_->addTab(MakeImageDisplayPage(), ToQ(kThumbOptionsPages[3]));
  tabs_->addTab(MakePageTextPage(), ToQ(kThumbOptionsPages[4]));
  tabs_->addTab(MakeOtherPage(), ToQ(kThumbOptionsPages[5]));

  auto* buttons = OkCancelHelpButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &PageSettingsDialog::Ok);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
    context_.ui.ShowHelp(kThumbOptionsHelpTopics[static_cast<size_t>(tabs_->currentIndex())]);
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ApplyDisplayRule(s_, choices_);
  ApplyTemplateRule(s_, choices_, s_.Image_Style_File);
  Fill();
  ApplyRules();
}

// ---- Bound controls.

QSpinBox* PageSettingsDialog::Spin(const char* name, int SiteSettings::*field, IntRange range) {
  auto* spin = new QSpinBox(this);
  spin->setObjectName(name);
  spin->setRange(range.lo, range.hi);
  fillers_.push_back([this, spin, field] { spin->setValue(s_.*field); });
  connect(spin, &QSpinBox::valueChanged, this, [this, field](int v) { s_.*field = v; });
  return spin;
}

QCheckBox* PageSettingsDialog::Check(const char* name, const char* caption,
                                     bool SiteSettings::*field) {
  auto* check = new QCheckBox(caption, this);
  check->setObjectName(name);
  fillers_.push_back([this, check, field] { check->setChecked(s_.*field); });
  connect(check, &QCheckBox::toggled, this, [this, field](bool on) {
    s_.*field = on;
    ApplyRules();
  });
  return check;
}

QLineEdit* PageSettingsDialog::Edit(const char* name, std::string SiteSettings::*field) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  fillers_.push_back([this, edit, field] { edit->setText(QString::fromStdString(s_.*field)); });
  connect(edit, &QLineEdit::textChanged, this,
          [this, field](const QString& text) { s_.*field = text.toStdString(); });
  return edit;
}

template <typename Field>
QComboBox* PageSettingsDialog::Items(const char* name, std::span<const std::string_view> items,
                                     Field SiteSettings::*field, int offset) {
  auto* combo = new QComboBox(this);
  combo->setObjectName(name);
  for (std::string_view item : items) combo->addItem(ToQ(item));
  fillers_.push_back(
      [this, combo, field, offset] { combo->setCurrentIndex(Stored(s_.*field) + offset); });
  connect(combo, &QComboBox::currentIndexChanged, this, [this, field, offset](int index) {
    if (index < 0) return;
    s_.*field = static_cast<Field>(index - offset);
    ApplyRules();
  });
  return combo;
}

QComboBox* PageSettingsDialog::FontBox(const char* name, std::string SiteSettings::*field) {
  auto* combo = new QComboBox(this);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  QStringList families = QFontDatabase::families();
  std::sort(families.begin(), families.end(),
            [](const QString& a, const QString& b) { return a.compare(b) < 0; });
  combo->addItems(families);
  combo->setMinimumContentsLength(24);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fillers_.push_back(
      [this, combo, field] { combo->setEditText(QString::fromStdString(s_.*field)); });
  connect(combo, &QComboBox::editTextChanged, this,
          [this, field](const QString& text) { s_.*field = text.toStdString(); });
  return combo;
}

QRadioButton* PageSettingsDialog::Radio(const char* name, const char* caption,
                                        std::function<bool()> shown, std::function<void()> chosen) {
  auto* radio = new QRadioButton(caption, this);
  radio->setObjectName(name);
  fillers_.push_back([radio, shown] { radio->setChecked(shown()); });
  connect(radio, &QRadioButton::toggled, this, [this, chosen](bool on) {
    if (!on) return;
    chosen();
    ApplyRules();
  });
  return radio;
}

template <typename Widget>
Widget* PageSettingsDialog::Ruled(std::vector<QWidget*>& ruled, Widget* widget) {
  ruled.push_back(widget);
  return widget;
}

QWidget* PageSettingsDialog::FileRow(QLineEdit* edit, const char* button, std::string_view title,
                                     std::string_view filter, std::vector<QWidget*>& ruled) {
  auto* row = new QWidget(this);
  auto* browse = new QPushButton("Browse", row);
  browse->setObjectName(button);
  ruled.insert(ruled.end(), {edit, browse});
  edit->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edit, 1);
  layout->addWidget(browse);
  connect(browse, &QPushButton::clicked, this, [this, edit, title, filter] {
    if (auto path = context_.chooser.OpenFile(this, ToQ(title), QtFilter(filter), edit->text())) {
      edit->setText(*path);
    }
  });
  return row;
}

QWidget* PageSettingsDialog::ColourRow(ColourControl& control, const char* name,
                                       Colour SiteSettings::*field) {
  auto* row = new QWidget(this);
  control.field = field;
  control.combo = new ColourCombo(row);
  control.combo->setObjectName(QString("cmb") + name);
  control.text = new QLineEdit(row);
  control.text->setObjectName(QString("edt") + name);
  control.text->setReadOnly(true);
  control.text->setMaximumWidth(fontMetrics().horizontalAdvance("#MMMMMM") + 12);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(control.combo);
  layout->addWidget(control.text);
  layout->addStretch();
  fillers_.push_back([this, &control] {
    const Colour& value = s_.*control.field;
    SetDefaultSetColour(control.choice, value.IsDefault(), value.Value());
    control.combo->Show(control.choice);
    control.text->setText(QString::fromStdString(control.choice.text));
  });
  connect(control.combo, &QComboBox::activated, this,
          [this, &control](int item) { ColourPicked(control, item); });
  return row;
}

void PageSettingsDialog::ColourPicked(ColourControl& control, int item) {
  std::optional<std::uint32_t> picked;
  if (item == kColourOtherItem) {
    const QColor initial = ToQColor(OtherColourStart(control.choice));
    if (auto colour = context_.chooser.Colour(this, initial, custom_colours_)) {
      picked = FromQColor(*colour);
    }
  }
  PickColourItem(control.choice, item, picked);
  s_.*control.field = ChoiceColour(control.choice);
  control.combo->Show(control.choice);
  control.text->setText(QString::fromStdString(control.choice.text));
}

// ---- Pages.

QWidget* PageSettingsDialog::MakeThumbnailsPage() {
  auto* page = new QWidget(this);
  page->setObjectName("tabThumbnails");

  auto* images = Group("grpThumbnailImages", "Thumbnail Images", page);
  auto* images_grid = new QGridLayout(images);
  images_grid->addWidget(new QLabel("Maximum thumbnail size (Pixels):", images), 0, 0, 1, 4);
  images_grid->addLayout(
      Row({new QLabel("  Width:", images),
           Spin("spnThumbWidth", &SiteSettings::Thumb_Width, kThumbSizeRange),
           new QLabel("Height:", images),
           Spin("spnThumbHeight", &SiteSettings::Thumb_Height, kThumbSizeRange)}),
      1, 0, 1, 4);
  images_grid->addLayout(
      Row({new QLabel("Thumbnail JPEG Quality Setting:", images),
           Spin("spnJpegQuality", &SiteSettings::Thumb_JPEG_Quality, kJpegQualityRange),
           new QLabel("%", images)}),
      2, 0, 1, 4);

  auto* html = Group("grpThumbnailHtml", "Thumbnail HTML", page);
  auto* html_layout = new QVBoxLayout(html);
  html_layout->addLayout(
      Row({new QLabel("Thumbnails per page:", html), new QLabel("Horizontal:", html),
           Spin("spnHorizontal", &SiteSettings::Horizontal_Thumb_Count, kThumbCountRange),
           new QLabel("Vertical:", html),
           Spin("spnVertical", &SiteSettings::Vertical_Thumb_Count, kThumbCountRange)}));
  html_layout->addLayout(Row({new QLabel("Thumbnail border width (Pixels):", html),
                              Spin("spnBorder", &SiteSettings::Thumb_Border, kThumbBorderRange)}));
  html_layout->addLayout(
      Row({new QLabel("Thumbnail Table Settings:", html), new QLabel("Cell Spacing:", html),
           Spin("spnCellSpacing", &SiteSettings::Cell_Spacing, kCellSpacingRange),
           new QLabel("Cell Padding:", html),
           Spin("spnCellPadding", &SiteSettings::Cell_Padding, kCellPaddingRange)}));

  auto* names = Group("grpFileNames", "File Name Display", page);
  auto* names_layout = new QVBoxLayout(names);
  auto filename_radio = [this](const char* name, const char* caption, FilenameDisplay value) {
    return Radio(
        name, caption, [this, value] { return s_.Filename_Display == value; },
        [this, value] { s_.Filename_Display = value; });
  };
  names_layout->addWidget(
      filename_radio("rdbNoFilenames", "Do not show filenames", FilenameDisplay::None));
  names_layout->addWidget(filename_radio("rdbHideExt",
                                         "Show filenames without extensions (e.g. MyPrettyPicture)",
                                         FilenameDisplay::HideExt));
  names_layout->addWidget(
      filename_radio("rdbNormal", "Show filenames with extensions (e.g. MyPrettyPicture.jpg)",
                     FilenameDisplay::Normal));
  auto* description = new QHBoxLayout;
  description->addWidget(filename_radio(
      "rdbDescriptionFile", "Read image description from file:", FilenameDisplay::DescriptionFile));
  description->addWidget(
      FileRow(Edit("edtDescriptionFile", &SiteSettings::Description_File), "btnBrowseDescription",
              kDescriptionTitle, kDescriptionFilter, ruled_.description_file),
      1);
  names_layout->addLayout(description);
  auto* show_filename =
      Ruled(ruled_.description_file,
            Check("chkShowFilenameWhenNoDesc", "Show filename when there is no description",
                  &SiteSettings::ShowFilenameWhenNoDesc));
  names_layout->addLayout(Row({new QLabel("      ", names), show_filename}));

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(images);
  layout->addWidget(html);
  layout->addWidget(names);
  layout->addWidget(MakeWebReadyGroup(page));
  layout->addStretch();
  return page;
}

QWidget* PageSettingsDialog::MakeWebReadyGroup(QWidget* page) {
  auto* group = Group("grpWebReady", "Web-ready Site", page);
  auto* grid = new QVBoxLayout(group);
  // The copies' size is a check box and a size: off stores 0, on the size shown.
  auto* copies =
      new QCheckBox("Publish display copies sized for screens (without location data)", group);
  copies->setObjectName("chkWebImages");
  auto* size = Ruled(ruled_.web_images, new QSpinBox(group));
  size->setObjectName("spnWebImageSize");
  size->setRange(kWebImageSizeRange.lo, kWebImageSizeRange.hi);
  fillers_.push_back([this, copies, size] {
    copies->setChecked(s_.Web_Image_Size > 0);
    size->setValue(WebImageSizeShown(s_));
  });
  connect(copies, &QCheckBox::toggled, this, [this, size](bool on) {
    SetWebImageCopies(s_, on, size->value());
    ApplyRules();
  });
  connect(size, &QSpinBox::valueChanged, this, [this](int v) { SetWebImageSizeShown(s_, v); });
  grid->addWidget(copies);
  grid->addLayout(
      Row({Ruled(ruled_.web_images,
                 NamedLabel("      Largest side (Pixels):", "lblWebImageSize", group)),
           size, Ruled(ruled_.web_images, NamedLabel("JPEG Quality:", "lblWebImageQuality", group)),
           Ruled(ruled_.web_images, Spin("spnWebImageQuality", &SiteSettings::Web_Image_Quality,
                                         kWebImageQualityRange))}));
  grid->addWidget(Check("chkHiDpiThumbnails", "Sharp thumbnails on high-density screens",
                        &SiteSettings::HiDPI_Thumbnails));
  grid->addWidget(Check("chkLazyLoading", "Load images as the visitor scrolls to them",
                        &SiteSettings::Lazy_Loading));
  return group;
}

QWidget* PageSettingsDialog::MakeIndexPage() {
  auto* page = new QWidget(this);
  page->setObjectName("tabPageIndex");

  auto* layout_group = Group("rdgIndexLayout", "Index Layout", page);
  auto* layout_layout = new QVBoxLayout(layout_group);
  auto layout_radio = [this](const char* name, const char* caption, IndexLayout value) {
    return Radio(
        name, caption, [this, value] { return s_.Index_Layout == value; },
        [this, value] { s_.Index_Layout = value; });
  };
  layout_layout->addWidget(
      layout_radio("rdbVertical", "Show Index in a vertical column", IndexLayout::Vertical));
  layout_layout->addWidget(
      layout_radio("rdbHorizontal", "Show Index in horizontal rows", IndexLayout::Horizontal));

  auto* prefix = Group("grpPrefix", "Page number prefix", page);
  auto* prefix_layout = new QHBoxLayout(prefix);
  prefix_layout->addWidget(new QLabel("Text that precedes the page number:", prefix));
  prefix_layout->addWidget(Edit("edtPageNumberPrefix", &SiteSettings::Page_Number_Prefix), 1);

  auto* buttons = Group("grpIndexButtons", "Index Buttons", page);
  auto* buttons_layout = new QVBoxLayout(buttons);
  buttons_layout->addWidget(Check("chkIndexImageButtons", "Use image buttons for page index",
                                  &SiteSettings::index_image_buttons));
  const std::string_view image_filter = ImageFileFilter();
  buttons_layout->addWidget(
      Ruled(ruled_.index_buttons, NamedLabel("Style Image for currently displayed page button:",
                                             "lblSelectedIndexFile", buttons)));
  buttons_layout->addWidget(
      FileRow(Edit("edtSelectedIndexFile", &SiteSettings::Selected_Page_Index_File),
              "btnBrowseSelectedIndex", kNavImageTitle, image_filter, ruled_.index_buttons));
  buttons_layout->addWidget(Ruled(ruled_.index_buttons, NamedLabel("Style Image for other buttons:",
                                                                   "lblOtherIndexFile", buttons)));
  buttons_layout->addWidget(FileRow(Edit("edtOtherIndexFile", &SiteSettings::Other_Page_Index_File),
                                    "btnBrowseOtherIndex", kNavImageTitle, image_filter,
                                    ruled_.index_buttons));

  auto* indexes = Group("grpIndexes", "Indexes", page);
  auto* indexes_layout = new QVBoxLayout(indexes);
  indexes_layout->addWidget(
      NamedLabel("To insert your indexes your style page must contain the text, ***INDEX***",
                 "lblIndexNote", indexes));
  indexes_layout->addWidget(Check("chkIndexInThumbPages", "Insert indexes in Thumbnail pages",
                                  &SiteSettings::IndexInThumbPages));
  indexes_layout->addWidget(Ruled(
      ruled_.image_page, Check("chkIndexInImagePages", "Insert indexes in image display pages",
                               &SiteSettings::IndexInImagePages)));

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(layout_group);
  layout->addWidget(prefix);
  layout->addWidget(buttons);
  layout->addWidget(indexes);
  layout->addStretch();
  return page;
}

QWidget* PageSettingsDialog::MakeIndex2Page() {
  auto* page = new QWidget(this);
  page->setObjectName("tabPageIndex2");

  auto* colours = Group("grpIndexColours", "Index Text Colours", page);
  auto* colours_layout = new QVBoxLayout(colours);
  colours_layout->addWidget(NamedLabel(
      "Colour for Index text of currently displayed page:", "lblDisplayedColour", colours));
  colours_layout->addWidget(
      ColourRow(colours_[0], "DisplayedColour", &SiteSettings::Displayed_Page_Text_Colour));
  colours_layout->addWidget(
      Ruled(ruled_.index_buttons,
            NamedLabel("Colour for Index text of other pages (only used with Page Index Images):",
                       "lblOtherColour", colours)));
  colours_layout->addWidget(
      ColourRow(colours_[1], "OtherColour", &SiteSettings::Other_Page_Text_Colour));
  ruled_.index_buttons.push_back(colours_[1].combo);

  auto* font = Group("grpIndexFont", "Index Font", page);
  auto* font_grid = new QGridLayout(font);
  font_grid->addWidget(
      Radio(
          "rdbIndexDefaultFont", "Use the default Font", [this] { return s_.index_font_default; },
          [this] { s_.index_font_default = true; }),
      0, 0);
  font_grid->addWidget(
      Radio(
          "rdbIndexCustomFont", "Use a custom font:", [this] { return !s_.index_font_default; },
          [this] { s_.index_font_default = false; }),
      1, 0);
  font_grid->addWidget(Ruled(ruled_.index_font, FontBox("cmbIndexFont", &SiteSettings::Index_Font)),
                       1, 1, 1, 2);
  font_grid->addLayout(
      Row({Check("chkIndexBold", "Bold", &SiteSettings::Index_Font_Bold),
           Check("chkIndexItalics", "Italics", &SiteSettings::Index_Font_Italics)}),
      2, 1, 1, 2);
  font_grid->addWidget(
      Ruled(ruled_.index_font_size, NamedLabel("HTML Text Size:", "lblIndexFontSize", font)), 3, 0);
  font_grid->addWidget(
      Ruled(ruled_.index_font_size, Items("cmbIndexFontSize", kFontSizeItems,
                                          &SiteSettings::Index_Font_Size, ItemOfFontSize(0))),
      3, 1);
  font_grid->addWidget(
      Ruled(ruled_.index_buttons, NamedLabel("Button Text Size:", "lblButtonTextSize", font)), 4,
      0);
  font_grid->addWidget(
      Ruled(ruled_.index_buttons, Spin("spnButtonTextSize", &SiteSettings::Index_Image_Font_Size,
                                       kIndexImageFontSizeRange)),
      4, 1);
  font_grid->setColumnStretch(2, 1);

  auto* enclosure = Group("grpLinkEnclosure", "Link Enclosure", page);
  auto* enclosure_grid = new QGridLayout(enclosure);
  enclosure_grid->addWidget(
      new QLabel("The page links in the index can optionally be enclosed in characters:",
                 enclosure),
      0, 0, 1, 2);
  enclosure_grid->addLayout(
      Row({Items("cmbLinkEnclosure", kLinkEnclosureItems, &SiteSettings::Link_Enclosure)}), 1, 0, 1,
      2);
  enclosure_grid->addWidget(
      Ruled(ruled_.enclosure_colour,
            NamedLabel("Link Enclosure colour:", "lblEnclosureColour", enclosure)),
      2, 0);
  enclosure_grid->addWidget(
      ColourRow(colours_[2], "EnclosureColour", &SiteSettings::Link_Enclosure_Colour), 2, 1);
  ruled_.enclosure_colour.insert(ruled_.enclosure_colour.end(),
                                 {colours_[2].combo, colours_[2].text});
  enclosure_grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(colours);
  layout->addWidget(font);
  layout->addWidget(enclosure);
  layout->addStretch();
  return page;
}

QWidget* PageSettingsDialog::MakeImageDisplayPage() {
  auto* page = new QWidget(this);
  page->setObjectName("tabImageDisplay");
  auto* group = Group("grpImagePages", "Image Display Pages", page);
  auto* grid = new QGridLayout(group);
  int row = 0;
  grid->addWidget(
      new QLabel("How should images be displayed when a thumbnail or link is clicked on?", group),
      row++, 0, 1, 3);
  auto display_chosen = [this](bool as_image) {
    s_.DisplayAsImage = as_image;
    ApplyDisplayRule(s_, choices_);
  };
  grid->addWidget(
      Radio(
          "rdbDisplayAsImage", "Only the image is displayed in the browser",
          [this] { return s_.DisplayAsImage; }, [display_chosen] { display_chosen(true); }),
      row++, 0, 1, 3);
  grid->addWidget(
      Radio(
          "rdbDisplayAsPage", "An HTML Image page is displayed built on the following settings:",
          [this] { return !s_.DisplayAsImage; }, [display_chosen] { display_chosen(false); }),
      row++, 0, 1, 3);

  grid->addWidget(Ruled(ruled_.image_page,
                        NamedLabel("Please choose an HTML Template page:", "lblTemplate", group)),
                  row++, 0, 1, 3);
  cmbImageTemplate_ = Ruled(ruled_.image_page, new QComboBox(group));
  cmbImageTemplate_->setObjectName("cmbImageTemplate");
  cmbImageTemplate_->setEditable(true);
  cmbImageTemplate_->setInsertPolicy(QComboBox::NoInsert);
  cmbImageTemplate_->setMinimumContentsLength(40);
  cmbImageTemplate_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fillers_.push_back([this] {
    cmbImageTemplate_->clear();
    for (const std::string& entry : recent_.image_styles) {
      cmbImageTemplate_->addItem(QString::fromStdString(entry));
    }
    cmbImageTemplate_->setEditText(QString::fromStdString(s_.Image_Style_File));
  });
  connect(cmbImageTemplate_, &QComboBox::editTextChanged, this,
          &PageSettingsDialog::TemplateTextChanged);
  connect(cmbImageTemplate_->lineEdit(), &QLineEdit::editingFinished, this,
          &PageSettingsDialog::TemplateLeft);
  auto* browse = Ruled(ruled_.image_page, new QPushButton("Browse..", group));
  browse->setObjectName("btnBrowseTemplate");
  auto* test = Ruled(ruled_.test_compliance, new QPushButton("Test Compliance", group));
  test->setObjectName("btnTestCompliance");
  auto* view = Ruled(ruled_.view_page, new QPushButton("View Page", group));
  view->setObjectName("btnViewPage");
  connect(browse, &QPushButton::clicked, this, &PageSettingsDialog::BrowseTemplate);
  connect(test, &QPushButton::clicked, this, &PageSettingsDialog::TestCompliance);
  connect(view, &QPushButton::clicked, this, &PageSettingsDialog::ViewPage);
  grid->addWidget(cmbImageTemplate_, row++, 0, 1, 3);
  grid->addLayout(Row({browse, test, view}), row++, 0, 1, 3);
  grid->addWidget(
      Ruled(ruled_.image_page, Check("chkImageHeading", "Show Image filename as heading",
                                     &SiteSettings::Image_Heading)),
      row++, 0, 1, 3);

  auto header_row = [&](const char* label, const char* caption, const char* list,
                        std::span<const std::string_view> items,
                        ImageHeaderMode SiteSettings::*mode, const char* button,
                        const char* button_caption, std::vector<QWidget*>& ruled_button) {
    grid->addWidget(Ruled(ruled_.image_page, NamedLabel(caption, label, group)), row, 0);
    auto* combo = Ruled(ruled_.image_page, Items(list, items, mode));
    // A click on the list applies the display rule too.
    connect(combo, &QComboBox::activated, this, [this] {
      ApplyDisplayRule(s_, choices_);
      ApplyRules();
    });
    grid->addWidget(combo, row, 1);
    auto* edit = Ruled(ruled_button, new QPushButton(button_caption, group));
    edit->setObjectName(button);
    const bool header = mode == &SiteSettings::Image_Header_Mode;
    connect(edit, &QPushButton::clicked, this, [this, header] { EditPageHeaderFooter(header); });
    grid->addWidget(edit, row++, 2);
  };
  header_row("lblHeader", "Header:", "cmbHeader", kImageHeaderItems,
             &SiteSettings::Image_Header_Mode, "btnEditHeader", "Edit Header", ruled_.edit_header);
  header_row("lblFooter", "Footer:", "cmbFooter", kImageFooterItems,
             &SiteSettings::Image_Footer_Mode, "btnEditFooter", "Edit Footer", ruled_.edit_footer);

  chkSameNavGraphics_ = Ruled(
      ruled_.same_nav_graphics,
      Check("chkSameNavGraphics", "Use the same Next/Previous graphics as Thumbnail Index page",
            &SiteSettings::Image_UseSameNavGraphics));
  grid->addWidget(chkSameNavGraphics_, row++, 0, 1, 3);
  grid->addWidget(
      Ruled(ruled_.image_page,
            Check("chkNavigationBar", "Show navigation links at bottom of image display page",
                  &SiteSettings::ImageNavigationBar)),
      row++, 0, 1, 3);
  grid->addWidget(Check("chkMaxImageSize", "Set maximum size of images displayed in image pages",
                        &SiteSettings::max_image_size),
                  row++, 0, 1, 3);
  auto& sized = ruled_.image_size;
  grid->addLayout(
      Row({Ruled(sized, NamedLabel("  Width:", "lblImageWidth", group)),
           Ruled(sized, Spin("spnImageWidth", &SiteSettings::Image_Width, kImageSizeRange)),
           Ruled(sized, NamedLabel("Height:", "lblImageHeight", group)),
           Ruled(sized, Spin("spnImageHeight", &SiteSettings::Image_Height, kImageSizeRange))}),
      row++, 0, 1, 3);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

QWidget* PageSettingsDialog::MakePageTextPage() {
  auto* page = new QWidget(this);
  page->setObjectName("tabPageText");

  auto* font = Group("grpPageFont", "Page Font", page);
  auto* font_grid = new QGridLayout(font);
  font_grid->addWidget(
      new QLabel("These settings will be used for all text inserted your site:", font), 0, 0, 1, 3);
  font_grid->addWidget(
      Radio(
          "rdbDefaultFont", "Use the default Font", [this] { return s_.default_font_default; },
          [this] { s_.default_font_default = true; }),
      1, 0);
  font_grid->addWidget(
      Radio(
          "rdbCustomFont", "Use a custom font:", [this] { return !s_.default_font_default; },
          [this] { s_.default_font_default = false; }),
      2, 0);
  font_grid->addWidget(
      Ruled(ruled_.default_font, FontBox("cmbDefaultFont", &SiteSettings::Default_Font)), 2, 1, 1,
      2);
  auto* note =
      Ruled(ruled_.default_font,
            NamedLabel("(You can specify alternative fonts by separating them with commas, e.g. "
                       "Arial, Helvetica)",
                       "lblFontNote", font));
  note->setWordWrap(true);
  font_grid->addWidget(note, 3, 0, 1, 3);
  font_grid->addLayout(Row({Check("chkBold", "Bold", &SiteSettings::Default_Font_Bold),
                            Check("chkItalics", "Italics", &SiteSettings::Default_Font_Italics)}),
                       4, 1, 1, 2);
  font_grid->addWidget(new QLabel("Size:", font), 5, 0);
  font_grid->addWidget(
      Items("cmbFontSize", kFontSizeItems, &SiteSettings::Default_Font_Size, ItemOfFontSize(0)), 5,
      1);
  font_grid->setColumnStretch(2, 1);

  auto* heading = Group("grpPageHeading", "Page Heading", page);
  auto* heading_grid = new QGridLayout(heading);
  auto* heading_note = new QLabel(
      "You can use a custom colour and size for the Thumbnail and Image page headings:", heading);
  heading_note->setWordWrap(true);
  heading_grid->addWidget(heading_note, 0, 0, 1, 3);
  heading_grid->addWidget(new QLabel("Size:", heading), 1, 0);
  heading_grid->addWidget(
      Items("cmbHeadingSize", kHeadingSizeItems, &SiteSettings::Page_Position_Heading_Size), 1, 1);
  heading_grid->addWidget(new QLabel("Heading Text Colour:", heading), 2, 0);
  heading_grid->addWidget(ColourRow(colours_[3], "HeadingColour", &SiteSettings::Heading_Colour), 2,
                          1, 1, 2);
  heading_grid->setColumnStretch(2, 1);

  auto* other = Group("grpPageOther", "Other", page);
  auto* other_layout = new QVBoxLayout(other);
  other_layout->addWidget(
      Check("chkKorrinLink", "Add link to Korrin Software home page", &SiteSettings::KorrinLink));
  other_layout->addWidget(Check("chkPagePositionHeading",
                                "Display Heading of current thumbnail page position",
                                &SiteSettings::Page_Position_Heading));

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(font);
  layout->addWidget(heading);
  layout->addWidget(other);
  layout->addStretch();
  return page;
}

QWidget* PageSettingsDialog::MakeOtherPage() {
  auto* page = new QWidget(this);
  page->setObjectName("tabOther");

  auto* nav = Group("grpPrevNext", "Previous/Next Page", page);
  auto* nav_layout = new QVBoxLayout(nav);
  auto* buttons = new QCheckBox("Use image buttons for previous/next page links", nav);
  buttons->setObjectName("chkPrevNextImageButtons");
  fillers_.push_back([this, buttons] { buttons->setChecked(s_.prev_next_image_buttons); });
  connect(buttons, &QCheckBox::toggled, this, [this](bool on) {
    SetPrevNextImageButtons(s_, on);
    const QSignalBlocker blocker(chkSameNavGraphics_);
    chkSameNavGraphics_->setChecked(s_.Image_UseSameNavGraphics);
    ApplyRules();
  });
  nav_layout->addWidget(buttons);
  auto& files = ruled_.prev_next_files;
  nav_layout->addWidget(
      Ruled(files, NamedLabel("Previous page image file:", "lblPreviousFile", nav)));
  nav_layout->addWidget(FileRow(Edit("edtPreviousFile", &SiteSettings::Previous_Page_File),
                                "btnBrowsePrevious", kNavImageTitle, kNavImageFilter, files));
  nav_layout->addWidget(Ruled(files, NamedLabel("Next page image file:", "lblNextFile", nav)));
  nav_layout->addWidget(FileRow(Edit("edtNextFile", &SiteSettings::Next_Page_File), "btnBrowseNext",
                                kNavImageTitle, kNavImageFilter, files));
  auto* return_note = Ruled(
      ruled_.return_file, NamedLabel("For your image pages you can also specify an image for your "
                                     "'Return to Index' link (optional):",
                                     "lblReturnNote", nav));
  return_note->setWordWrap(true);
  nav_layout->addWidget(return_note);
  nav_layout->addWidget(
      Ruled(ruled_.return_file, NamedLabel("Return to Index image:", "lblReturnFile", nav)));
  nav_layout->addWidget(FileRow(Edit("edtReturnFile", &SiteSettings::Return_To_Index_File),
                                "btnBrowseReturn", kNavImageTitle, kNavImageFilter,
                                ruled_.return_file));

  auto* method = Group("grpDisplayMethod", "Image Display Method", page);
  auto* method_layout = new QVBoxLayout(method);
  method_layout->addWidget(new QLabel("How should images be displayed:", method));
  method_layout->addWidget(
      Items("cmbDisplayMethod", kDisplayMethodItems, &SiteSettings::Image_Display_Method));

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(nav);
  layout->addWidget(method);
  layout->addStretch();
  return page;
}

// ---- Behaviour.

int PageSettingsDialog::Open() {
  OpenPageSettings(s_, recent_.image_styles, recent_.styles, DataDirectory(), choices_);
  Fill();
  ApplyRules();
  return context_.dialogs.Run(*this);
}

void PageSettingsDialog::Fill() {
  std::vector<QSignalBlocker> blockers;
  for (QWidget* child : findChildren<QWidget*>()) blockers.emplace_back(child);
  for (const auto& fill : fillers_) fill();
}

void PageSettingsDialog::ApplyRules() {
  // Every flag is bound here and paired with its controls below: a flag added to UsableControls
  // does not compile until it is.
  const auto [enclosure_colour, description_file, image_page, test_compliance, view_page,
              edit_header, edit_footer, return_file, same_nav_graphics, prev_next_files,
              index_buttons, index_font_size, index_font, default_font, image_size, web_images] =
      PageSettingsUsable(s_, choices_);
  const std::pair<const std::vector<QWidget*>&, bool> pairs[] = {
      {ruled_.enclosure_colour, enclosure_colour},
      {ruled_.description_file, description_file},
      {ruled_.image_page, image_page},
      {ruled_.test_compliance, test_compliance},
      {ruled_.view_page, view_page},
      {ruled_.edit_header, edit_header},
      {ruled_.edit_footer, edit_footer},
      {ruled_.return_file, return_file},
      {ruled_.same_nav_graphics, same_nav_graphics},
      {ruled_.prev_next_files, prev_next_files},
      {ruled_.index_buttons, index_buttons},
      {ruled_.index_font_size, index_font_size},
      {ruled_.index_font, index_font},
      {ruled_.default_font, default_font},
      {ruled_.image_size, image_size},
      {ruled_.web_images, web_images},
  };
  for (const auto& [controls, usable] : pairs) {
    for (QWidget* control : controls) control->setEnabled(usable);
  }
}

void PageSettingsDialog::EditPageHeaderFooter(bool header) {
  const ImageHeaderMode mode = header ? s_.Image_Header_Mode : s_.Image_Footer_Mode;
  if (mode == ImageHeaderMode::Html) {
    EditHeaderFooter(context_, this, header, header ? s_.Image_Header_HTML : s_.Image_Footer_HTML,
                     kSettingsHeaderFooterMax);
  } else if (mode == ImageHeaderMode::List) {
    EditHeaderFooterList(context_, this, header,
                         header ? s_.Image_Header_File : s_.Image_Footer_File, site_key_);
  }
}

void PageSettingsDialog::TemplateTextChanged(const QString& text) {
  s_.Image_Style_File = text.toStdString();
  ApplyTemplateRule(s_, choices_, s_.Image_Style_File);
  ApplyRules();
}

void PageSettingsDialog::TemplateLeft() {
  const std::string text = cmbImageTemplate_->currentText().toStdString();
  if (!AddTextToComboList(recent_.image_styles, text)) return;
  const QSignalBlocker blocker(cmbImageTemplate_);
  const QString shown = cmbImageTemplate_->currentText();
  cmbImageTemplate_->clear();
  for (const std::string& entry : recent_.image_styles) {
    cmbImageTemplate_->addItem(QString::fromStdString(entry));
  }
  cmbImageTemplate_->setEditText(shown);
}

void PageSettingsDialog::BrowseTemplate() {
  const auto path = context_.chooser.OpenFile(this, ToQ(kHtmlFileTitle), QtFilter(kHtmlFileFilter),
                                              cmbImageTemplate_->currentText());
  if (!path) return;
  if (ShowCompliance(context_, path->toStdString(), false, markers_, this)) {
    cmbImageTemplate_->setEditText(*path);
  }
}

void PageSettingsDialog::TestCompliance() {
  const std::string text = cmbImageTemplate_->currentText().toStdString();
  if (text.empty()) return;
  ShowCompliance(context_, text, false, markers_, this);
  TemplateTested(choices_);
  ApplyRules();
}

void PageSettingsDialog::ViewPage() {
  const std::string text = cmbImageTemplate_->currentText().toStdString();
  if (!text.empty()) context_.ui.OpenPage(text);
}

void PageSettingsDialog::Ok() {
  if (PageSettingsOk(context_.ui, s_)) accept();
}

}  // namespace parvel
