#include "desktop/headerfooter/headerfooterdialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <memory>

#include "desktop/common/chooser.h"
#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "desktop/headerfooter/headerfooterlineedit.h"
#include "desktop/headerfooter/htmleditordialog.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "platform/interaction.h"
#include "templates/listfile.h"

namespace parvel {
namespace {

std::string S(const QLineEdit* edit) {
  return edit->text().toStdString();
}

QLineEdit* Edit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

// The editors' buttons leave Enter to OK.
QPushButton* EditorButton(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = NamedButton(caption, name, parent);
  button->setAutoDefault(false);
  return button;
}

QDialogButtonBox* OkCancel(QWidget* parent) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, parent);
  buttons->setObjectName("buttonBox");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  return buttons;
}

QLabel* Explanation(const std::string& text, QWidget* parent) {
  auto* label = NamedLabel(ToQ(text), "lblExplanation", parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

}  // namespace

// ---- The snippet maker.

HeaderFooterMakerDialog::HeaderFooterMakerDialog(ViewContext context, bool header,
                                                 HeaderFooterFields& fields, std::size_t max_length,
                                                 QWidget* parent)
    : QDialog(parent),
      context_(context),
      header_(header),
      fields_(fields),
      max_length_(max_length) {
  setObjectName("dlgNewHeaderFooter");
  const HeaderFooterTexts texts = HeaderFooterTextsFor(header);
  setWindowTitle(ToQ(texts.snippet_title));
  const int chars = fontMetrics().averageCharWidth();

  auto* explanation = Explanation(texts.snippet_explanation, this);
  rbHtml_ = new QRadioButton("Pure &HTML:", this);
  rbHtml_->setObjectName("rbHtml");
  rbImage_ = new QRadioButton("&Image/Banner Link:", this);
  rbImage_->setObjectName("rbImage");
  rbText_ = new QRadioButton("&Text Link:", this);
  rbText_->setObjectName("rbText");
  auto* kinds = new QButtonGroup(this);
  kinds->addButton(rbHtml_, static_cast<int>(HeaderFooterKind::Html));
  kinds->addButton(rbImage_, static_cast<int>(HeaderFooterKind::ImageLink));
  kinds->addButton(rbText_, static_cast<int>(HeaderFooterKind::TextLink));

  // A list entry or the HTML editor's result may be longer than a line edit holds.
  edtHtml_ = new HeaderFooterLineEdit(this);
  edtHtml_->setObjectName("edtHtml");
  edtHtml_->setTypedLimit(kHeaderFooterTypedMax);
  edtHtml_->setMinimumWidth(chars * 56);
  btnEdit_ = EditorButton("&Edit..", "btnEdit", this);
  edtImageLocation_ = Edit("edtImageLocation", this);
  edtImageLink_ = Edit("edtImageLink", this);
  edtAltText_ = Edit("edtAltText", this);
  spnBorder_ = new QSpinBox(this);
  spnBorder_->setObjectName("spnBorder");
  spnBorder_->setRange(0, 9);
  edtTextLink_ = Edit("edtTextLink", this);
  edtText_ = Edit("edtText", this);

  imageLinkControls_ = {edtImageLocation_, edtImageLink_, edtAltText_, spnBorder_};
  textLinkControls_ = {edtTextLink_, edtText_};
  auto image = [this](QWidget* label) {
    imageLinkControls_.push_back(label);
    return label;
  };
  auto text = [this](QWidget* label) {
    textLinkControls_.push_back(label);
    return label;
  };

  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(rbHtml_, row++, 0, 1, 3);
  grid->addWidget(edtHtml_, row, 1);
  grid->addWidget(btnEdit_, row++, 2);
  grid->addWidget(rbImage_, row++, 0, 1, 3);
  grid->addWidget(
      image(NamedLabel("Image Location (URL):", "lblImageLocation", this, edtImageLocation_)), row,
      0);
  grid->addWidget(edtImageLocation_, row++, 1, 1, 2);
  grid->addWidget(image(NamedLabel("Link (URL):", "lblImageLink", this, edtImageLink_)), row, 0);
  grid->addWidget(edtImageLink_, row++, 1, 1, 2);
  grid->addWidget(image(NamedLabel("Alternative Text:", "lblAltText", this, edtAltText_)), row, 0);
  grid->addWidget(edtAltText_, row++, 1, 1, 2);
  auto* border_row = new QHBoxLayout;
  border_row->addWidget(spnBorder_);
  border_row->addStretch();
  grid->addWidget(image(NamedLabel("Border Width:", "lblBorder", this, spnBorder_)), row, 0);
  grid->addLayout(border_row, row++, 1, 1, 2);
  grid->addWidget(rbText_, row++, 0, 1, 3);
  grid->addWidget(text(NamedLabel("Link (URL):", "lblTextLink", this, edtTextLink_)), row, 0);
  grid->addWidget(edtTextLink_, row++, 1, 1, 2);
  grid->addWidget(text(NamedLabel("Text:", "lblText", this, edtText_)), row, 0);
  grid->addWidget(edtText_, row++, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setColumnMinimumWidth(0, chars * 24);

  auto* buttons = OkCancel(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(grid);
  layout->addStretch();
  layout->addWidget(buttons);

  {
    const QSignalBlocker blocker(kinds);
    kinds->button(static_cast<int>(fields_.kind))->setChecked(true);
  }
  edtHtml_->setText(ToQ(fields_.html));
  edtImageLocation_->setText(ToQ(fields_.image_location));
  edtImageLink_->setText(ToQ(fields_.image_link));
  edtAltText_->setText(ToQ(fields_.alt_text));
  spnBorder_->setValue(fields_.border);
  edtTextLink_->setText(ToQ(fields_.text_link));
  edtText_->setText(ToQ(fields_.text));
  ShowKind();

  connect(kinds, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) ShowKind();
  });
  connect(btnEdit_, &QPushButton::clicked, this, &HeaderFooterMakerDialog::EditHtml);
  connect(buttons, &QDialogButtonBox::accepted, this, &HeaderFooterMakerDialog::Ok);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void HeaderFooterMakerDialog::ShowKind() {
  const bool html = rbHtml_->isChecked();
  const bool image = rbImage_->isChecked();
  const bool text = rbText_->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(edtHtml_), static_cast<QWidget*>(btnEdit_)})
    w->setEnabled(html);
  for (QWidget* w : imageLinkControls_) w->setEnabled(image);
  for (QWidget* w : textLinkControls_) w->setEnabled(text);
}

