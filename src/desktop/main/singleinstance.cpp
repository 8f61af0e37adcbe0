#include "desktop/main/singleinstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

namespace parvel {
namespace {

// A hand-over: the magic, the length of what follows (32 bits, big-endian), then every argument
// in UTF-8 followed by a zero byte. The answer is one byte.
constexpr char kMagic[] = "PARVEL-ARGS-1";
constexpr int kMagicSize = sizeof(kMagic) - 1;
constexpr int kHeaderSize = kMagicSize + 4;
constexpr quint32 kMaxPayload = 1 << 20;
constexpr char kAnswer = '\x06';

QString RuntimeFolder() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return dir;
}

// The same folder gives the same name however it is written (trailing "/", "..", a link).
QString FolderKey(const QString& data_dir) {
  const QFileInfo info(data_dir);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QByteArray Encode(const QStringList& args) {
  QByteArray payload;
  for (const QString& arg : args) payload += arg.toUtf8() + '\0';
  QByteArray message(kMagic, kMagicSize);
  char length[4];
  qToBigEndian<quint32>(static_cast<quint32>(payload.size()), length);
  message.append(length, 4);
  return message + payload;
}

}  // namespace

SingleInstance::SingleInstance(const QString& data_dir, int answer_wait_ms, QObject* parent)
    : QObject(parent), answer_wait_ms_(answer_wait_ms) {
  const QByteArray digest =
      QCryptographicHash::hash(FolderKey(data_dir).toUtf8(), QCryptographicHash::Sha256).toHex();
  name_ = RuntimeFolder() + QStringLiteral("/parvel-pro-u%1-%2")
                                .arg(::getuid())
                                .arg(QString::fromLatin1(digest.left(16)));
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::Start(const QStringList& args) {
  const QDeadlineTimer deadline(answer_wait_ms_);
  // Held only while deciding; a lock left by a killed process is taken over (QLockFile checks
  // whether its owner still runs).
  QLockFile lock(name_ + QStringLiteral(".lock"));
  while (true) {
    // A lock that cannot be made at all (no runtime folder) leaves the decision unguarded.
    if (!lock.tryLock(static_cast<int>(deadline.remainingTime())) &&
        lock.error() == QLockFile::LockFailedError) {
      return Role::NoAnswer;
    }
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
      // A copy that listens but takes no connections (its queue full) is still there.
      if (socket.error() != QLocalSocket::ServerNotFoundError &&
          socket.error() != QLocalSocket::ConnectionRefusedError) {
        return Role::NoAnswer;
      }
      // Nobody listens: whatever socket file is there was left by a copy that ended.
      QLocalServer::removeServer(name_);
      server_ = new QLocalServer(this);
      server_->setSocketOptions(QLocalServer::UserAccessOption);
      if (!server_->listen(name_)) {
        qWarning("Another copy of the program cannot be kept away: %s",
                 qPrintable(server_->errorString()));
      }
      connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
      return Role::Primary;
    }
    lock.unlock();
    switch (HandOver(socket, args, deadline)) {
      case Handover::Answered:
        return Role::HandedOver;
      case Handover::TimedOut:
        return Role::NoAnswer;
      case Handover::Closed:
        break;  // the running copy was ending: decide again
    }
    if (deadline.hasExpired()) return Role::NoAnswer;
  }
}

SingleInstance::Handover SingleInstance::HandOver(QLocalSocket& socket, const QStringList& args,
                                                  const QDeadlineTimer& deadline) {
  socket.write(Encode(args));
  while (socket.bytesToWrite() > 0 && socket.state() == QLocalSocket::ConnectedState) {
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
  }
  while (!deadline.hasExpired()) {
    if (socket.bytesAvailable() > 0) {
      char answer = 0;
      socket.getChar(&answer);
      return answer == kAnswer ? Handover::Answered : Handover::Closed;
    }
    if (socket.state() != QLocalSocket::ConnectedState) return Handover::Closed;
    socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
  }
  return Handover::TimedOut;
}

void SingleInstance::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    // A caller that never finishes its message is not waited for.
    QTimer::singleShot(answer_wait_ms_, socket, [socket] { socket->abort(); });
    Read(socket);
  }
}

void SingleInstance::Read(QLocalSocket* socket) {
  if (socket->bytesAvailable() < kHeaderSize) return;
  const QByteArray header = socket->peek(kHeaderSize);
  const quint32 length = qFromBigEndian<quint32>(header.constData() + kMagicSize);
  if (header.left(kMagicSize) != QByteArray(kMagic, kMagicSize) || length > kMaxPayload) {
    socket->abort();
    return;
  }
  if (socket->bytesAvailable() < kHeaderSize + static_cast<qint64>(length)) return;
  socket->skip(kHeaderSize);
  const QByteArray payload = socket->read(length);
  QStringList args;
  for (const QByteArray& arg : payload.split('\0')) args << QString::fromUtf8(arg);
  args.removeLast();  // after the last argument's zero byte (or the empty payload's nothing)
  socket->putChar(kAnswer);
  socket->flush();
  socket->disconnectFromServer();
  emit argumentsReceived(args);
}

}  // namespace parvel
