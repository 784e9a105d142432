// Inside platform/ only: the loaded panels, their controls and timers, and the names
// under which callbacks and widget classes are known. Shared by the panel modules.
#pragma once
#include "platform/panels.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QTimer;

struct TimerControl {
    int ctrl_id = 0;
    std::string callback;
    double interval_s = 1.0;
    bool enabled = true;
    QTimer *timer = nullptr;  // lives on the panel's thread
    std::chrono::steady_clock::time_point since;  // start of the next tick's time
};

struct Panel {
    int handle = 0;
    int parent = 0;
    int resource_id = 0;
    std::string name;
    std::string callback;
    unsigned owner = 0;         // thread id of the loading thread
    QPointer<QWidget> widget;   // none for panels of other threads than the main thread
    std::map<int, QPointer<QWidget>> controls;
    std::map<int, TimerControl> timers;
};

// Registers the panel and gives it its handle.
int AddPanel(const std::shared_ptr<Panel> &panel);
void RemovePanel(int handle);
// The panel for a call from this thread, or nullptr with the reason in *error.
std::shared_ptr<Panel> OwnPanel(int handle, int *error);
std::vector<int> ChildPanels(int handle);

CtrlCallbackPtr FindCallback(const std::string &name);
WidgetFactory FindWidgetClass(const QString &class_name);

// Calls the callback named by the control's `callback` property, if any.
void FireControlEvent(int panel, int control, int event, int data1, int data2);

// Marks a callback of the program running on this thread: widgets and timers discarded
// meanwhile may still be on the call stack, so they are deleted later, not at once.
struct CallbackScope {
    CallbackScope();
    ~CallbackScope();
    CallbackScope(const CallbackScope &) = delete;
    CallbackScope &operator=(const CallbackScope &) = delete;
};
bool InCallback();
// Deletes the object now, or once the running callbacks have returned.
void DeleteWhenSafe(class QObject *object);

// Timers of a freshly loaded panel: made on the calling thread, running when enabled.
void StartPanelTimers(Panel &panel);
void StopPanelTimers(Panel &panel);
int SetTimerAttribute(TimerControl &timer, int attribute, double value);
int GetTimerAttribute(const TimerControl &timer, int attribute, double *value);

// Widgets of a panel on the main thread: builds them from the panel's .ui document.
QWidget *BuildPanelWidgets(const std::string &ui, const std::string &resource_dir,
                           QWidget *parent);
// Finds the controls of a built panel and connects their events to FireControlEvent.
void CollectControls(Panel &panel);

// Labels and pictures with a callback are commands for the keyboard and screen readers
// too: Tab reaches them, Space and Enter click them, the accessibility bus offers a press
// action. Labels and the program's own widget classes among the controls get accessible
// interfaces that name them and say their state (call after MakePressable).
void MakePressable(QWidget *w, int panel, int control);
void GiveAccessibleInterface(QWidget *w);
// A control shown or hidden by the program (ATTR_VISIBLE). A pressable control that holds
// the keyboard focus is blanked instead of hidden, so that blinking does not move the
// focus away from it; it counts as hidden all the same.
void ShowControl(QWidget *w, bool visible);
bool ControlShown(const QWidget *w);
