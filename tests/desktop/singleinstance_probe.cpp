// A console program around SingleInstance for the hand-over test:
//   singleinstance_probe DATA_DIR LOG_FILE [ARGUMENTS...]
// appends "primary", "handed-over" or "no-answer" to LOG_FILE, and as the primary one line
// "received A|B|..." per hand-over; it ends when handed the argument "--quit". Exit status: 0,
// or 3 for no answer. PROBE_WAIT_MS shortens the wait for an answer.
#include <QCoreApplication>
#include <QFile>

#include "desktop/main/singleinstance.h"

namespace {

QString log_path;

void Log(const QString& line) {
  QFile file(log_path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write((line + '\n').toUtf8());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  if (args.size() < 2) return 2;
  const QString data_dir = args.takeFirst();
  log_path = args.takeFirst();
  const int wait = qEnvironmentVariableIntValue("PROBE_WAIT_MS");
  parvel::SingleInstance guard(data_dir,
                               wait > 0 ? wait : parvel::SingleInstance::kDefaultAnswerWaitMs);
  QObject::connect(&guard, &parvel::SingleInstance::argumentsReceived, [](const QStringList& got) {
    Log("received " + got.join('|'));
    if (got.contains("--quit")) QCoreApplication::quit();
  });
  switch (guard.Start(args)) {
    case parvel::SingleInstance::Role::Primary:
      Log("primary");
      return app.exec();
    case parvel::SingleInstance::Role::HandedOver:
      Log("handed-over");
      return 0;
    case parvel::SingleInstance::Role::NoAnswer:
      Log("no-answer");
      return 3;
  }
  return 2;
}
