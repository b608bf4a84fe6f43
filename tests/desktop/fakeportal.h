#pragma once

#include "desktop/portalhotkeys.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QTimer>

namespace lyrovo::testing {

// A session of the fake portal: it records being closed.
class FakePortalSession : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
 public:
  bool closed = false;
 public slots:
  void Close() { closed = true; }
};

// The desktop portal's GlobalShortcuts interface as a test drives it: it
// records sessions and bound shortcuts, answers each request through its
// Request object's Response signal (with the answer the test chose), and
// reports presses with Activated.
class FakePortal : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
  Q_PROPERTY(uint version READ version)

 public:
  explicit FakePortal(QDBusConnection bus) : bus_(std::move(bus)) { registerPortalShortcutTypes(); }

  // Takes the portal's name and object path; false when the bus refused.
  bool publish() {
    return bus_.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
           bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
  }

  uint portalVersion = 1;
  uint sessionAnswer = 0;  // 0 = granted, 1 = the user cancelled
  uint bindAnswer = 0;
  QVariantMap sessionOptions;
  QString sessionPath;
  FakePortalSession session;
  QList<PortalShortcut> shortcuts;  // as BindShortcuts received them
  int bindCalls = 0;

  uint version() const { return portalVersion; }

  // The user pressed the shortcut id of session.
  void activate(const QString& session, const QString& id) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                     QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                     QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1000) << QVariantMap();
    bus_.send(signal);
  }

 public slots:
  QDBusObjectPath CreateSession(const QVariantMap& options) {
    sessionOptions = options;
    if (!sessionPath.isEmpty()) bus_.unregisterObject(sessionPath);
    session.closed = false;
    sessionPath = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                      .arg(senderPart(), options.value(QStringLiteral("session_handle_token")).toString());
    bus_.registerObject(sessionPath, &session, QDBusConnection::ExportAllSlots);
    return respond(options, sessionAnswer, {{QStringLiteral("session_handle"), sessionPath}});
  }

  QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const QList<lyrovo::PortalShortcut>& list,
                                const QString& parentWindow, const QVariantMap& options) {
    Q_UNUSED(parentWindow);
    ++bindCalls;
    if (session.path() != sessionPath) {
      sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such session"));
      return {};
    }
    shortcuts = list;
    QList<PortalShortcut> granted = list;
    for (PortalShortcut& shortcut : granted)
      shortcut.properties.insert(QStringLiteral("trigger_description"),
                                 shortcut.properties.value(QStringLiteral("preferred_trigger")));
    return respond(options, bindAnswer, {{QStringLiteral("shortcuts"), QVariant::fromValue(granted)}});
  }

 private:
  // The caller's unique name as the portal puts it in object paths.
  QString senderPart() const {
    QString sender = message().service().mid(1);
    sender.replace(u'.', u'_');
    return sender;
  }

  // Answers after the method's reply has gone out, as a portal does once the user has chosen.
  QDBusObjectPath respond(const QVariantMap& options, uint answer, const QVariantMap& results) {
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                .arg(senderPart(), options.value(QStringLiteral("handle_token")).toString());
    QTimer::singleShot(0, this, [this, request, answer, results] {
      QDBusMessage response = QDBusMessage::createSignal(
          request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
      response << answer << results;
      bus_.send(response);
    });
    return QDBusObjectPath(request);
  }

  QDBusConnection bus_;
};

}  // namespace lyrovo::testing
