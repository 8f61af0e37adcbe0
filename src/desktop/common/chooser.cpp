#include "desktop/common/chooser.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <algorithm>

namespace parvel {
namespace {

std::optional<QString> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<QString> QtChooser::OpenFile(QWidget* parent, const QString& title,
                                           const QString& filter, const QString& start) {
  return Chosen(QFileDialog::getOpenFileName(parent, title, start, filter));
}

std::optional<QString> Chooser::OpenFileReadOnly(QWidget* parent, const QString& title,
                                                 const QString& filter, const QString& start,
                                                 bool* read_only) {
  if (read_only) *read_only = false;
  return OpenFile(parent, title, filter, start);
}

std::optional<QString> QtChooser::OpenFileReadOnly(QWidget* parent, const QString& title,
                                                   const QString& filter, const QString& start,
                                                   bool* read_only) {
  // Qt's own chooser, whose layout takes the box under its fields.
  QFileDialog dialog(parent, title, start, filter);
  dialog.setObjectName("dlgOpenReadOnly");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  auto* box = new QCheckBox("Open as &read-only", &dialog);
  box->setObjectName("chkReadOnly");
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  if (read_only) *read_only = box->isChecked();
  return Chosen(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtChooser::SaveFile(QWidget* parent, const QString& title,
                                           const QString& filter, const QString& start) {
  return Chosen(QFileDialog::getSaveFileName(parent, title, start, filter));
}

std::optional<QString> QtChooser::Folder(QWidget* parent, const QString& title,
                                         const QString& start) {
  return Chosen(QFileDialog::getExistingDirectory(parent, title, start));
}

std::optional<QColor> QtChooser::Colour(QWidget* parent, const QColor& initial,
                                        std::vector<QColor>& custom) {
  const int offered = std::min(static_cast<int>(custom.size()), QColorDialog::customCount());
  for (int i = 0; i < offered; ++i) QColorDialog::setCustomColor(i, custom[i]);
  const QColor chosen = QColorDialog::getColor(initial, parent);
  custom.resize(static_cast<size_t>(QColorDialog::customCount()));
  for (int i = 0; i < QColorDialog::customCount(); ++i) custom[i] = QColorDialog::customColor(i);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

bool PrintPlainText(QPrinter& printer, const QString& title, const QString& text) {
  printer.setDocName(title);
  QTextDocument document;
  document.setPlainText(text);
  document.setMetaInformation(QTextDocument::DocumentTitle, title);
  document.print(&printer);
  return printer.printerState() != QPrinter::Error;
}

PrintOutcome QtChooser::Print(QWidget* parent, const QString& title, const QString& text) {
  QPrinter printer;
  printer.setDocName(title);
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted) return PrintOutcome::Cancelled;
  return PrintPlainText(printer, title, text) ? PrintOutcome::Printed : PrintOutcome::Failed;
}

}  // namespace parvel
