#pragma once

#include "desktop/hotkeys.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QDBusArgument;
class QDBusMessage;

namespace lyrovo {

// One shortcut as the desktop portal's GlobalShortcuts interface passes it:
// an id and its properties (description, preferred_trigger,
// trigger_description).
struct PortalShortcut {
  QString id;
  QVariantMap properties;
};
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);
// Makes PortalShortcut and lists of it known to QtDBus (idempotent).
void registerPortalShortcutTypes();

// The portal's shortcut id of each hot key ("play-pause" and so on), and back
// (0 when the id is not one of ours).
QString portalShortcutId(HotKey key);
int hotKeyOfPortalShortcut(const QString& id);

// Hot keys through the desktop portal's global shortcuts (Wayland, where no
// program may grab keys): registerKeys opens a session and asks the desktop
// to bind the seven combinations, which may show the user a dialog; the
// portal then reports presses. Every D-Bus call is asynchronous. A desktop
// without the portal, or a user who refuses, is logged once; the player goes
// on without hot keys.
class PortalHotKeys : public GlobalHotKeys {
  Q_OBJECT
 public:
  // appId names the program to the portal's registry of host applications
  // (the desktop file's name); empty skips that.
  PortalHotKeys(QDBusConnection bus, QString appId);
  ~PortalHotKeys() override;

  void install() override;
  void remove() override;
  void registerKeys() override;
  void unregisterKeys() override;

  // The shortcut ids the desktop has bound, empty until it has answered.
  QStringList bound() const { return bound_; }
  // True from registerKeys until the desktop has bound the keys or it is clear it will not.
  bool waiting() const { return step_ != Step::Idle && step_ != Step::Bound; }

 private slots:
  void onResponse(uint response, const QVariantMap& results, const QDBusMessage& message);
  void onActivated(const QDBusMessage& message);

 private:
  enum class Step { Idle, Version, Session, Bind, Bound };
  void createSession();
  void bindShortcuts();
  // Sends a call that answers through a Request object's Response signal:
  // listens on the path the portal will use for token before the call goes out.
  void request(const QString& method, const QVariantList& arguments, const QString& token);
  void stopListeningForResponse();
  void closeSession();
  void giveUp(const QString& why);

  QDBusConnection bus_;
  QString appId_;
  Step step_ = Step::Idle;
  QString requestPath_;
  QString session_;
  QStringList bound_;
  int tokens_ = 0;
  int attempts_ = 0;  // answers to an earlier attempt are ignored
  bool listening_ = false;
  bool reported_ = false;
};

}  // namespace lyrovo

Q_DECLARE_METATYPE(lyrovo::PortalShortcut)
