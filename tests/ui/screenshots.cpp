// parvel_screenshots OUTDIR SUFFIX: pictures of every window and dialog of the desktop, shown with
// a small catalogue, saved as OUTDIR/<window>SUFFIX.png. ./run screenshots runs it under Xvfb at
// 100% and 200% scaling.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "app/AboutBoxUnit.h"
#include "app/mainwindow.h"
#include "app/qtinteraction.h"
#include "model/ui/optionsdialog.h"
#include "model/ui/siteoptionsdialog.h"
#include "uisupport.h"

using namespace parvel;
using namespace parvel::test;

namespace {

QString out_dir;
QString suffix;
int failures = 0;

void Save(QWidget& widget, const char* name) {
  widget.show();
  widget.activateWindow();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const QString file = out_dir + "/" + name + suffix + ".png";
  if (!widget.grab().save(file)) {
    std::cerr << "could not save " << file.toStdString() << "\n";
    ++failures;
  }
  widget.hide();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: parvel_screenshots OUTDIR SUFFIX\n";
    return 2;
  }
  out_dir = argv[1];
  suffix = argv[2];
  std::filesystem::create_directories(argv[1]);

  DataDir data(true);
  const std::string icons = std::string(PARVEL_SOURCE_DIR) + "/data/icons";
  if (std::filesystem::exists(icons)) std::filesystem::copy(icons, data.path + "icons");
  data.Write("options.ini", "[Options]\r\nUseRotations=True\r\n");
  data.Write("sites.ini",
             "[Sites]\r\nSite_1=Holiday in the Alps\r\nSite_2=Garden birds\r\n"
             "Site_3=Family portraits 1998-2024\r\n");
  data.Write("Site_1.ini",
             "[General]\r\nName=Holiday in the Alps\r\nPath=/home/anna/Pictures/web/alps/\r\n"
             "LivePath=/var/www/html/galleries/alps-holiday-photographs/\r\nAutoRotate=True\r\n"
             "CurrentRotationPosition=2\r\nBaseHTMLName=Index.html\r\nRotationCount=3\r\n");
  Doubles doubles;
  TfrmMain window(doubles.seams());
  window.show();
  window.findChild<QListWidget*>("lbxSites")->setCurrentRow(0);
  Save(window, "main-window");
  window.show();

  TdlgSiteOptions site_options(doubles.seams(), window.state().catalogue, true, &window);
  Save(site_options, "site-options");
  TdlgOptions options(doubles.seams(), window.state().options, &window);
  Save(options, "options");
  TAboutBox about(doubles.seams(), &window);
  Save(about, "about");

  const tsiterecord& site = window.state().catalogue.site();
  const auto question = MakeMessageBox(
      &window, MessageKind::Confirmation,
      QString::fromStdString(window.state().catalogue.DeleteQuestion()), Buttons::YesNo);
  Save(*question, "message-confirmation");
  const auto warning = MakeMessageBox(
      &window, MessageKind::Warning,
      QString::fromStdString("Unable to locate the file, " + site.Path + "<b>photo</b>.jpg"),
      Buttons::Ok);
  Save(*warning, "message-warning");
  const auto information =
      MakeMessageBox(&window, MessageKind::Information,
                     "You have disabled support for multiple rotations under options", Buttons::Ok);
  Save(*information, "message-information");
  const auto plain = MakeMessageBox(&window, MessageKind::Plain,
                                    QString(kSaveSettingsFailedMessage.data()), Buttons::Ok);
  Save(*plain, "message-plain");
  const auto prompt = MakePromptDialog(&window, "Number of pages",
                                       "How many thumbnail pages should the site have?", "3");
  Save(*prompt, "prompt");
  window.hide();
  return failures == 0 ? 0 : 1;
}