void HeaderFooterMakerDialog::Take() {
  fields_.kind = rbImage_->isChecked()  ? HeaderFooterKind::ImageLink
                 : rbText_->isChecked() ? HeaderFooterKind::TextLink
                                        : HeaderFooterKind::Html;
  fields_.html = edtHtml_->text().toStdString();
  fields_.image_location = S(edtImageLocation_);
  fields_.image_link = S(edtImageLink_);
  fields_.alt_text = S(edtAltText_);
  fields_.border = spnBorder_->value();
  fields_.text_link = S(edtTextLink_);
  fields_.text = S(edtText_);
}

void HeaderFooterMakerDialog::EditHtml() {
  std::unique_ptr<HtmlEditorDialog> editor;
  {
    const BusyCursor busy(context_.ui);
    editor = std::make_unique<HtmlEditorDialog>(context_, edtHtml_->text().toStdString(), this);
  }
  if (context_.dialogs.Run(*editor) == QDialog::Accepted) edtHtml_->setText(ToQ(editor->snippet()));
}

void HeaderFooterMakerDialog::Ok() {
  Take();
  const HeaderFooterResult result = FinishHeaderFooter(fields_, header_, max_length_);
  if (!result.problem.empty()) {
    context_.ui.Inform(result.problem);
    return;
  }
  snippet_ = result.snippet;
  edtHtml_->setText(ToQ(snippet_));
  accept();
}

HeaderFooterMakerDialog::~HeaderFooterMakerDialog() {
  Take();
}

// ---- The list editor.

