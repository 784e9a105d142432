// Tab pages that are panels: the settings dialog keeps each group of settings on a panel
// of its own in the resource file, and shows them as the pages of one tab widget. The
// page widget moves into the tab widget; its panel stays registered (as a child of the
// dialog's panel), so its controls are reached by its handle as before.
#include "platform/easytab.h"

#include <QEvent>
#include <QTabWidget>

#include "platform/panel_store.h"

namespace {

// Keeps a tab's text equal to its page's title.
class TabTitleFollower : public QObject {
public:
    TabTitleFollower(QTabWidget *tabs, QWidget *page) : QObject(page), tabs_(tabs), page_(page) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::WindowTitleChange && tabs_ != nullptr) {
            const int index = tabs_->indexOf(page_);
            if (index >= 0) tabs_->setTabText(index, page_->windowTitle());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QTabWidget> tabs_;
    QWidget *page_;
};

int FindTabs(int panel, int control, QTabWidget **tabs) {
    int error = 0;
    const std::shared_ptr<Panel> p = OwnPanel(panel, &error);
    if (p == nullptr) return error;
    const auto it = p->controls.find(control);
    if (it == p->controls.end() || it->second == nullptr) return kUIErrControl;
    *tabs = qobject_cast<QTabWidget *>(it->second.data());
    return *tabs != nullptr ? 0 : kUIErrAttribute;
}

}  // namespace

int EasyTab_ConvertFromCanvas(int panel, int control) {
    QTabWidget *tabs = nullptr;
    if (const int e = FindTabs(panel, control, &tabs); e < 0) return e;
    return control;
}

int EasyTab_LoadPanels(int panel, int tab_control, const char *file_name,
                       const EasyTabPage *pages, int count) {
    QTabWidget *tabs = nullptr;
    if (const int e = FindTabs(panel, tab_control, &tabs); e < 0) return e;
    if (pages == nullptr || count < 0) return kUIErrValue;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const int handle = LoadPanel(panel, file_name, pages[i].resource_id);
        int error = 0;
        const std::shared_ptr<Panel> page = handle > 0 ? OwnPanel(handle, &error) : nullptr;
        if (page == nullptr || page->widget == nullptr) {
            ++failures;
            continue;
        }
        QWidget *w = page->widget;
        tabs->addTab(w, w->windowTitle());
        w->installEventFilter(new TabTitleFollower(tabs, w));
        if (pages[i].handle != nullptr) *pages[i].handle = handle;
    }
    return -failures;
}
