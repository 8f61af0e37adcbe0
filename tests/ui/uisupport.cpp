#include "uisupport.h"

#include <QPrinter>
#include <filesystem>

#include "imaging/PGraphic.h"
#include "model/paths.h"
#include "model/ui/editsitedialog.h"

namespace parvel::test {

std::optional<QString> ScriptedChooser::Next(std::deque<QString>& answers) {
  const QString answer = answers.empty() ? QString() : answers.front();
  if (!answers.empty()) answers.pop_front();
  return answer.isEmpty() ? std::nullopt : std::optional(answer);
}

std::optional<QColor> ScriptedChooser::Colour(QWidget*, const QColor&, std::vector<QColor>&) {
  const auto answer = colours.empty() ? std::nullopt : colours.front();
  if (!colours.empty()) colours.pop_front();
  return answer;
}

bool ScriptedChooser::Print(QWidget*, const QString& title, const QString& text) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  return PrintPlainText(printer, title, text);
}

int ScriptedDialogs::Run(QDialog& dialog) {
  opened.push_back(dialog.objectName());
  if (handlers_.empty()) {
    unexpected.push_back(dialog.objectName());
    return QDialog::Rejected;
  }
  Handler handler = std::move(handlers_.front());
  handlers_.pop_front();
  return handler(dialog);
}

int Click(QWidget& parent, const char* name) {
  auto* button = parent.findChild<QAbstractButton*>(name);
  if (!button) qFatal("no button %s in %s", name, qPrintable(parent.objectName()));
  button->click();
  auto* dialog = qobject_cast<QDialog*>(&parent);
  return dialog ? dialog->result() : 0;
}

DataDir::DataDir(bool samples) {
  path = dir_.path().toStdString() + "/";
  SetDataDirectory(path);
  if (samples) {
    std::filesystem::copy(std::string(PARVEL_SOURCE_DIR) + "/data/Samples", path + "Samples");
  }
}

void MakeJpeg(const std::string& path) {
  TPixelGraphic image;
  image.SetSize(64, 48);
  image.Canvas().BrushColor = Rgb{200, 30, 30};
  image.Canvas().FillRect({0, 0, 64, 48});
  if (!savetojpeg(image, path, 80, false)) qFatal("cannot write %s", path.c_str());
}

QStringList Items(const QWidget& parent, const char* name) {
  auto* list = parent.findChild<QListWidget*>(name);
  if (!list) qFatal("no list %s", name);
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

EditorFixture::EditorFixture(bool rotations_on, const std::string& ini)
    : rotations(rotations_on), site(data.path + "site/") {
  std::filesystem::create_directories(site);
  data.Write("sites.ini", "[Sites]\r\nSite_1=First\r\n");
  data.Write("Site_1.ini", "[General]\r\nName=First\r\nPath=" + site + "\r\n" + ini);
  app.options.UseRotations = rotations;
  app.catalogue.ReadSites();
  app.catalogue.rebuildSiteNameList();
  app.catalogue.SelectSite(0, rotations);
  editor = std::make_unique<TdlgEditSite>(doubles.seams(), app);
}

EditorFixture::~EditorFixture() = default;

bool EditorFixture::Open() {
  return editor->Open();
}

}  // namespace parvel::test
