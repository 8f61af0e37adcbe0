#include "desktop/headerfooter/headerfooterlineedit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

namespace parvel {

QString HeaderFooterLine(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("|"));
  for (const QChar c :
       {QChar('\r'), QChar('\n'), QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator)})
    text.replace(c, QChar('|'));
  return text;
}

HeaderFooterLineEdit::HeaderFooterLineEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setWordWrapMode(QTextOption::NoWrap);
  setTabChangesFocus(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  document()->setDocumentMargin(2);
  connect(this, &QPlainTextEdit::textChanged, this, &HeaderFooterLineEdit::Changed);
}

QString HeaderFooterLineEdit::text() const {
  // toPlainText would turn a non-breaking space into a blank.
  return HeaderFooterLine(document()->toRawText());
}

void HeaderFooterLineEdit::setText(const QString& text) {
  last_ = HeaderFooterLine(text);
  reverting_ = true;
  setPlainText(last_);
  reverting_ = false;
  moveCursor(QTextCursor::End);
}

QSize HeaderFooterLineEdit::sizeHint() const {
  QLineEdit probe;
  probe.setFont(font());
  return QSize(QPlainTextEdit::sizeHint().width(), probe.sizeHint().height());
}

QSize HeaderFooterLineEdit::minimumSizeHint() const {
  return QSize(QPlainTextEdit::minimumSizeHint().width(), sizeHint().height());
}

void HeaderFooterLineEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->ignore();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void HeaderFooterLineEdit::insertFromMimeData(const QMimeData* source) {
  if (source && source->hasText()) insertPlainText(HeaderFooterLine(source->text()));
}

void HeaderFooterLineEdit::Changed() {
  if (reverting_) return;
  const QString now = text();
  if (typed_limit_ > 0 && now.size() > typed_limit_ && now.size() > last_.size()) {
    // Too much typed or pasted: back to the text before it, the cursor where the input began.
    const int position = textCursor().position() - int(now.size() - last_.size());
    reverting_ = true;
    setPlainText(last_);
    reverting_ = false;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(position, 0, int(last_.size())));
    setTextCursor(cursor);
    return;
  }
  if (now != document()->toRawText()) {
    // A line break that came in some other way than a paste (a drop, an input method).
    const int position = textCursor().position();
    reverting_ = true;
    setPlainText(now);
    reverting_ = false;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(position, 0, int(now.size())));
    setTextCursor(cursor);
  }
  last_ = now;
}

}  // namespace parvel
