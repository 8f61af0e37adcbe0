// parvel: the desktop program.
#include <QApplication>
#include <QIcon>
#include <filesystem>
#include <iostream>

#include "app/AboutBoxUnit.h"
#include "app/chooser.h"
#include "app/mainwindow.h"
#include "app/qtinteraction.h"
#include "app/startup.h"
#include "model/paths.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("parvel-pro");

  const parvel::StartArguments args = parvel::ParseStartArguments(argc, argv);
  if (!args.error.empty()) {
    std::cerr << "parvel: " << args.error << "\nusage: parvel [--data-dir DIR] [FILE...]\n";
    return 2;
  }
  // The data directory: --data-dir, else the program's own folder.
  parvel::SetDataDirectory(args.data_dir.empty() ? parvel::ProgramFolder() : args.data_dir);

  // The single-instance check goes here: a second start hands args.files to the running copy
  // and ends.

  QApplication::setWindowIcon(QIcon(QString::fromStdString(parvel::AppIconPath())));
  parvel::QtInteraction ui;
  parvel::QtChooser chooser;
  parvel::DialogFactory dialogs;
  parvel::TfrmMain window(parvel::Seams{ui, chooser, dialogs});
  ui.set_parent(&window);
  window.show();
  return QApplication::exec();
}
