#include "desktop/headerfooter/htmleditordialog.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdint>

#include "desktop/common/chooser.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/common/text.h"
#include "platform/filesystem.h"
#include "templates/headerfooter.h"
#include "templates/htmleditor.h"

namespace parvel {
namespace {

// The largest file the editor opens: far beyond any snippet.
constexpr std::uint64_t kMaxOpenedFile = 4u << 20;

}  // namespace

TypedLimitTextEdit::TypedLimitTextEdit(int limit, QWidget* parent)
    : QPlainTextEdit(parent), limit_(limit) {}

void TypedLimitTextEdit::SetSideMargins(int pixels) {
  document()->setDocumentMargin(0);
  setViewportMargins(pixels, 0, pixels, 0);
  QPalette shades = palette();
  shades.setColor(QPalette::Window, shades.color(QPalette::Base));
  setPalette(shades);
  setAutoFillBackground(true);
}

int TypedLimitTextEdit::Room() const {
  const QTextCursor cursor = textCursor();
  const auto selected = cursor.selectionEnd() - cursor.selectionStart();
  return static_cast<int>(limit_ - (toPlainText().size() - selected));
}

void TypedLimitTextEdit::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  const bool types =
      !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == '\r' || text.at(0) == '\t');
  if (types && !event->matches(QKeySequence::Paste) && text.size() > Room() &&
      !(event->modifiers() & Qt::ControlModifier)) {
    QApplication::beep();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TypedLimitTextEdit::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText()) return;
  const int room = Room();
  if (room <= 0) {
    QApplication::beep();
    return;
  }
  textCursor().insertText(source->text().left(room));
  ensureCursorVisible();
}

HtmlEditorDialog::HtmlEditorDialog(ViewContext context, const std::string& snippet, QWidget* parent)
    : QDialog(parent), context_(context) {
  setObjectName("frmRichEdit");
  setWindowTitle("Create HTML");
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

  memText_ = new TypedLimitTextEdit(kHeaderFooterTypedMax, this);
  memText_->setObjectName("memText");
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  memText_->setFont(font);
  memText_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memText_->SetSideMargins(6);
  memText_->setMinimumSize(fontMetrics().averageCharWidth() * 70, fontMetrics().height() * 14);

  auto* btnOpen = Tool("btnOpen", "Open", "document-open",
                       "Select a file from your system to copy the text from");
  auto* btnPrint = Tool("btnPrint", "Print", "document-print", "Print the current HTML");
  btnUndo_ = Tool("btnUndo", "Undo", "edit-undo", "Undo the last action");
  btnCut_ = Tool("btnCut", "Cut", "edit-cut", "Cut the selected text to the clipboard");
  btnCopy_ = Tool("btnCopy", "Copy", "edit-copy", "Copy the selected text to the clipboard");
  btnPaste_ = Tool("btnPaste", "Paste", "edit-paste", "Paste the contents of the clipboard");
  btnWordWrap_ = Tool("btnWordWrap", "Wrap", "format-justify-left",
                      "Wrap the text to the width of the window");
  btnWordWrap_->setCheckable(true);
  btnWordWrap_->setChecked(true);
  btnInsert_ = Tool("btnInsert", "Insert", "insert-text", "Insert HTML code snippets");
  btnPreview_ = Tool("btnPreview", "Preview", "document-print-preview",
                     "Preview the current HTML in your browser");

  mnuSnippets_ = new QMenu(this);
  mnuSnippets_->setObjectName("mnuSnippets");
  const auto& items = HtmlMenuItems();
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    // "&" would mark a mnemonic; the caption shows it as it is inserted.
    QAction* action =
        mnuSnippets_->addAction(ToQ(items[static_cast<size_t>(i)]).replace("&", "&&"));
    action->setObjectName(QString("mnuItem%1").arg(i + 1));
    connect(action, &QAction::triggered, this, [this, i] { InsertMenuItem(i); });
  }

  auto* tools = new QHBoxLayout;
  tools->setSpacing(2);
  for (QToolButton* button : {btnOpen, btnPrint, btnUndo_, btnCut_, btnCopy_, btnPaste_,
                              btnWordWrap_, btnInsert_, btnPreview_}) {
    tools->addWidget(button);
  }
  tools->addStretch();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("buttonBox");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(tools);
  layout->addWidget(memText_, 1);
  layout->addWidget(buttons);
  resize(fontMetrics().averageCharWidth() * 96, fontMetrics().height() * 26);

  memText_->setPlainText(ToQ(HeaderFooterToEditorText(snippet)));

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(btnOpen, &QToolButton::clicked, this, &HtmlEditorDialog::OpenTextFile);
  connect(btnPrint, &QToolButton::clicked, this, &HtmlEditorDialog::PrintText);
  connect(btnUndo_, &QToolButton::clicked, memText_, &QPlainTextEdit::undo);
  connect(btnCut_, &QToolButton::clicked, memText_, &QPlainTextEdit::cut);
  connect(btnCopy_, &QToolButton::clicked, memText_, &QPlainTextEdit::copy);
  connect(btnPaste_, &QToolButton::clicked, memText_, &QPlainTextEdit::paste);
  connect(btnWordWrap_, &QToolButton::toggled, this, [this](bool on) {
    memText_->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  });
  connect(btnInsert_, &QToolButton::clicked, this, [this] {
    // The menu opens where the mouse released the button (below it when the keyboard did).
    const QPoint mouse = QCursor::pos();
    const bool under_mouse = btnInsert_->rect().contains(btnInsert_->mapFromGlobal(mouse));
    mnuSnippets_->popup(under_mouse ? mouse
                                    : btnInsert_->mapToGlobal(btnInsert_->rect().bottomLeft()));
  });
  connect(btnPreview_, &QToolButton::clicked, this, &HtmlEditorDialog::PreviewText);
  connect(memText_, &QPlainTextEdit::textChanged, this, &HtmlEditorDialog::UpdateButtons);
  connect(memText_, &QPlainTextEdit::undoAvailable, btnUndo_, &QWidget::setEnabled);
  connect(memText_, &QPlainTextEdit::selectionChanged, this, &HtmlEditorDialog::UpdateButtons);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &HtmlEditorDialog::UpdatePaste);
  UpdateButtons();
  UpdatePaste();
}

