// The single-instance guard between real processes (the probe program around SingleInstance).
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kGenerous = 30000;  // ms; only ever waited for an event that is due

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private:
  // Per test: the runtime folder (sockets, locks), the data folders and the logs.
  std::unique_ptr<QTemporaryDir> tmp_;
  std::vector<std::unique_ptr<QProcess>> probes_;
  int handovers_ = 0;

  QString Path(const QString& name) const { return tmp_->filePath(name); }

  QProcess* Probe(const QString& data, const QString& log, const QStringList& args,
                  int wait_ms = 0) {
    auto probe = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", tmp_->path());
    if (wait_ms > 0) env.insert("PROBE_WAIT_MS", QString::number(wait_ms));
    probe->setProcessEnvironment(env);
    probe->setProcessChannelMode(QProcess::ForwardedChannels);
    probe->start(PARVEL_PROBE, QStringList{Path(data), Path(log)} + args);
    probe->waitForStarted(kGenerous);
    probes_.push_back(std::move(probe));
    return probes_.back().get();
  }

  QStringList Log(const QString& log) const {
    QFile file(Path(log));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  // Starts a probe that is to hand its arguments over and end with status 0.
  void HandOver(const QString& data, const QString& log, const QStringList& args) {
    const QString own_log = log + "-" + QString::number(++handovers_);
    QProcess* second = Probe(data, own_log, args);
    QVERIFY(second->waitForFinished(kGenerous));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(Log(own_log), QStringList{"handed-over"});
  }

 private slots:
  void init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    QDir(tmp_->path()).mkpath("a");
    QDir(tmp_->path()).mkpath("b");
  }

  void cleanup() {
    for (auto& probe : probes_) {
      probe->kill();
      probe->waitForFinished(kGenerous);
    }
    probes_.clear();
    tmp_.reset();
  }

  void aSecondStartHandsOverAndAnotherDataDirectoryRunsOnItsOwn() {
    QProcess* first = Probe("a", "log-a", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-a"), QStringList{"primary"}, kGenerous);
    // The same folder written another way is the same program.
    HandOver("a/../a/", "log-a", {"one.jpg", "two words.jpg"});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-a").value(1), QString("received one.jpg|two words.jpg"),
                              kGenerous);
    QProcess* other = Probe("b", "log-b", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-b"), QStringList{"primary"}, kGenerous);
    HandOver("a", "log-a", {"--quit"});
    QVERIFY(first->waitForFinished(kGenerous));
    QCOMPARE(other->state(), QProcess::Running);
    // The first one's clean end leaves no name behind: the next start is the primary.
    Probe("a", "log-a2", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-a2"), QStringList{"primary"}, kGenerous);
  }

  void aKilledFirstCopyNeverBlocksTheNextStart() {
    QProcess* first = Probe("a", "log-a", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-a"), QStringList{"primary"}, kGenerous);
    first->kill();  // SIGKILL: the socket file stays
    QVERIFY(first->waitForFinished(kGenerous));
    Probe("a", "log-b", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-b"), QStringList{"primary"}, kGenerous);
    HandOver("a", "log-b", {"x"});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-b").value(1), QString("received x"), kGenerous);
  }

  void simultaneousStartsLeaveExactlyOnePrimary() {
    constexpr int kStarts = 8;
    std::vector<QProcess*> starts;
    for (int i = 0; i < kStarts; ++i) starts.push_back(Probe("a", "log", {QString::number(i)}));
    QTRY_COMPARE_WITH_TIMEOUT(Log("log").size(), 2 * kStarts - 1, kGenerous);
    const QStringList log = Log("log");
    QCOMPARE(log.count("primary"), 1);
    QCOMPARE(log.count("handed-over"), kStarts - 1);
    QCOMPARE(log.filter("received ").size(), kStarts - 1);
    // The others end; the primary stays until it is told to quit.
    const auto ended = [&] {
      return std::count_if(starts.begin(), starts.end(),
                           [](QProcess* p) { return p->state() == QProcess::NotRunning; });
    };
    QTRY_COMPARE_WITH_TIMEOUT(ended(), kStarts - 1, kGenerous);
    for (QProcess* start : starts) {
      if (start->state() == QProcess::NotRunning) QCOMPARE(start->exitCode(), 0);
    }
    HandOver("a", "log", {"--quit"});
    QTRY_COMPARE_WITH_TIMEOUT(ended(), kStarts, kGenerous);
  }

  void aFirstCopyThatDoesNotAnswerIsReported() {
    QProcess* first = Probe("a", "log-a", {});
    QTRY_COMPARE_WITH_TIMEOUT(Log("log-a"), QStringList{"primary"}, kGenerous);
    ::kill(static_cast<pid_t>(first->processId()), SIGSTOP);
    QProcess* second = Probe("a", "log-b", {"x"}, 300);
    const bool finished = second->waitForFinished(kGenerous);
    ::kill(static_cast<pid_t>(first->processId()), SIGCONT);
    QVERIFY(finished);
    QCOMPARE(second->exitCode(), 3);
    QCOMPARE(Log("log-b"), QStringList{"no-answer"});
  }
};

}  // namespace

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "singleinstance_test.moc"
