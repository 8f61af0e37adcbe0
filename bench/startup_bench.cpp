// startup_bench [SITES] [RUNS]: the time from creating the main window to its first paint, with
// a catalogue of SITES sites (200) in a fresh data directory; the median and the slowest of RUNS
// (15) starts. Runs on the platform Qt is given (QT_QPA_PLATFORM; offscreen when unset).
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>

#include "desktop/common/chooser.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/mainwindow/mainwindow.h"
#include "model/paths.h"

namespace {

class PaintSpy : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return QObject::eventFilter(object, event);
  }
};

void WriteCatalogue(const std::string& dir, int sites) {
  std::ofstream catalogue(dir + "sites.ini", std::ios::binary);
  catalogue << "[Sites]\r\n";
  for (int n = 1; n <= sites; ++n) {
    const std::string key = "Site_" + std::to_string(n);
    catalogue << key << "=Gallery number " << n << "\r\n";
    std::ofstream(dir + key + ".ini", std::ios::binary)
        << "[General]\r\nName=Gallery number " << n << "\r\nPath=%/" << key
        << "/\r\nLivePath=\r\nAutoRotate=False\r\nCurrentRotationPosition=1\r\n"
           "BaseHTMLName=Index.html\r\nRotationCount=2\r\n";
  }
  std::ofstream(dir + "options.ini", std::ios::binary) << "[Options]\r\nUseRotations=True\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QElapsedTimer since_main;
  since_main.start();
  QApplication app(argc, argv);
  const int sites = argc > 1 ? std::atoi(argv[1]) : 200;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
  QTemporaryDir dir;
  const std::string data = dir.path().toStdString() + "/";
  parvel::SetDataDirectory(data);
  QElapsedTimer writing;
  writing.start();
  WriteCatalogue(data, sites);
  const double catalogue_ms = static_cast<double>(writing.nsecsElapsed()) / 1e6;

  std::vector<double> times;
  double cold = 0;
  for (int run = 0; run < runs; ++run) {
    parvel::QtInteraction ui;
    parvel::QtChooser chooser;
    parvel::DialogFactory dialogs;
    QElapsedTimer timer;
    timer.start();
    parvel::MainWindow window(parvel::ViewContext{ui, chooser, dialogs});
    PaintSpy spy;
    window.installEventFilter(&spy);
    window.show();
    while (!spy.painted) QApplication::processEvents(QEventLoop::AllEvents, 5);
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    // The first start counted from the application's creation (the catalogue written
    // meanwhile is left out): what a user waits for after the program is loaded.
    if (run == 0) cold = static_cast<double>(since_main.nsecsElapsed()) / 1e6 - catalogue_ms;
    window.hide();
  }
  std::sort(times.begin(), times.end());
  std::cout << "main window painted with " << sites << " sites ("
            << QApplication::platformName().toStdString() << "): median " << times[times.size() / 2]
            << " ms, slowest " << times.back() << " ms over " << runs
            << " starts; the first from the application's creation: " << cold << " ms\n";
  return 0;
}
