// Panels by handle: loading from the resource file, showing, pop-ups and discarding, and
// the main event loop. A panel belongs to the thread that loaded it; the main thread's
// panels are windows of widgets, another thread's panels are only its timers, so no
// widget is ever touched off the main thread.
#include "platform/panel_resource.h"
#include "platform/panel_store.h"
#include "platform/thread_context.h"
#include "platform/window_manners.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QEventLoop>
#include <QLayout>
#include <QTimer>
#include <algorithm>
#include <map>
#include <mutex>
#include <string>

namespace {

std::mutex store_mutex;
std::map<int, std::shared_ptr<Panel>> panels;           // guarded by store_mutex
int next_panel_handle = 1;                               // guarded by store_mutex
std::map<std::string, CtrlCallbackPtr> callbacks;       // guarded by store_mutex
std::map<QString, WidgetFactory> widget_classes;        // guarded by store_mutex

// The size the resource file gives a panel, kept on its widget.
const char *const kDesignedSize = "chDesignedSize";
const char *const kLeastWidth = "chLeastWidth";  // laid out for the widest language

// Main thread only.
std::vector<int> popups;  // installed pop-ups, last on top
QEventLoop *ui_loop = nullptr;

std::string FolderOf(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void ForgetPopup(int handle) {
    popups.erase(std::remove(popups.begin(), popups.end(), handle), popups.end());
}

// Brings a window to the front; the offscreen platform has no front (and says so).
void Raise(QWidget *w) {
    if (!w->isWindow() || QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    w->raise();
}

void TakeDownPopup(QWidget *w) {
    w->hide();
    w->setWindowModality(Qt::NonModal);
}

void DiscardOne(const std::shared_ptr<Panel> &p) {
    StopPanelTimers(*p);
    if (p->widget != nullptr) {
        ForgetPopup(p->handle);
        p->widget->hide();
        DeleteWhenSafe(p->widget);
    }
    RemovePanel(p->handle);
}

// A panel of the main thread with widgets, for display calls.
std::shared_ptr<Panel> WidgetPanel(int handle, int *error) {
    std::shared_ptr<Panel> p = OwnPanel(handle, error);
    if (p != nullptr && p->widget == nullptr) {
        *error = kUIErrThread;
        return nullptr;
    }
    return p;
}

int LoadTimersOnly(const std::string &path, int resource_id) {
    PanelSpec layout;
    const int read = ReadPanelSpec(path, resource_id, false, &layout);
    if (read < 0) return read;
    auto p = std::make_shared<Panel>();
    p->resource_id = resource_id;
    p->name = layout.name;
    p->owner = CurrentThreadID();
    for (const TimerSpec &t : layout.timers) {
        if (t.ctrl_id == 0) continue;
        TimerControl &c = p->timers[t.ctrl_id];
        c.ctrl_id = t.ctrl_id;
        c.callback = t.callback;
        c.interval_s = t.interval_s;
        c.enabled = t.enabled;
    }
    const int handle = AddPanel(p);
    StartPanelTimers(*p);
    return handle;
}

int LoadWithWidgets(int parent, const std::string &path, int resource_id) {
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) == nullptr) return kUIErrThread;
    QWidget *parent_widget = nullptr;
    if (parent > 0) {
        int error = 0;
        const std::shared_ptr<Panel> pp = WidgetPanel(parent, &error);
        if (pp == nullptr) return error;
        parent_widget = pp->widget;
    }
    PanelSpec layout;
    const int read = ReadPanelSpec(path, resource_id, true, &layout);
    if (read < 0) return read;
    QWidget *w = BuildPanelWidgets(layout.ui, FolderOf(path), parent_widget);
    if (w == nullptr) return kUIErrParse;
    w->hide();
    w->setProperty(kDesignedSize, w->size());
    if (parent_widget == nullptr) GiveKeysToButtons(w);
    auto p = std::make_shared<Panel>();
    p->parent = parent > 0 ? parent : 0;
    p->resource_id = resource_id;
    p->name = layout.name;
    p->callback = layout.callback;
    p->owner = CurrentThreadID();
    p->widget = w;
    for (const TimerSpec &t : layout.timers) {
        if (t.ctrl_id == 0) continue;
        TimerControl &c = p->timers[t.ctrl_id];
        c.ctrl_id = t.ctrl_id;
        c.callback = t.callback;
        c.interval_s = t.interval_s;
        c.enabled = t.enabled;
    }
    const int handle = AddPanel(p);
    CollectControls(*p);
    StartPanelTimers(*p);
    return handle;
}

}  // namespace

