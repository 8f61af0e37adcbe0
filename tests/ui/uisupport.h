// Test doubles for the desktop's seams: a scripted chooser, a dialog factory that works the real
// dialogs' controls in place of a person, and a data directory of the test's own.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/chooser.h"
#include "app/seams.h"
#include "platform/scripted_interaction.h"

namespace parvel::test {

class ScriptedChooser : public Chooser {
 public:
  std::deque<QString> folders;  // answers of Folder, in order; an empty one cancels
  std::optional<QString> OpenFile(QWidget*, const QString&, const QString&,
                                  const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> SaveFile(QWidget*, const QString&, const QString&,
                                  const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> Folder(QWidget*, const QString&, const QString&) override;
  std::optional<QColor> Colour(QWidget*, const QColor&, std::vector<QColor>&) override {
    return std::nullopt;
  }
  bool Print(QWidget*, const QString&, const QString&) override { return false; }
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

// A fresh data directory, made the program's; with `samples`, the Samples folder of data/.
struct DataDir {
  explicit DataDir(bool samples = false);
  std::string path;  // with a trailing "/"
  void Write(const std::string& name, const std::string& text) const;
  bool Exists(const std::string& name) const;
  std::string Read(const std::string& name) const;

 private:
  QTemporaryDir dir_;
};

struct Doubles {
  ScriptedInteraction ui;
  ScriptedChooser chooser;
  ScriptedDialogs dialogs;
  Seams seams() { return Seams{ui, chooser, dialogs}; }
};

}  // namespace parvel::test
