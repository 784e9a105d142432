// The tray icon and notifications on Qt. Notifications go over the session bus first,
// because many desktops (GNOME among them) show notifications but have no tray; the
// call is asynchronous, so a slow or missing service never holds the main loop.
#include "platform/tray.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QVariantMap>

#include "platform/engine.h"

namespace {

QSystemTrayIcon *tray = nullptr;
QMenu *tray_menu = nullptr;
QAction *show_action = nullptr;
QAction *quit_action = nullptr;

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
                         [on_activate](QSystemTrayIcon::ActivationReason reason) {
                             if (reason != QSystemTrayIcon::Context) on_activate();
                         });
    tray->show();
    return 1;
}

void TrayIconSetMenu(const char *show_text, void (*on_show)(), const char *quit_text,
                     void (*on_quit)()) {
    if (tray == nullptr) return;
    if (tray_menu == nullptr) {
        tray_menu = new QMenu();
        show_action = tray_menu->addAction(QString());
        tray_menu->addSeparator();
        quit_action = tray_menu->addAction(QString());
        QObject::connect(tray, &QObject::destroyed, tray_menu, &QObject::deleteLater);
        tray->setContextMenu(tray_menu);
    }
    show_action->disconnect();
    quit_action->disconnect();
    show_action->setText(QString::fromUtf8(show_text != nullptr ? show_text : ""));
    quit_action->setText(QString::fromUtf8(quit_text != nullptr ? quit_text : ""));
    if (on_show != nullptr) QObject::connect(show_action, &QAction::triggered, [on_show] { on_show(); });
    if (on_quit != nullptr) QObject::connect(quit_action, &QAction::triggered, [on_quit] { on_quit(); });
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
