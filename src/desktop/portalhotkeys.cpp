#include "desktop/portalhotkeys.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace lyrovo {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const char* const kResponseSlot = SLOT(onResponse(uint, QVariantMap, QDBusMessage));

struct Described {
  HotKey key;
  const char* id;
  const char* description;  // UTF-8
  const char* trigger;
};
constexpr Described kShortcuts[] = {
    {HotKey::O, "open", "打开文件", "CTRL+SHIFT+O"},
    {HotKey::P, "play-pause", "播放/暂停", "CTRL+SHIFT+P"},
    {HotKey::S, "stop", "停止", "CTRL+SHIFT+S"},
    {HotKey::Up, "volume-up", "增大音量", "CTRL+SHIFT+Up"},
    {HotKey::Down, "volume-down", "减小音量", "CTRL+SHIFT+Down"},
    {HotKey::Left, "previous", "上一首", "CTRL+SHIFT+Left"},
    {HotKey::Right, "next", "下一首", "CTRL+SHIFT+Right"},
};

// Sends a call whose answer nobody needs (an error reply is simply dropped).
void callAndForget(const QDBusConnection& bus, const QDBusMessage& call) {
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

void registerPortalShortcutTypes() {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
}

QString portalShortcutId(HotKey key) { return QLatin1String(kShortcuts[int(key) - 1].id); }

int hotKeyOfPortalShortcut(const QString& id) {
  for (const Described& shortcut : kShortcuts)
    if (id == QLatin1String(shortcut.id)) return int(shortcut.key);
  return 0;
}

PortalHotKeys::PortalHotKeys(QDBusConnection bus, QString appId)
    : bus_(std::move(bus)), appId_(std::move(appId)) {
  registerPortalShortcutTypes();
}

PortalHotKeys::~PortalHotKeys() {
  unregisterKeys();
  remove();
}

void PortalHotKeys::install() {
  if (listening_ || !bus_.isConnected()) return;
  listening_ = bus_.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                            SLOT(onActivated(QDBusMessage)));
}

void PortalHotKeys::remove() {
  if (!listening_) return;
  bus_.disconnect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
  listening_ = false;
}

// The portal is asked in steps, each answered later: its version, a
// session, then the shortcuts bound in that session.
void PortalHotKeys::registerKeys() {
  unregisterKeys();
  if (!bus_.isConnected()) {
    giveUp(QStringLiteral("no session bus"));
    return;
  }
  if (!appId_.isEmpty()) {
    // Names a program that was not started from a sandbox; portals too old
    // to keep such a registry answer with an error, which changes nothing.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
    registration << appId_ << QVariantMap();
    callAndForget(bus_, registration);
  }
  step_ = Step::Version;
  const int attempt = ++attempts_;
  QDBusMessage get = QDBusMessage::createMethodCall(
      kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << kInterface << QStringLiteral("version");
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, attempt](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    if (attempt != attempts_ || step_ != Step::Version) return;
    const QDBusPendingReply<QDBusVariant> reply = *done;
    if (reply.isError()) {
      giveUp(QStringLiteral("no GlobalShortcuts portal: ") + reply.error().message());
      return;
    }
    const uint version = reply.value().variant().toUInt();
    if (version < 1) {
      giveUp(QStringLiteral("GlobalShortcuts portal version %1").arg(version));
      return;
    }
    createSession();
  });
}

void PortalHotKeys::createSession() {
  step_ = Step::Session;
  const QString token = QStringLiteral("lyrovo%1").arg(++tokens_);
  const QVariantMap options{{QStringLiteral("handle_token"), token},
                            {QStringLiteral("session_handle_token"), token}};
  request(QStringLiteral("CreateSession"), {options}, token);
}

void PortalHotKeys::bindShortcuts() {
  step_ = Step::Bind;
  QList<PortalShortcut> shortcuts;
  for (const Described& shortcut : kShortcuts) {
    shortcuts.append({QLatin1String(shortcut.id),
                      {{QStringLiteral("description"), QString::fromUtf8(shortcut.description)},
                       {QStringLiteral("preferred_trigger"), QLatin1String(shortcut.trigger)}}});
  }
  const QString token = QStringLiteral("lyrovo%1").arg(++tokens_);
  const QVariantMap options{{QStringLiteral("handle_token"), token}};
  request(
      QStringLiteral("BindShortcuts"),
      {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts), QString(), options},
      token);
}

