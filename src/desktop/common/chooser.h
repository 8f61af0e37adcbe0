// The desktop's choosers behind one interface: a file to open or save, a folder, a colour (with
// the user's custom colours) and printing plain text. Views ask through it, so that a test can
// answer in place of a real chooser.
#pragma once

#include <QColor>
#include <QString>
#include <optional>
#include <vector>

class QPrinter;
class QWidget;

namespace parvel {

enum class PrintOutcome { Printed, Cancelled, Failed };

class Chooser {
 public:
  virtual ~Chooser() = default;
  // `filter` in Qt's form: "HTML Files (*.htm *.html)". nullopt when the user cancels.
  virtual std::optional<QString> OpenFile(QWidget* parent, const QString& title,
                                          const QString& filter, const QString& start) = 0;
  virtual std::optional<QString> SaveFile(QWidget* parent, const QString& title,
                                          const QString& filter, const QString& start) = 0;
  // A file to open with the chooser's "open as read-only" box; `read_only` receives its state.
  // By default OpenFile without the box (never read-only).
  virtual std::optional<QString> OpenFileReadOnly(QWidget* parent, const QString& title,
                                                  const QString& filter, const QString& start,
                                                  bool* read_only);
  virtual std::optional<QString> Folder(QWidget* parent, const QString& title,
                                        const QString& start) = 0;
  // `custom` holds the custom colours offered and receives them as the user left them.
  virtual std::optional<QColor> Colour(QWidget* parent, const QColor& initial,
                                       std::vector<QColor>& custom) = 0;
  // Prints `text` as plain text after the print dialog.
  virtual PrintOutcome Print(QWidget* parent, const QString& title, const QString& text) = 0;
};

// Prints `text` as plain text on a printer already set up, as a document titled `title`; false when
// the printer reports an error.
bool PrintPlainText(QPrinter& printer, const QString& title, const QString& text);

// The real choosers of the desktop.
class QtChooser : public Chooser {
 public:
  std::optional<QString> OpenFile(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& start) override;
  std::optional<QString> SaveFile(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& start) override;
  std::optional<QString> Folder(QWidget* parent, const QString& title,
                                const QString& start) override;
  std::optional<QColor> Colour(QWidget* parent, const QColor& initial,
                               std::vector<QColor>& custom) override;
  std::optional<QString> OpenFileReadOnly(QWidget* parent, const QString& title,
                                          const QString& filter, const QString& start,
                                          bool* read_only) override;
  PrintOutcome Print(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace parvel