// ---- Store ------------------------------------------------------------------------------

namespace {
thread_local int callback_depth = 0;
}

CallbackScope::CallbackScope() { ++callback_depth; }
CallbackScope::~CallbackScope() { --callback_depth; }
bool InCallback() { return callback_depth > 0; }

void DeleteWhenSafe(QObject *object) {
    if (object == nullptr) return;
    if (InCallback())
        object->deleteLater();
    else
        delete object;
}

namespace {

// Panels live until the program ends; the main thread's go with the application object,
// so that their widgets are not left behind after it (and show up as leaks).
void DiscardMainThreadPanels() {
    std::vector<std::shared_ptr<Panel>> mine;
    {
        std::lock_guard lock(store_mutex);
        for (const auto &[handle, p] : panels)
            if (p->owner == CurrentThreadID()) mine.push_back(p);
    }
    for (const auto &p : mine)
        if (p->parent == 0) DiscardPanel(p->handle);
}

}  // namespace

int AddPanel(const std::shared_ptr<Panel> &panel) {
    static std::once_flag cleanup;
    std::call_once(cleanup, [] { qAddPostRoutine(DiscardMainThreadPanels); });
    std::lock_guard lock(store_mutex);
    panel->handle = next_panel_handle++;
    panels[panel->handle] = panel;
    return panel->handle;
}

void RemovePanel(int handle) {
    std::lock_guard lock(store_mutex);
    panels.erase(handle);
}

std::shared_ptr<Panel> OwnPanel(int handle, int *error) {
    std::lock_guard lock(store_mutex);
    const auto it = panels.find(handle);
    if (it == panels.end()) {
        *error = kUIErrPanel;
        return nullptr;
    }
    if (it->second->owner != CurrentThreadID()) {
        *error = kUIErrThread;
        return nullptr;
    }
    *error = 0;
    return it->second;
}

std::vector<int> ChildPanels(int handle) {
    std::lock_guard lock(store_mutex);
    std::vector<int> children;
    for (const auto &[h, p] : panels)
        if (p->parent == handle) children.push_back(h);
    return children;
}

void RegisterCallback(const char *name, CtrlCallbackPtr callback) {
    if (name == nullptr) return;
    std::lock_guard lock(store_mutex);
    callbacks[name] = callback;
}

CtrlCallbackPtr FindCallback(const std::string &name) {
    if (name.empty()) return nullptr;
    std::lock_guard lock(store_mutex);
    const auto it = callbacks.find(name);
    return it == callbacks.end() ? nullptr : it->second;
}

void RegisterWidgetClass(const char *class_name, WidgetFactory factory) {
    if (class_name == nullptr) return;
    std::lock_guard lock(store_mutex);
    widget_classes[QString::fromUtf8(class_name)] = factory;
}

WidgetFactory FindWidgetClass(const QString &class_name) {
    std::lock_guard lock(store_mutex);
    const auto it = widget_classes.find(class_name);
    return it == widget_classes.end() ? nullptr : it->second;
}

// ---- Panels -----------------------------------------------------------------------------

int LoadPanel(int parent, const char *file_name, int resource_id) {
    const std::string path = ResourcePath(file_name);
    if (path.empty()) return kUIErrFile;
    if (!OnMainThread()) return LoadTimersOnly(path, resource_id);
    return LoadWithWidgets(parent, path, resource_id);
}

int DiscardPanel(int panel) {
    int error = 0;
    const std::shared_ptr<Panel> p = OwnPanel(panel, &error);
    if (p == nullptr) return error;
    for (int child : ChildPanels(panel)) DiscardPanel(child);
    DiscardOne(p);
    return 0;
}