HeaderFooterListDialog::HeaderFooterListDialog(ViewContext context, bool header,
                                               const std::string& file, const std::string& site_key,
                                               QWidget* parent)
    : QDialog(parent), context_(context), header_(header), texts_(HeaderFooterTextsFor(header)) {
  setObjectName("dlgHeaderFooter");
  setWindowTitle(ToQ(texts_.list_title));
  const int chars = fontMetrics().averageCharWidth();

  auto* explanation = Explanation(texts_.list_explanation, this);

  auto* list_group = new QGroupBox(ToQ(texts_.list_name), this);
  list_group->setObjectName("grpList");
  lbxEntries_ = new QListWidget(list_group);
  lbxEntries_->setObjectName("lbxEntries");
  lbxEntries_->setSelectionMode(QAbstractItemView::SingleSelection);
  lbxEntries_->setMinimumSize(chars * 60, fontMetrics().height() * 10);
  btnAdd_ = EditorButton("&Add..", "btnAdd", list_group);
  btnModify_ = EditorButton("&Modify", "btnModify", list_group);
  btnRemove_ = EditorButton("&Remove", "btnRemove", list_group);
  btnClearAll_ = EditorButton("Clear A&ll", "btnClearAll", list_group);
  btnMoveUp_ = EditorButton("Move &Up", "btnMoveUp", list_group);
  btnMoveDown_ = EditorButton("Move &Down", "btnMoveDown", list_group);
  auto* list_buttons = new QVBoxLayout;
  for (QPushButton* b : {btnAdd_, btnModify_, btnRemove_, btnClearAll_}) list_buttons->addWidget(b);
  list_buttons->addSpacing(fontMetrics().height());
  list_buttons->addWidget(btnMoveUp_);
  list_buttons->addWidget(btnMoveDown_);
  list_buttons->addStretch();
  auto* list_layout = new QHBoxLayout(list_group);
  list_layout->addWidget(lbxEntries_, 1);
  list_layout->addLayout(list_buttons);

  auto* file_group = new QGroupBox(ToQ(texts_.list_file_box), this);
  file_group->setObjectName("grpFile");
  edtFileName_ = Edit("edtFileName", file_group);
  auto* load = EditorButton("L&oad..", "btnLoad", file_group);
  auto* save = EditorButton("&Save as..", "btnSave", file_group);
  auto* file_layout = new QHBoxLayout(file_group);
  file_layout->addWidget(edtFileName_, 1);
  file_layout->addWidget(load);
  file_layout->addWidget(save);

  auto* buttons = OkCancel(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addWidget(list_group, 1);
  layout->addWidget(file_group);
  layout->addWidget(buttons);

  edtFileName_->setText(
      ToQ(file.empty() ? DefaultListFileName(DataDirectory(), site_key, header) : file));
  ShowList();

  connect(lbxEntries_, &QListWidget::currentRowChanged, this, [this](int row) {
    list_.Select(row);
    ShowList();
  });
  connect(btnAdd_, &QPushButton::clicked, this, &HeaderFooterListDialog::AddEntry);
  connect(btnModify_, &QPushButton::clicked, this, &HeaderFooterListDialog::ModifyEntry);
  connect(btnRemove_, &QPushButton::clicked, this, &HeaderFooterListDialog::RemoveEntry);
  connect(btnClearAll_, &QPushButton::clicked, this, &HeaderFooterListDialog::ClearEntries);
  connect(btnMoveUp_, &QPushButton::clicked, this, [this] {
    if (list_.MoveUp()) ShowList();
  });
  connect(btnMoveDown_, &QPushButton::clicked, this, [this] {
    if (list_.MoveDown()) ShowList();
  });
  connect(load, &QPushButton::clicked, this, &HeaderFooterListDialog::ChooseAndLoadList);
  connect(save, &QPushButton::clicked, this, &HeaderFooterListDialog::ChooseAndSaveList);
  connect(buttons, &QDialogButtonBox::accepted, this, &HeaderFooterListDialog::SaveAndAccept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int HeaderFooterListDialog::Open() {
  if (FileExists(file_name())) LoadList();
  return context_.dialogs.Run(*this);
}

std::string HeaderFooterListDialog::file_name() const {
  return S(edtFileName_);
}

void HeaderFooterListDialog::ShowList() {
  {
    const QSignalBlocker blocker(lbxEntries_);
    if (lbxEntries_->count() != static_cast<int>(list_.entries().size())) lbxEntries_->clear();
    for (size_t i = 0; i < list_.entries().size(); ++i) {
      const QString text = ToQ(DecodeListEntry(list_.entries()[i]));
      if (auto* item = lbxEntries_->item(static_cast<int>(i)))
        item->setText(text);
      else
        lbxEntries_->addItem(text);
    }
    lbxEntries_->setCurrentRow(list_.selected());
    if (list_.selected() < 0) lbxEntries_->clearSelection();
  }
  const HeaderFooterList::Usable usable = list_.usable();
  btnRemove_->setEnabled(usable.remove);
  btnModify_->setEnabled(usable.modify);
  btnMoveUp_->setEnabled(usable.move);
  btnMoveDown_->setEnabled(usable.move);
  btnClearAll_->setEnabled(usable.clear);
}

void HeaderFooterListDialog::AddEntry() {
  HeaderFooterMakerDialog maker(context_, header_, maker_fields_, 0, this);
  if (context_.dialogs.Run(maker) != QDialog::Accepted) return;
  // A list read in windows-1252 stays in it.
  list_.Add(EncodeListEntry(maker.snippet(), ListFileEncoding(list_.entries())));
  ShowList();
}

void HeaderFooterListDialog::ModifyEntry() {
  if (list_.selected() < 0) return;
  const std::string& entry = list_.entries()[static_cast<size_t>(list_.selected())];
  const ListEncoding encoding = EntryEncoding(entry);
  maker_fields_.kind = HeaderFooterKind::Html;
  maker_fields_.html = DecodeListEntry(entry);
  HeaderFooterMakerDialog maker(context_, header_, maker_fields_, 0, this);
  if (context_.dialogs.Run(maker) != QDialog::Accepted) return;
  // Written back in the encoding it was read in: unchanged, it keeps its bytes.
  list_.Modify(EncodeListEntry(maker.snippet(), encoding));
  ShowList();
}

void HeaderFooterListDialog::RemoveEntry() {
  if (list_.Remove()) ShowList();
}

void HeaderFooterListDialog::ClearEntries() {
  if (list_.entries().empty() || !context_.ui.AskYesNo(kClearAllQuestion)) return;
  list_.Clear();
  ShowList();
}

bool HeaderFooterListDialog::LoadList() {
  auto entries = ReadHeaderFooterList(file_name());
  if (!entries) {
    context_.ui.Warn(ListLoadFailedMessage(header_, file_name()));
    return false;
  }
  list_.Replace(std::move(*entries));
  ShowList();
  return true;
}

bool HeaderFooterListDialog::SaveList() {
  if (!WriteHeaderFooterList(file_name(), list_.entries())) {
    context_.ui.Inform(ListSaveFailedMessage(header_, file_name()));
    return false;
  }
  return true;
}

void HeaderFooterListDialog::ChooseAndLoadList() {
  const auto path = context_.chooser.OpenFile(this, "Please select a text file", "All Files (*)",
                                              edtFileName_->text());
  // A cancelled question keeps the list as it is, unsaved entries included.
  if (!path) return;
  edtFileName_->setText(*path);
  LoadList();
}

void HeaderFooterListDialog::ChooseAndSaveList() {
  const auto path = context_.chooser.SaveFile(this, "Please choose a file name",
                                              "Text Files (*.txt)", edtFileName_->text());
  if (!path) return;
  edtFileName_->setText(*path);
  SaveList();
}

void HeaderFooterListDialog::SaveAndAccept() {
  if (file_name().empty() || list_.entries().empty()) {
    context_.ui.Inform(ListNotCreatedMessage(header_));
    return;
  }
  if (SaveList()) accept();
}

// ---- The callers' entry points.

bool EditHeaderFooter(ViewContext context, QWidget* parent, bool header, std::string& html,
                      std::size_t max_length) {
  HeaderFooterFields fields;
  fields.html = html;
  HeaderFooterMakerDialog maker(context, header, fields, max_length, parent);
  if (context.dialogs.Run(maker) != QDialog::Accepted) return false;
  html = maker.snippet();
  return true;
}

bool EditHeaderFooterList(ViewContext context, QWidget* parent, bool header, std::string& file,
                          const std::string& site_key) {
  HeaderFooterListDialog editor(context, header, file, site_key, parent);
  if (editor.Open() != QDialog::Accepted) return false;
  file = editor.file_name();
  return true;
}

}  // namespace parvel
