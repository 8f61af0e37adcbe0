// Test doubles for the desktop's seams: a scripted chooser, a dialog factory that works the real
// dialogs' controls in place of a person, and a data directory of the test's own.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QListWidget>
#include <QTemporaryDir>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/appstate.h"
#include "app/chooser.h"
#include "app/seams.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

// A comparison inside a dialog handler, which returns the dialog's result and so cannot use
// QCOMPARE's early return: a mismatch is recorded as a failure and the handler goes on.
#define CHECK_EQ(actual, expected) \
  QTest::qCompare(actual, expected, #actual, #expected, __FILE__, __LINE__)

namespace parvel::test {

// Answers OpenFile, SaveFile and Colour from queues, in order (an empty or missing entry
// cancels), never chooses a folder, and prints into the PDF file `pdf`.
class ScriptedChooser : public Chooser {
 public:
  std::deque<QString> files, saves;
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
  std::optional<QColor> Colour(QWidget*, const QColor&, std::vector<QColor>&) override;
  bool Print(QWidget*, const QString& title, const QString& text) override;

 private:
  static std::optional<QString> Next(std::deque<QString>& answers);
};

// Each Run takes the next handler, which works the dialog and returns its result; a dialog
// opened with no handler queued is recorded in `unexpected` and rejected.
class ScriptedDialogs : public DialogFactory {
 public:
  using Handler = std::function<int(QDialog&)>;
  void Queue(Handler handler) { handlers_.push_back(std::move(handler)); }
  int Run(QDialog& dialog) override;

  std::vector<QString> opened;      // object names, in order
  std::vector<QString> unexpected;  // dialogs opened without a handler
  size_t unused() const { return handlers_.size(); }

 private:
  std::deque<Handler> handlers_;
};

// Clicks the button with this object name inside `parent` and returns the dialog's result.
int Click(QWidget& parent, const char* name);

// The control of this type and object name inside `parent` (a fatal error when there is none).
template <typename T = QWidget>
T* Find(const QWidget& parent, const char* name) {
  auto* widget = parent.findChild<T*>(name);
  if (!widget) qFatal("no control %s in %s", name, qPrintable(parent.objectName()));
  return widget;
}
inline bool Enabled(const QWidget& parent, const char* name) {
  return Find(parent, name)->isEnabled();
}

// A fresh data directory, made the program's; with `samples`, the Samples folder of data/.
struct DataDir {
  explicit DataDir(bool samples = false);
  std::string path;  // with a trailing "/"
  void Write(const std::string& name, const std::string& text) const {
    testing::WriteFile(path + name, text);
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(path + name); }
  std::string Read(const std::string& name) const { return testing::ReadFile(path + name); }

 private:
  QTemporaryDir dir_;
};

struct Doubles {
  ScriptedInteraction ui;
  ScriptedChooser chooser;
  ScriptedDialogs dialogs;
  Seams seams() { return Seams{ui, chooser, dialogs}; }
};

// A small JPEG (64x48): its thumbnail is quick to make.
void MakeJpeg(const std::string& path);

// The items of a list widget named `name` inside `parent`.
QStringList Items(const QWidget& parent, const char* name);

}  // namespace parvel::test

namespace parvel {
class TdlgEditSite;
}

namespace parvel::test {

// The catalogue's one site, "First", whose directory is site/ in the test's data directory,
// and the site editor opened on it.
struct EditorFixture {
  // `ini` holds the lines of Site_1.ini after Name and Path.
  EditorFixture(bool rotations, const std::string& ini);
  ~EditorFixture();
  // Rotation n's default directory, with "/" (the site directory itself without rotations).
  std::string RotationDir(int n) const {
    return rotations ? site + "Rotation_" + std::to_string(n) + "/" : site;
  }
  // Opens the editor (false when it would not open).
  bool Open();

  bool rotations;
  DataDir data;
  std::string site;
  Doubles doubles;
  AppState app;
  std::unique_ptr<TdlgEditSite> editor;
};

}  // namespace parvel::test
