#include "uisupport.h"

#include <QFile>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QListWidget>

#include "imaging/PGraphic.h"
#include "model/paths.h"
#include "model/ui/editsitedialog.h"

namespace parvel::test {

std::optional<QString> ScriptedChooser::Folder(QWidget*, const QString&, const QString&) {
  if (folders.empty()) return std::nullopt;
  const QString answer = folders.front();
  folders.pop_front();
  if (answer.isEmpty()) return std::nullopt;
  return answer;
}

std::optional<QString> ScriptedChooser::OpenFile(QWidget*, const QString&, const QString&,
                                                 const QString&) {
  if (files.empty()) return std::nullopt;
  const QString answer = files.front();
  files.pop_front();
  if (answer.isEmpty()) return std::nullopt;
  return answer;
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

void DataDir::Write(const std::string& name, const std::string& text) const {
  std::ofstream(path + name, std::ios::binary) << text;
}

bool DataDir::Exists(const std::string& name) const {
  return std::filesystem::exists(path + name);
}

std::string DataDir::Read(const std::string& name) const {
  std::ifstream in(path + name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
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

std::string EditorFixture::RotationDir(int n) const {
  return rotations ? site + "Rotation_" + std::to_string(n) + "/" : site;
}

bool EditorFixture::Open() {
  return editor->Open();
}

}  // namespace parvel::test
