#pragma once

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

namespace lyrovo::testing {

// A D-Bus session bus of the test's own: a dbus-daemon started for it and
// stopped with it, so services a test registers meet no one else's.
class PrivateBus {
 public:
  PrivateBus() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                   QStringLiteral("--print-address=1")});
    QDeadlineTimer deadline(30000);
    while (daemon_.state() != QProcess::NotRunning && !daemon_.canReadLine() && !deadline.hasExpired())
      daemon_.waitForReadyRead(100);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  ~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    daemon_.waitForFinished(10000);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool isRunning() const { return !address_.isEmpty(); }
  // A new client connection, with a unique name of its own on the bus.
  QDBusConnection connect() {
    names_ << QStringLiteral("%1#%2").arg(address_).arg(names_.size() + 1);
    return QDBusConnection::connectToBus(address_, names_.last());
  }

 private:
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

}  // namespace lyrovo::testing
