// One copy of the desktop program per user and data directory. The first start listens on a
// local socket named after the user and the data directory; a later start connects, hands over
// its arguments, waits for the running copy's answer and ends without a window. A socket left
// by a crashed copy is found dead and replaced; a lock file around the connect-or-listen step
// makes two simultaneous starts end with exactly one listening copy.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;

namespace parvel {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role {
    Primary,     // this is the running copy: go on and show the window
    HandedOver,  // another copy took the arguments: end now, without a window
    NoAnswer,    // another copy runs but did not answer in time: tell the user
  };

  // How long a second start waits for the running copy before it gives up.
  static constexpr int kDefaultAnswerWaitMs = 10000;

  // `data_dir` names the program's data directory: each one is its own program.
  explicit SingleInstance(const QString& data_dir, int answer_wait_ms = kDefaultAnswerWaitMs,
                          QObject* parent = nullptr);
  ~SingleInstance() override;

  // Decides this start's role; as the primary, listens from now on (argumentsReceived is
  // emitted from the event loop). Call once.
  Role Start(const QStringList& args);

  // The local socket's full path (in the user's runtime folder).
  const QString& ServerName() const { return name_; }

 signals:
  // A later start handed over its arguments; the window is to come to the front.
  void argumentsReceived(const QStringList& args);

 private:
  enum class Handover { Answered, Closed, TimedOut };
  Handover HandOver(QLocalSocket& socket, const QStringList& args, const QDeadlineTimer& deadline);
  void Accept();
  void Read(QLocalSocket* socket);

  QString name_;
  int answer_wait_ms_;
  QLocalServer* server_ = nullptr;
};

}  // namespace parvel