void PortalHotKeys::request(const QString& method, const QVariantList& arguments, const QString& token) {
  // The portal names the request after the caller's unique name and the token;
  // listening before the call goes out means a quick answer is never missed.
  QString sender = bus_.baseService().mid(1);
  sender.replace(u'.', u'_');
  requestPath_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
  bus_.connect(kService, requestPath_, kRequestInterface, QStringLiteral("Response"), this, kResponseSlot);

  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  call.setArguments(arguments);
  const int attempt = attempts_;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, attempt, method](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            if (attempt != attempts_) return;
            const QDBusPendingReply<QDBusObjectPath> reply = *done;
            if (reply.isError()) {
              giveUp(method + QStringLiteral(" failed: ") + reply.error().message());
              return;
            }
            // Portals older than the handle tokens choose a path of their own.
            const QString path = reply.value().path();
            if (path != requestPath_ && (step_ == Step::Session || step_ == Step::Bind)) {
              stopListeningForResponse();
              requestPath_ = path;
              bus_.connect(kService, requestPath_, kRequestInterface, QStringLiteral("Response"), this,
                           kResponseSlot);
            }
          });
}

void PortalHotKeys::stopListeningForResponse() {
  if (requestPath_.isEmpty()) return;
  bus_.disconnect(kService, requestPath_, kRequestInterface, QStringLiteral("Response"), this, kResponseSlot);
  requestPath_.clear();
}

void PortalHotKeys::onResponse(uint response, const QVariantMap& results, const QDBusMessage& message) {
  if (message.path() != requestPath_ || (step_ != Step::Session && step_ != Step::Bind)) return;
  stopListeningForResponse();
  // 0 = done, 1 = the user cancelled, 2 = failed otherwise.
  if (response != 0) {
    giveUp(step_ == Step::Session
               ? QStringLiteral("CreateSession answered %1").arg(response)
               : QStringLiteral("the desktop refused to bind them (answer %1)").arg(response));
    return;
  }
  if (step_ == Step::Session) {
    // The handle is a string by the interface's description; some portals send an object path.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
                   ? handle.value<QDBusObjectPath>().path()
                   : handle.toString();
    if (session_.isEmpty()) {
      giveUp(QStringLiteral("CreateSession gave no session"));
      return;
    }
    bindShortcuts();
    return;
  }
  step_ = Step::Bound;
  bound_.clear();
  if (results.contains(QStringLiteral("shortcuts"))) {
    for (const PortalShortcut& shortcut :
         qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts"))))
      if (hotKeyOfPortalShortcut(shortcut.id) != 0) bound_.append(shortcut.id);
  } else {
    for (HotKey key : kHotKeys) bound_.append(portalShortcutId(key));
  }
  qCInfo(lcHotKeys, "the desktop portal bound %lld of the 7 global hot keys", qlonglong(bound_.size()));
}

// Activated carries the session, the shortcut id, a time stamp and options.
void PortalHotKeys::onActivated(const QDBusMessage& message) {
  const QVariantList arguments = message.arguments();
  if (session_.isEmpty() || arguments.size() < 2) return;
  if (arguments[0].value<QDBusObjectPath>().path() != session_) return;
  if (const int key = hotKeyOfPortalShortcut(arguments[1].toString())) emit pressed(HotKey(key));
}

void PortalHotKeys::unregisterKeys() {
  ++attempts_;
  stopListeningForResponse();
  closeSession();
  step_ = Step::Idle;
}

// Closing the session gives the shortcuts back to the desktop.
void PortalHotKeys::closeSession() {
  if (!session_.isEmpty() && bus_.isConnected()) {
    callAndForget(bus_, QDBusMessage::createMethodCall(kService, session_,
                                                       QStringLiteral("org.freedesktop.portal.Session"),
                                                       QStringLiteral("Close")));
  }
  session_.clear();
  bound_.clear();
}

void PortalHotKeys::giveUp(const QString& why) {
  stopListeningForResponse();
  closeSession();
  step_ = Step::Idle;
  if (reported_) return;
  reported_ = true;
  qCInfo(lcHotKeys, "global hot keys are not offered on this desktop (%s)", qPrintable(why));
}

}  // namespace lyrovo
