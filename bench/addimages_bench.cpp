// addimages_bench CORPUS_JPEG_DIR WORK_DIR [COUNT]: the add-images dialog on a folder of COUNT
// (2,000) photographs, hard links to the corpus's JPEGs in turn. Prints:
//   captions   from choosing the folder to the first painted screen of captions
//   cold       until every visible thumbnail is painted, the shared thumbnail cache empty
//   warm       the same in a new dialog, the shared cache holding those thumbnails
//   busy       the longest single event the window's thread handled while scrolling through
//              the whole folder, a half page at a time, 30 ms apart, until every thumbnail of
//              the last screen was painted: wall clock, and the thread's own processor time
//              (the part a busy machine does not inflate)
//   memory     peak resident memory of the process
// The shared cache lives in WORK_DIR/cache (XDG_CACHE_HOME); WORK_DIR/photos is made once.
// Run offscreen (QT_QPA_PLATFORM=offscreen) or under Xvfb.
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "desktop/addimages/addimagesdialog.h"
#include "desktop/addimages/thumbgridview.h"
#include "desktop/common/chooser.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/common/viewcontext.h"
#include "model/appstate.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

// Times every event the window's thread handles (the outermost dispatch only) and notes when
// the grid's viewport has been painted.
qint64 ThreadCpuNs();

class TimingApp : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    if (event->type() == QEvent::Paint && receiver == watched) ++paints;
    if (depth_++ > 0) {
      const bool result = QApplication::notify(receiver, event);
      --depth_;
      return result;
    }
    QElapsedTimer timer;
    timer.start();
    const qint64 cpu_before = ThreadCpuNs();
    const bool result = QApplication::notify(receiver, event);
    --depth_;
    const qint64 ns = timer.nsecsElapsed();
    if (measuring) {
      longest_ns = std::max(longest_ns, ns);
      longest_cpu_ns = std::max(longest_cpu_ns, ThreadCpuNs() - cpu_before);
    }
    return result;
  }
  bool measuring = false;
  qint64 longest_ns = 0;      // wall clock
  qint64 longest_cpu_ns = 0;  // the window thread's own processor time
  QObject* watched = nullptr;
  int paints = 0;

 private:
  int depth_ = 0;
};

qint64 ThreadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double Ms(qint64 ns) {
  return static_cast<double>(ns) / 1e6;
}

// Runs events until `done` holds after a paint of the grid; the time at which it first did.
template <typename Done>
qint64 UntilPainted(TimingApp& app, QElapsedTimer& clock, Done done, qint64 limit_ms = 60000) {
  for (;;) {
    const int before = app.paints;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (app.paints != before && done()) return clock.nsecsElapsed();
    if (clock.elapsed() > limit_ms) return -1;
  }
}

struct Screen {
  double captions_ms = 0;
  double thumbnails_ms = 0;
  double process_cpu_ms = 0;  // every thread's processor time until then
};

double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double base_rss_mb = 0;  // the peak before the first folder is shown

double PeakMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

Screen OpenFolder(TimingApp& app, AddImagesDialog& dialog, const std::string& folder) {
  dialog.show();
  dialog.resize(820, 560);
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  ThumbGridView& grid = *dialog.grid();
  app.watched = grid.viewport();
  if (base_rss_mb == 0) base_rss_mb = PeakMb();
  QElapsedTimer clock;
  clock.start();
  const double cpu_start = ProcessCpuMs();
  dialog.ChooseFolder(folder);
  Screen screen;
  screen.captions_ms = Ms(UntilPainted(app, clock, [] { return true; }));
  screen.thumbnails_ms = Ms(UntilPainted(app, clock, [&] { return grid.VisibleComplete(); }));
  screen.process_cpu_ms = ProcessCpuMs() - cpu_start;
  return screen;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: addimages_bench CORPUS_JPEG_DIR WORK_DIR [COUNT]\n";
    return 2;
  }
  const fs::path corpus = argv[1];
  const fs::path work = fs::absolute(argv[2]);
  const int count = argc > 3 ? std::stoi(argv[3]) : 2000;
  std::vector<fs::path> sources;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().extension() == ".jpg") sources.push_back(entry.path());
  }
  std::sort(sources.begin(), sources.end());
  if (sources.empty()) {
    std::cerr << "no .jpg files in " << corpus << "\n";
    return 2;
  }
  const fs::path photos = work / "photos";
  fs::create_directories(photos);
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%05d.jpg", i);
    if (!fs::exists(photos / name))
      fs::create_hard_link(sources[i % sources.size()], photos / name);
  }
  const fs::path cache = work / "cache";
  fs::remove_all(cache);
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.string()));

  TimingApp app(argc, argv);
  QtInteraction ui;
  QtChooser chooser;
  DialogFactory dialogs;
  AppState state;
  const ViewContext context{ui, chooser, dialogs};

  Screen cold;
  double busy_ms = 0;
  double busy_cpu_ms = 0;
  int visible = 0;
  double scroll_s = 0;
  {
    AddImagesDialog dialog(context, state);
    cold = OpenFolder(app, dialog, photos.string());
    ThumbGridView& grid = *dialog.grid();
    QScrollBar* bar = grid.verticalScrollBar();
    QElapsedTimer clock;
    clock.start();
    app.measuring = true;
    for (int value = 0;; value += bar->pageStep() / 2) {
      bar->setValue(std::min(value, bar->maximum()));
      QElapsedTimer step;
      step.start();
      while (step.elapsed() < 30) QApplication::processEvents(QEventLoop::AllEvents, 5);
      if (value >= bar->maximum()) break;
    }
    UntilPainted(app, clock, [&] { return grid.VisibleComplete(); });
    app.measuring = false;
    busy_ms = Ms(app.longest_ns);
    busy_cpu_ms = Ms(app.longest_cpu_ns);
    visible = (grid.viewport()->height() / grid.grid().RowHeight() + 1) * grid.grid().ColCount();
    scroll_s = clock.elapsed() / 1000.0;
  }
  Screen warm;
  {
    AddImagesDialog dialog(context, state);
    warm = OpenFolder(app, dialog, photos.string());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("folder: %d photographs (hard links to %zu corpus JPEGs)\n", count, sources.size());
  std::printf("captions (first screen)      %8.1f ms\n", cold.captions_ms);
  std::printf("visible thumbnails, cold     %8.1f ms (%.0f ms of processor time)\n",
              cold.thumbnails_ms, cold.process_cpu_ms);
  std::printf("visible thumbnails, warm     %8.1f ms (%.0f ms of processor time)\n",
              warm.thumbnails_ms, warm.process_cpu_ms);
  std::printf("longest busy while scrolling %8.1f ms wall, %.1f ms of its own processor time\n",
              busy_ms, busy_cpu_ms);
  std::printf("                             (whole folder in %.1f s; up to %d cells visible)\n",
              scroll_s, visible);
  std::printf("peak memory                  %8.1f MB (%.1f MB before the folder was shown)\n",
              usage.ru_maxrss / 1024.0, base_rss_mb);
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) == 3) std::printf("load average at the end      %8.2f\n", load[0]);
  return 0;
}
