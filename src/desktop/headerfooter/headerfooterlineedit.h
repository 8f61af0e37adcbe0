// The snippet maker's HTML field: one line of text like a line edit, without the line edit's
// limit of 32,767 characters, so that a long list entry or HTML editor result is never cut.
#pragma once

#include <QPlainTextEdit>

namespace parvel {

class HeaderFooterLineEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit HeaderFooterLineEdit(QWidget* parent = nullptr);

  // The whole text, exactly as set or typed (no blank stands in for a non-breaking space).
  QString text() const;
  // Sets the text however long it is; a line break becomes "|", the snippet's line break.
  void setText(const QString& text);
  // A person may type or paste no more than `limit` characters; a longer text set by the program
  // stays whole and may only shrink. 0: no limit.
  void setTypedLimit(int limit) { typed_limit_ = limit; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  // Enter goes to the dialog (its default button), as in a line edit.
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void Changed();

  int typed_limit_ = 0;
  QString last_;
  bool reverting_ = false;
};

// The text with every line break (CR LF, CR, LF and the document's separators) made "|".
QString HeaderFooterLine(QString text);

}  // namespace parvel
