// The tray icon and notifications on Qt. Notifications go over the session bus first,
// because many desktops (GNOME among them) show notifications but have no tray; the
// call is asynchronous, so a slow or missing service never holds the main loop.
#include "platform/tray.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QVariantMap>

#include "platform/engine.h"

namespace {

QSystemTrayIcon *tray = nullptr;

bool SendOverSessionBus(const QString &title, const QString &message) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify");
    call << QString("Clear Horizon") << 0u << QString("clearhorizon") << title << message
         << QStringList() << QVariantMap() << -1;
    return bus.send(call);
}

}  // namespace

int TrayIconStart(const char *icon_path, void (*on_activate)()) {
    if (tray != nullptr) return 1;
    if (IsHeadless() || QGuiApplication::platformName() == QLatin1String("offscreen")) return 0;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return 0;
    QIcon icon(QString::fromLocal8Bit(icon_path != nullptr ? icon_path : ""));
    if (icon.isNull()) icon = QGuiApplication::windowIcon();
    tray = new QSystemTrayIcon(icon, qApp);
    if (on_activate != nullptr)
        QObject::connect(tray, &QSystemTrayIcon::activated, tray,
                         [on_activate](QSystemTrayIcon::ActivationReason) { on_activate(); });
    tray->show();
    return 1;
}

void TrayIconSetToolTip(const char *text) {
    if (tray != nullptr) tray->setToolTip(QString::fromUtf8(text != nullptr ? text : ""));
}

void DesktopNotify(const char *title, const char *message) {
    if (IsHeadless() || QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    const QString t = QString::fromUtf8(title != nullptr ? title : "");
    const QString m = QString::fromUtf8(message != nullptr ? message : "");
    if (SendOverSessionBus(t, m)) return;
    if (tray != nullptr) tray->showMessage(t, m, QSystemTrayIcon::Warning);
}
