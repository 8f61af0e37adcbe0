// The HTML editor "Create HTML": a small plain-text editor for one header or footer snippet, with
// open, print, undo, cut, copy, paste, word wrap, a menu of ready-made HTML and a preview in the
// browser. Its rules are those of templates/htmleditor.h.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <string>
#include <string_view>

#include "desktop/common/viewcontext.h"

class QMenu;
class QToolButton;

namespace parvel {

// A plain-text field that takes at most `limit` characters from the keyboard and the clipboard;
// text set by the program is never cut.
class TypedLimitTextEdit : public QPlainTextEdit {
 public:
  TypedLimitTextEdit(int limit, QWidget* parent);
  // Keeps `pixels` clear on the left and right of the text, over its full height, painted as the
  // text area is.
  void SetSideMargins(int pixels);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  // How many more characters fit, the selection giving way to what is typed or pasted.
  int Room() const;
  int limit_;
};

class HtmlEditorDialog : public QDialog {
  Q_OBJECT

 public:
  // Open's file types: rich text and plain text files (any case of the extension), and any file.
  static constexpr const char* kOpenFilter =
      "Rich Text Files (*.RTF);;Text Files (*.TXT);;All Files (*)";
  static constexpr std::string_view kPrintFailedMessage = "The HTML could not be printed!";

  // Opens on `snippet`, its "|" starting new lines.
  HtmlEditorDialog(ViewContext context, const std::string& snippet, QWidget* parent = nullptr);

  // The editor's lines joined by "|" again.
  std::string snippet() const;

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing removes the preview file this editor wrote.
  void done(int result) override;

 private:
  // What the controls run, each from its own connect.
  void OpenTextFile();
  void PrintText();
  void PreviewText();
  // Inserts the insert menu's item `index` (0 .. 18) at the caret.
  void InsertMenuItem(int index);

  QToolButton* Tool(const char* name, const QString& caption, const QString& theme_icon,
                    const QString& hint);
  void UpdateButtons();
  void UpdatePaste();

  ViewContext context_;
  bool previewed_ = false;
  TypedLimitTextEdit* memText_;
  QToolButton* btnUndo_;
  QToolButton* btnCut_;
  QToolButton* btnCopy_;
  QToolButton* btnPaste_;
  QToolButton* btnWordWrap_;
  QToolButton* btnInsert_;
  QToolButton* btnPreview_;
  QMenu* mnuSnippets_;
};

}  // namespace parvel