namespace {

// Windows shown in this run, by name, and the places the last run left them in.
std::map<std::string, QPointer<QWidget>> shown_windows;
std::map<std::string, QByteArray> saved_places;
// The first window shown in this run: the main window.
QPointer<QWidget> first_window;

bool CanCarry(const QWidget *front, const QWidget *w) {
    return front != nullptr && front != w && front->isVisible() && !front->isMinimized();
}

// The window a new one opens over: the pop-up on top, else the window the user works in,
// else the main window. Without a window manager (or while the program is not the
// active application) no window is active, yet a pop-up still belongs over the program.
QWidget *FrontWindow(const QWidget *w) {
    if (QWidget *modal = QApplication::activeModalWidget(); CanCarry(modal, w)) return modal;
    if (QWidget *active = QApplication::activeWindow(); CanCarry(active, w)) return active;
    return CanCarry(first_window, w) ? first_window.data() : nullptr;
}

// Centred over the window in front (the main window when none is), and wholly on that
// window's screen: a window larger than the screen's free area is made to fit it.
void PlaceOverFront(QWidget *w) {
    QWidget *front = FrontWindow(w);
    QScreen *screen = front != nullptr ? front->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect free = screen->availableGeometry();
    // The size the window will have once shown, so that it is centred as it will be.
    w->ensurePolished();
    if (w->layout() != nullptr) w->layout()->activate();
    w->resize(w->size().expandedTo(w->minimumSizeHint()));
    // The title bar and border the window manager adds, as it drew them on the front
    // window (none known before the first window is shown).
    const QSize decoration =
        front != nullptr ? front->frameGeometry().size() - front->size() : QSize(0, 0);
    const QSize room = free.size() - decoration;
    if (w->width() > room.width() || w->height() > room.height())
        w->resize(w->size().boundedTo(room));
    const QRect over = front != nullptr ? front->frameGeometry() : free;
    const QSize outer = w->size() + decoration;
    QPoint at = over.center() - QPoint(outer.width() / 2, outer.height() / 2);
    at.setX(std::clamp(at.x(), free.left(), std::max(free.left(), free.right() + 1 - outer.width())));
    at.setY(std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() + 1 - outer.height())));
    w->move(at);
}

// A window shown for the first time in this run takes the place it had in the last
// one, or opens over the window in front.
void PlaceOnFirstShow(QWidget *w) {
    const std::string name = w->objectName().toStdString();
    if (!w->isWindow() || shown_windows.count(name) != 0) return;
    shown_windows[name] = w;
    const auto saved = saved_places.find(name);
    if (saved != saved_places.end() && w->restoreGeometry(saved->second)) {
        // A place kept from a run in a narrower language (or an older version) must
        // not undo the width laid out for every language: the window would jump on
        // the next switch.
        const int least = w->property(kLeastWidth).toInt();
        if (w->width() < least) w->resize(least, w->height());
        return;
    }
    PlaceOverFront(w);
}

}  // namespace

int LoadWindowPlaces(const char *ini_path) {
    if (ini_path == nullptr) return -1;
    QSettings ini(QString::fromLocal8Bit(ini_path), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("windows"));
    for (const QString &key : ini.childKeys())
        saved_places[key.toStdString()] = ini.value(key).toByteArray();
    ini.endGroup();
    return ini.status() == QSettings::NoError ? 0 : -1;
}

int SaveWindowPlaces(const char *ini_path) {
    if (ini_path == nullptr) return -1;
    QSettings ini(QString::fromLocal8Bit(ini_path), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("windows"));
    for (const auto &[name, w] : shown_windows)
        if (!w.isNull()) ini.setValue(QString::fromStdString(name), w->saveGeometry());
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError ? 0 : -1;
}

int DisplayPanel(int panel) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    // A minimised window comes back as it was before (the tray's click, a second start).
    if (p->widget->isMinimized())
        p->widget->setWindowState(p->widget->windowState() & ~Qt::WindowMinimized);
    PlaceOnFirstShow(p->widget);
    if (first_window.isNull() && p->widget->isWindow()) first_window = p->widget;
    p->widget->show();
    Raise(p->widget);
    return 0;
}

