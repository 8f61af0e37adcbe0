// build_responsiveness_bench CORPUS_DIR PARVEL_CLI [PHOTOS] [RUNS]: builds one site of PHOTOS
// (200) photographs taken in turn from CORPUS_DIR/*.jpg, alternately with `parvel-cli build` and
// from the desktop's build dialog (Build! in the site editor, every thumbnail remade), RUNS (2)
// times each. For the dialog it reports the longest gap between two handled ticks of a 2 ms
// timer on the window thread during the build: how long the window can go without reacting.
// Runs on the platform Qt is given (QT_QPA_PLATFORM; offscreen when unset).
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "desktop/common/chooser.h"
#include "desktop/common/viewcontext.h"
#include "desktop/siteeditor/editsitedialog.h"
#include "model/appstate.h"
#include "model/paths.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

// Answers every question with No (the preview question) and reports any other message.
class SilentInteraction : public Interaction {
 public:
  Answer Message(MessageKind, std::string_view text, Buttons buttons) override {
    if (buttons == Buttons::Ok) std::cerr << "message: " << text << "\n";
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
  }
  Answer Ask(MessageKind kind, std::string_view text, Buttons buttons, Caution) override {
    return Message(kind, text, buttons);
  }
  std::optional<std::string> Prompt(std::string_view, std::string_view, std::string_view) override {
    return std::nullopt;
  }
  void BeginBusy() override {}
  void EndBusy() override {}
  void Progress(std::string_view, int, int) override {}
  void Status(std::string_view) override {}
  bool Checkpoint() override { return false; }
  bool OpenDocument(const std::string&) override { return true; }
  void ShowHelp(int) override {}
};

// Works the build dialog: unchecks "do not create thumbnails", presses Start and measures.
class MeasuringDialogs : public DialogFactory {
 public:
  double wall_ms = 0;
  double longest_gap_ms = 0;
  long ticks = 0;
  QString longest_gap_at;  // the progress message when the longest gap ended

  int Run(QDialog& dialog) override {
    dialog.show();
    QApplication::processEvents();
    dialog.findChild<QCheckBox*>("chkNoRecreate")->setChecked(false);
    QElapsedTimer since_tick;
    QTimer ticker;
    ticker.setInterval(2);
    auto* message = dialog.findChild<QLabel*>("lblMessage");
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const double gap = since_tick.nsecsElapsed() / 1e6;
      if (gap > longest_gap_ms) {
        longest_gap_ms = gap;
        longest_gap_at = message->text();
      }
      since_tick.restart();
      ++ticks;
    });
    QElapsedTimer wall;
    wall.start();
    since_tick.start();
    ticker.start();
    dialog.findChild<QPushButton*>("btnStart")->click();
    ticker.stop();
    wall_ms = wall.nsecsElapsed() / 1e6;
    return dialog.result();
  }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  if (argc < 3) {
    std::cerr << "usage: build_responsiveness_bench CORPUS_DIR PARVEL_CLI [PHOTOS] [RUNS]\n";
    return 2;
  }
  const std::string corpus = argv[1];
  const QString cli = argv[2];
  const int photos = argc > 3 ? std::atoi(argv[3]) : 200;
  const int runs = argc > 4 ? std::atoi(argv[4]) : 2;
  std::vector<fs::path> sources;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().extension() == ".jpg") sources.push_back(entry.path());
  }
  std::sort(sources.begin(), sources.end());
  if (sources.empty()) {
    std::cerr << "no photographs in " << corpus << "\n";
    return 2;
  }

  QTemporaryDir dir;
  const std::string data = dir.path().toStdString() + "/";
  SetDataDirectory(data);
  const std::string site = data + "site/";
  fs::create_directories(site);
  for (int i = 0; i < photos; ++i) {
    const fs::path& source = sources[i % sources.size()];
    const std::string target =
        site + "p" + std::to_string(1000 + i) + "_" + source.filename().string();
    std::error_code error;
    fs::create_hard_link(source, target, error);
    if (error) fs::copy_file(source, target);
  }
  std::ofstream(data + "thumbs.htm", std::ios::binary)
      << "<html><body>***INDEX***<br>***CONTENT***</body></html>";
  std::ofstream(data + "sites.ini", std::ios::binary) << "[Sites]\r\nSite_1=Bench\r\n";
  std::ofstream(data + "Site_1.ini", std::ios::binary)
      << "[General]\r\nName=Bench\r\nPath=" << site
      << "\r\nRotationCount=1\r\n[Rotation_1]\r\nStyle_File=" << data << "thumbs.htm\r\n";

  std::vector<double> cli_ms, dialog_ms, gaps;
  std::vector<QString> gap_places;
  long ticks = 0;
  for (int run = 0; run < runs; ++run) {
    QElapsedTimer wall;
    wall.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(cli, {"--data-dir", QString::fromStdString(data), "build", "Site_1",
                        "--remake-thumbnails", "--no"});
    process.waitForFinished(-1);
    const int code = process.exitCode();
    cli_ms.push_back(wall.nsecsElapsed() / 1e6);
    if (code != 0) std::cerr << "parvel-cli build exited with " << code << "\n";

    SilentInteraction ui;
    QtChooser chooser;
    MeasuringDialogs dialogs;
    AppState state;
    state.options.Read();
    state.catalogue.ReadSites();
    state.catalogue.rebuildSiteNameList();
    state.catalogue.SelectSite(0, state.options.UseRotations);
    EditSiteDialog editor(ViewContext{ui, chooser, dialogs}, state);
    editor.Open();
    editor.btnBuildClick();
    editor.SaveOnClose();
    dialog_ms.push_back(dialogs.wall_ms);
    gaps.push_back(dialogs.longest_gap_ms);
    gap_places.push_back(dialogs.longest_gap_at);
    ticks += dialogs.ticks;
  }
  const double cli_median = Median(cli_ms);
  const double dialog_median = Median(dialog_ms);
  std::cout << photos << " photographs, " << runs << " runs each (medians)\n"
            << "  parvel-cli build:        " << cli_median << " ms\n"
            << "  build dialog:            " << dialog_median << " ms ("
            << (cli_median > 0 ? 100.0 * (dialog_median - cli_median) / cli_median : 0)
            << "% against the command line)\n"
            << "  longest gap on the window thread: " << Median(gaps) << " ms (worst run "
            << *std::max_element(gaps.begin(), gaps.end()) << " ms; " << ticks
            << " ticks handled)\n";
  for (int run = 0; run < runs; ++run) {
    std::cout << "    run " << run + 1 << ": " << gaps[run] << " ms, ended at \""
              << gap_places[run].toStdString() << "\"\n";
  }
  return 0;
}
