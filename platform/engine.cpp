// The application object lives from InitCVIRTE to the end of the process, as the
// engine did; its argument count must outlive it, hence the static.
#include "platform/engine.h"

#include <QApplication>
#include <QIcon>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

std::atomic<int> headless{0};

bool IsSocket(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// ":0", ":1.0", "unix:0" are sockets of this machine; "host:0" is another machine's.
bool XDisplayReachable(const char *display) {
    if (display == nullptr || display[0] == '\0') return false;
    const char *colon = strrchr(display, ':');
    if (colon == nullptr) return false;
    const std::string host(display, static_cast<size_t>(colon - display));
    if (!host.empty() && host != "unix") return true;
    const int number = atoi(colon + 1);
    return IsSocket("/tmp/.X11-unix/X" + std::to_string(number));
}

bool WaylandReachable(const char *name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (name[0] == '/') return IsSocket(name);
    const char *runtime = getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && IsSocket(std::string(runtime) + "/" + name);
}

}  // namespace

void SetHeadless(int on) { headless.store(on ? 1 : 0); }

int IsHeadless() { return headless.load(); }

int DisplayReachable() {
    const char *platform = getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0') return 1;
    return XDisplayReachable(getenv("DISPLAY")) || WaylandReachable(getenv("WAYLAND_DISPLAY"));
}

int InitCVIRTE(void *, char *argv[], void *) {
    if (QCoreApplication::instance() != nullptr)
        return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr ? 1 : 0;
    // Qt ends the process when its display plugin cannot connect; a station PC without a
    // screen runs on the offscreen platform instead, without windows.
    if (!IsHeadless() && !DisplayReachable()) SetHeadless(1);
    if (IsHeadless()) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 0;
    static char fallback_name[] = "clearhorizon";
    static char *fallback[] = {fallback_name, nullptr};
    if (argv == nullptr || argv[0] == nullptr) argv = fallback;
    argc = 0;
    while (argv[argc] != nullptr) ++argc;
    static QApplication *app = new QApplication(argc, argv);
    return app != nullptr ? 1 : 0;
}

void SetApplicationIcon(const char *svg_path, const char *desktop_file_name) {
    if (desktop_file_name != nullptr) QGuiApplication::setDesktopFileName(desktop_file_name);
    if (svg_path == nullptr || svg_path[0] == '\0') return;
    const QIcon icon(QString::fromLocal8Bit(svg_path));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
}
