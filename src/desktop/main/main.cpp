// parvel: the desktop program.
#include <QApplication>
#include <QIcon>
#include <filesystem>
#include <iostream>
#include <optional>

#include "desktop/common/chooser.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/main/singleinstance.h"
#include "desktop/main/startup.h"
#include "desktop/mainwindow/aboutbox.h"
#include "desktop/mainwindow/mainwindow.h"
#include "model/datadir.h"
#include "model/paths.h"

int main(int argc, char** argv) {
  if (const int status = parvel::AnswerHelpOrVersion(argc, argv); status >= 0) return status;
  QApplication app(argc, argv);
  QApplication::setApplicationName("parvel-pro");

  const parvel::StartArguments args = parvel::ParseStartArguments(argc, argv);
  if (!args.error.empty()) {
    std::cerr << "parvel: " << args.error << "\nusage: parvel [--data-dir DIR] [FILE...]\n";
    return 2;
  }
  // --data-dir, else the program's own folder or the user's (model/datadir.h).
  std::string error;
  if (!parvel::SetUpDataDirectory(
          parvel::DataDirectoryInputs::FromEnvironment(
              args.data_dir.empty() ? std::nullopt : std::optional<std::string>(args.data_dir)),
          &error)) {
    parvel::QtInteraction().Message(parvel::MessageKind::Warning, error, parvel::Buttons::Ok);
    return 1;
  }

  // One copy per data directory: a second start hands its files to the running one and ends.
  parvel::SingleInstance guard(QString::fromStdString(parvel::DataDirectory()));
  QStringList files;
  for (const std::string& file : args.files) files << QString::fromLocal8Bit(file.c_str());
  switch (guard.Start(files)) {
    case parvel::SingleInstance::Role::Primary:
      break;
    case parvel::SingleInstance::Role::HandedOver:
      return 0;
    case parvel::SingleInstance::Role::NoAnswer:
      if (parvel::QtInteraction().Message(
              parvel::MessageKind::Confirmation,
              "Parvel Pro is already running with the data directory " + parvel::DataDirectory() +
                  " but has not answered for 10 seconds.  Start a second copy anyway?",
              parvel::Buttons::YesNo) != parvel::Answer::Yes) {
        return 1;
      }
      break;
  }

  QApplication::setWindowIcon(QIcon(QString::fromStdString(parvel::AppIconPath())));
  parvel::QtInteraction ui;
  parvel::QtChooser chooser;
  parvel::DialogFactory dialogs;
  parvel::MainWindow window(parvel::ViewContext{ui, chooser, dialogs});
  ui.set_parent(&window);
  window.show();
  // The program does nothing with the files it is handed but show itself.
  QObject::connect(&guard, &parvel::SingleInstance::argumentsReceived, &window,
                   [&window](const QStringList&) { parvel::BringToFront(window); });
  return QApplication::exec();
}
