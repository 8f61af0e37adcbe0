// Test doubles for the desktop's context: a scripted chooser, a dialog factory that works the real
// dialogs' controls in place of a person, and a data directory of the test's own.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "desktop/common/chooser.h"
#include "desktop/common/viewcontext.h"
#include "model/paths.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

// A comparison inside a dialog handler, which returns the dialog's result and so cannot use
// QCOMPARE's early return: a mismatch is recorded as a failure and the handler goes on.
#define CHECK_EQ(actual, expected) \
  QTest::qCompare(actual, expected, #actual, #expected, __FILE__, __LINE__)

namespace parvel::test {

// The front of `answers`, taken off; nothing when there is none.
template <typename T>
std::optional<T> Next(std::deque<std::optional<T>>& answers) {
  if (answers.empty()) return std::nullopt;
  const std::optional<T> answer = answers.front();
  answers.pop_front();
  return answer;
}

// Answers OpenFile, SaveFile and Colour from queues, in order (an empty queue or a missing entry
// cancels), never chooses a folder, and prints into the PDF file `pdf`.
class ScriptedChooser : public Chooser {
 public:
  std::deque<std::optional<QString>> files, saves;
  std::deque<std::optional<QColor>> colours;
  QString pdf;
  std::optional<QString> OpenFile(QWidget*, const QString&, const QString&,
                                  const QString&) override {
    return Next(files);
  }
  std::optional<QString> SaveFile(QWidget*, const QString&, const QString&,
                                  const QString&) override {
    return Next(saves);
  }
  std::optional<QString> Folder(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QColor> Colour(QWidget*, const QColor&, std::vector<QColor>&) override {
    return Next(colours);
  }
  // The read-only box's answers, in order (none: unticked).
  std::deque<std::optional<bool>> read_only;
  QString open_filter;  // the filter of the last OpenFileReadOnly
  std::optional<QString> OpenFileReadOnly(QWidget* parent, const QString& title,
                                          const QString& filter, const QString& start,
                                          bool* ticked) override {
    open_filter = filter;
    *ticked = Next(read_only).value_or(false);
    return OpenFile(parent, title, filter, start);
  }
  PrintOutcome Print(QWidget*, const QString& title, const QString& text) override {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return PrintPlainText(printer, title, text) ? PrintOutcome::Printed : PrintOutcome::Failed;
  }
};

// Each Run takes the next handler, which works the dialog and returns its result; a dialog
// opened with no handler queued is rejected.
class ScriptedDialogs : public DialogFactory {
 public:
  using Handler = std::function<int(QDialog&)>;
  void Queue(Handler handler) { handlers_.push_back(std::move(handler)); }
  int Run(QDialog& dialog) override {
    opened.push_back(dialog.objectName());
    if (handlers_.empty()) return QDialog::Rejected;
    Handler handler = std::move(handlers_.front());
    handlers_.pop_front();
    return handler(dialog);
  }
  std::vector<QString> opened;  // object names, in order
  size_t unused() const { return handlers_.size(); }

 private:
  std::deque<Handler> handlers_;
};

// The control of this type and object name inside `parent` (a fatal error when there is none).
template <typename T = QWidget>
T* Find(const QWidget& parent, const char* name) {
  auto* widget = parent.findChild<T*>(name);
  if (!widget) qFatal("no control %s in %s", name, qPrintable(parent.objectName()));
  return widget;
}

// Clicks the button with this object name inside `parent` and returns the dialog's result.
inline int Click(QWidget& parent, const char* name) {
  Find<QAbstractButton>(parent, name)->click();
  auto* dialog = qobject_cast<QDialog*>(&parent);
  return dialog ? dialog->result() : 0;
}

// A fresh data directory, made the program's; with `samples`, the Samples folder of data/.
struct DataDir {
  explicit DataDir(bool samples = false) {
    SetDataDirectory(path);
    if (samples) std::filesystem::copy(PARVEL_SOURCE_DIR "/data/Samples", path + "Samples");
  }
  void Write(const std::string& name, const std::string& text) const {
    testing::WriteFile(path + name, text);
  }
  std::string Read(const std::string& name) const { return testing::ReadFile(path + name); }

  QTemporaryDir dir;
  std::string path = dir.path().toStdString() + "/";  // with a trailing "/"
};

struct Doubles {
  ScriptedInteraction ui;
  ScriptedChooser chooser;
  ScriptedDialogs dialogs;
  ViewContext context() { return ViewContext{ui, chooser, dialogs}; }
};

}  // namespace parvel::test
