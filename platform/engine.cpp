// The application object lives from InitCVIRTE to the end of the process, as the
// engine did; its argument count must outlive it, hence the static.
//
// Whether there is a screen is Qt's to find out: a socket file can be stale, a display
// can refuse this user, and a WAYLAND_DISPLAY is no use without Qt's Wayland plugin.
// Guessing wrong made Qt abort; a platform list that ends in offscreen cannot.
#include "platform/engine.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::atomic<int> headless{0};
// What Qt's platform plugins said while they were tried: the reason for the fallback.
std::string platform_complaints;
QtMessageHandler previous_handler = nullptr;

void CollectPlatformMessages(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    const char *category = context.category != nullptr ? context.category : "";
    if (strncmp(category, "qt.qpa", 6) == 0) {
        if (platform_complaints.empty()) platform_complaints = text.toStdString();
        return;
    }
    if (previous_handler != nullptr) previous_handler(type, context, text);
}

bool Given(const char *value) { return value != nullptr && value[0] != '\0'; }

bool ArgvHas(char *argv[], const char *option) {
    for (int i = 1; argv[i] != nullptr; ++i)
        if (strcmp(argv[i], option) == 0) return true;
    return false;
}

bool WaylandPluginInstalled() {
    for (const QString &folder : QCoreApplication::libraryPaths())
        if (!QDir(folder + QStringLiteral("/platforms"))
                 .entryList({QStringLiteral("libqwayland*")}, QDir::Files)
                 .isEmpty())
            return true;
    return false;
}

std::string FallbackReason(const char *display, const char *wayland_display, int wayland_plugin) {
    std::string why = platform_complaints;
    if (Given(wayland_display) && !wayland_plugin)
        why += std::string(why.empty() ? "" : "; ") + "no Wayland platform plugin installed";
    if (why.empty() && !Given(display) && !Given(wayland_display))
        why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    if (why.empty()) why = "no platform plugin could connect";
    return why;
}

}  // namespace

void SetHeadless(int on) { headless.store(on ? 1 : 0); }

int IsHeadless() { return headless.load(); }

int ScreenShown() {
    if (IsHeadless() || QCoreApplication::instance() == nullptr) return 0;
    const QString name = QGuiApplication::platformName();
    return name != QLatin1String("offscreen") && name != QLatin1String("minimal") ? 1 : 0;
}

std::string PlatformsToTry(const char *display, const char *wayland_display, int wayland_plugin) {
    std::string list;
    if (Given(wayland_display) && wayland_plugin) list += "wayland;";
    if (Given(display)) list += "xcb;";
    return list + "offscreen";
}

void ChooseThreadEventDispatcher() {
    // Qt reads this for every thread it starts, so it stays set for the whole run.
    setenv("QT_NO_THREADED_GLIB", "1", 0);
}

int InitCVIRTE(void *, char *argv[], void *) {
    if (QCoreApplication::instance() != nullptr)
        return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr ? 1 : 0;
    static int argc = 0;
    static char fallback_name[] = "clearhorizon";
    static char *fallback[] = {fallback_name, nullptr};
    if (argv == nullptr || argv[0] == nullptr) argv = fallback;
    argc = 0;
    while (argv[argc] != nullptr) ++argc;
    const bool user_chose = Given(getenv("QT_QPA_PLATFORM")) || ArgvHas(argv, "-platform");
    // -display NAME is xcb's, and names the display to try instead of DISPLAY.
    const char *display = ArgvHas(argv, "-display") ? "-display" : getenv("DISPLAY");
    const char *wayland = getenv("WAYLAND_DISPLAY");
    const int wayland_plugin = Given(wayland) && WaylandPluginInstalled() ? 1 : 0;
    const bool judge = !IsHeadless() && !user_chose;
    if (IsHeadless()) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (judge) {
        qputenv("QT_QPA_PLATFORM", PlatformsToTry(display, wayland, wayland_plugin).c_str());
        previous_handler = qInstallMessageHandler(CollectPlatformMessages);
    }
    ChooseThreadEventDispatcher();
    static QApplication *app = new QApplication(argc, argv);
    if (judge) {
        qInstallMessageHandler(previous_handler);
        // Programs this one starts choose for themselves.
        qunsetenv("QT_QPA_PLATFORM");
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            SetHeadless(1);
            fprintf(stderr, "clearhorizon: no screen to show windows on (%s); running headless\n",
                    FallbackReason(display, wayland, wayland_plugin).c_str());
        }
    }
    return app != nullptr ? 1 : 0;
}

void SetApplicationIcon(const char *svg_path, const char *desktop_file_name) {
    if (desktop_file_name != nullptr) QGuiApplication::setDesktopFileName(desktop_file_name);
    if (svg_path == nullptr || svg_path[0] == '\0') return;
    const QIcon icon(QString::fromLocal8Bit(svg_path));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
}