int HidePanel(int panel) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    if (std::find(popups.begin(), popups.end(), panel) != popups.end()) {
        ForgetPopup(panel);
        TakeDownPopup(p->widget);
        return 0;
    }
    p->widget->hide();
    return 0;
}

int FitPanelToContents(int panel) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    QWidget *w = p->widget;
    // New texts reach the window's layout through posted layout requests, one level of
    // nesting at a time; the window's own layout then knows what its contents need.
    for (int level = 0; level < 16; ++level)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (w->layout() != nullptr) w->layout()->activate();
    w->resize(w->property(kDesignedSize).toSize().expandedTo(w->minimumSizeHint()));
    return 0;
}

int GetPanelContentsWidth(int panel, int *width) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    if (width == nullptr) return kUIErrAttribute;
    QWidget *w = p->widget;
    for (int level = 0; level < 16; ++level)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (w->layout() != nullptr) w->layout()->activate();
    *width = w->minimumSizeHint().width();
    return 0;
}

int SetPanelLeastWidth(int panel, int width) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    QWidget *w = p->widget;
    QSize designed = w->property(kDesignedSize).toSize();
    designed.setWidth(std::max(designed.width(), width));
    w->setProperty(kDesignedSize, designed);
    w->setProperty(kLeastWidth, std::max(width, w->property(kLeastWidth).toInt()));
    return FitPanelToContents(panel);
}

int InstallPopup(int panel) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    if (!p->widget->isWindow()) return kUIErrPanel;  // a child panel cannot pop up
    ForgetPopup(panel);
    // Modality only takes effect on a window that is shown afresh.
    p->widget->hide();
    p->widget->setWindowModality(Qt::ApplicationModal);
    // Over the window it was opened from every time, as a dialog opens; a pop-up has no
    // place of its own to remember.
    PlaceOverFront(p->widget);
    p->widget->show();
    Raise(p->widget);
    FocusFirstField(p->widget);
    popups.push_back(panel);
    return 0;
}

int RemovePopup(int all) {
    if (!OnMainThread()) return kUIErrThread;
    while (!popups.empty()) {
        const int top = popups.back();
        popups.pop_back();
        int error = 0;
        if (const std::shared_ptr<Panel> p = WidgetPanel(top, &error)) TakeDownPopup(p->widget);
        if (all == 0) break;
    }
    return 0;
}

int SetPanelAttribute(int panel, int attribute, int value) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    switch (attribute) {
    case ATTR_VISIBLE: return value != 0 ? DisplayPanel(panel) : HidePanel(panel);
    case ATTR_DIMMED: p->widget->setEnabled(value == 0); return 0;
    default: return kUIErrAttribute;
    }
}

int SetPanelAttribute(int panel, int attribute, const char *value) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    if (attribute != ATTR_TITLE || value == nullptr) return kUIErrAttribute;
    p->widget->setWindowTitle(QString::fromUtf8(value));
    return 0;
}

int GetPanelAttribute(int panel, int attribute, int *value) {
    int error = 0;
    const std::shared_ptr<Panel> p = WidgetPanel(panel, &error);
    if (p == nullptr) return error;
    if (value == nullptr) return kUIErrAttribute;
    switch (attribute) {
    case ATTR_VISIBLE: *value = p->widget->isVisible() ? 1 : 0; return 0;
    case ATTR_DIMMED: *value = p->widget->isEnabled() ? 0 : 1; return 0;
    default: return kUIErrAttribute;
    }
}

// ---- Event loop ---------------------------------------------------------------------------

int RunUserInterface() {
    if (!OnMainThread()) return kUIErrThread;
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QEventLoop loop;
    QEventLoop *outer = ui_loop;
    ui_loop = &loop;
    const int code = loop.exec();
    ui_loop = outer;
    return code;
}

int QuitUserInterface(int code) {
    if (!OnMainThread()) {
        PostToThread(MainThreadID(), [code] { QuitUserInterface(code); });
        return 0;
    }
    if (ui_loop != nullptr) ui_loop->exit(code);
    return 0;
}
