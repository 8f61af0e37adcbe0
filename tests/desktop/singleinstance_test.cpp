// The single-instance guard between real processes (the probe program around SingleInstance).
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace {

constexpr int kGenerous = 30000;  // ms; only ever waited for an event that is due

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;  // the runtime folder (sockets, locks), the data folders and the logs
  std::vector<std::unique_ptr<QProcess>> probes_;

  QProcess* Probe(const QString& data, const QString& log, const QStringList& args,
                  int wait_ms = 0) {
    QDir(tmp_.path()).mkpath(data);
    auto& probe = probes_.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", tmp_.path());
    if (wait_ms > 0) env.insert("PROBE_WAIT_MS", QString::number(wait_ms));
    probe->setProcessEnvironment(env);
    probe->setProcessChannelMode(QProcess::ForwardedChannels);
    probe->start(PARVEL_PROBE, QStringList{tmp_.filePath(data), tmp_.filePath(log)} + args);
    probe->waitForStarted(kGenerous);
    return probe.get();
  }

  QStringList Log(const QString& log) const {
    QFile file(tmp_.filePath(log));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  // Starts a probe that is to end with `status`, having logged `line`.
  void Second(const QString& data, const QString& log, const QStringList& args, int status,
              const QString& line, int wait_ms = 0) {
    QProcess* second = Probe(data, log, args, wait_ms);
    QVERIFY(second->waitForFinished(kGenerous));
    QCOMPARE(second->exitCode(), status);
    QCOMPARE(Log(log), QStringList{line});
  }

 private slots:
  void cleanup() {
    for (auto& probe : probes_) probe->kill(), probe->waitForFinished(kGenerous);
    probes_.clear();
  }

  // A second start hands over; another data directory runs on its own; neither a clean end nor
  // a killed first copy blocks the next start; a first copy that does not answer is reported.
  void handOverRestartAndNoAnswer() {
    QProcess* first = Probe("a", "log-1", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-1"), QStringList{"primary"}, kGenerous);
    Second("a/../a/", "log-2", {"one.jpg", "two words.jpg"}, 0, "handed-over");
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-1").value(1), QString("received one.jpg|two words.jpg"),
                              kGenerous);
    QProcess* other = Probe("b", "log-3", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-3"), QStringList{"primary"}, kGenerous);
    Second("a", "log-4", {"--quit"}, 0, "handed-over");
    QVERIFY(first->waitForFinished(kGenerous));
    QCOMPARE(other->state(), QProcess::Running);
    QProcess* again = Probe("a", "log-5", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-5"), QStringList{"primary"}, kGenerous);
    again->kill();  // SIGKILL: the socket file stays
    QVERIFY(again->waitForFinished(kGenerous));
    QProcess* last = Probe("a", "log-6", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-6"), QStringList{"primary"}, kGenerous);
    ::kill(static_cast<pid_t>(last->processId()), SIGSTOP);
    Second("a", "log-7", {"x"}, 3, "no-answer", 300);
    ::kill(static_cast<pid_t>(last->processId()), SIGCONT);
  }

  void simultaneousStartsLeaveExactlyOnePrimary() {
    constexpr int kStarts = 8;
    for (int i = 0; i < kStarts; ++i) Probe("b", "log-8", {QString::number(i)});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-8").size(), 2 * kStarts - 1, kGenerous);
    QCOMPARE(Log("log-8").count("primary"), 1);
    QCOMPARE(Log("log-8").count("handed-over"), kStarts - 1);
    QCOMPARE(Log("log-8").filter("received ").size(), kStarts - 1);
  }
};

}  // namespace

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "singleinstance_test.moc"