QToolButton* HtmlEditorDialog::Tool(const char* name, const QString& caption,
                                    const QString& theme_icon, const QString& hint) {
  auto* button = new QToolButton(this);
  button->setObjectName(name);
  button->setText(caption);
  button->setIcon(QIcon::fromTheme(theme_icon));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setToolTip(PlainToolTip(hint));
  return button;
}

std::string HtmlEditorDialog::snippet() const {
  // toPlainText would turn a non-breaking space into a blank.
  QString text = memText_->document()->toRawText();
  text.replace(QChar(QChar::ParagraphSeparator), QChar('\n'));
  text.replace(QChar(QChar::LineSeparator), QChar('\n'));
  return EditorTextToHeaderFooter(text.toStdString());
}

void HtmlEditorDialog::UpdateButtons() {
  btnUndo_->setEnabled(memText_->document()->isUndoAvailable());
  btnPreview_->setEnabled(!memText_->document()->isEmpty());
  const bool selection = memText_->textCursor().hasSelection();
  btnCut_->setEnabled(selection && !memText_->isReadOnly());
  btnCopy_->setEnabled(selection);
}

void HtmlEditorDialog::UpdatePaste() {
  btnPaste_->setEnabled(memText_->canPaste());
}

void HtmlEditorDialog::showEvent(QShowEvent* event) {
  const bool modified = memText_->document()->isModified();
  QDialog::showEvent(event);
  UpdateButtons();
  UpdatePaste();
  memText_->setFocus();
  memText_->document()->setModified(modified);
}

void HtmlEditorDialog::OpenTextFile() {
  bool read_only = false;
  const auto path =
      context_.chooser.OpenFileReadOnly(this, "Open", kOpenFilter, QString(), &read_only);
  if (!path) return;
  std::string text;
  if (!ReadPlainFile(path->toStdString(), kMaxOpenedFile, &text)) {
    context_.ui.Warn("Cannot open the file, " + path->toStdString());
    return;
  }
  // Its lines, whatever ends them.
  QString lines = ToQ(text);
  lines.replace("\r\n", "\n").replace('\r', '\n');
  memText_->setPlainText(lines);
  memText_->setReadOnly(read_only);
  memText_->document()->setModified(false);
  memText_->setFocus();
  UpdateButtons();
}

void HtmlEditorDialog::PrintText() {
  if (context_.chooser.Print(this, kProductName, memText_->toPlainText()) == PrintOutcome::Failed) {
    context_.ui.Warn(kPrintFailedMessage);
  }
}

void HtmlEditorDialog::PreviewText() {
  if (memText_->document()->isEmpty()) return;
  previewed_ = true;
  PreviewHtml(context_.ui, memText_->toPlainText().toStdString());
}

void HtmlEditorDialog::done(int result) {
  if (previewed_) RemovePreviewFile();
  previewed_ = false;
  QDialog::done(result);
}

void HtmlEditorDialog::InsertMenuItem(int index) {
  const auto& items = HtmlMenuItems();
  if (index < 0 || index >= static_cast<int>(items.size())) return;
  const std::u16string piece = ToQ(items[static_cast<size_t>(index)]).toStdU16String();
  QTextCursor cursor = memText_->textCursor();
  const int start = cursor.selectionStart();
  const Insertion done =
      InsertPiece(memText_->toPlainText().toStdU16String(), static_cast<size_t>(start), piece);
  cursor.setPosition(start);
  cursor.insertText(QString::fromStdU16String(piece));
  cursor.setPosition(static_cast<int>(done.caret));
  memText_->setTextCursor(cursor);
  memText_->setFocus();
}

}  // namespace parvel
