#include "uisupport.h"

#include <QFile>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/paths.h"

namespace parvel::test {

std::optional<QString> ScriptedChooser::Folder(QWidget*, const QString&, const QString&) {
  if (folders.empty()) return std::nullopt;
  const QString answer = folders.front();
  folders.pop_front();
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

}  // namespace parvel::test
