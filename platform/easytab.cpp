// Pages are the panels' own widgets moved into a QTabWidget, so their controls keep
// answering to the page handles. A page's tab text follows its window title, which is
// what SetPanelAttribute(ATTR_TITLE) changes when a language is applied.
#include "platform/easytab.h"

#include <QEvent>
#include <QTabWidget>

#include "platform/panel_store.h"

namespace {

QTabWidget *TabOf(int panel, int control, int *error) {
    const std::shared_ptr<Panel> p = OwnPanel(panel, error);
    if (p == nullptr) return nullptr;
    const auto it = p->controls.find(control);
    if (it == p->controls.end() || it->second == nullptr) {
        *error = kUIErrControl;
        return nullptr;
    }
    auto *tab = qobject_cast<QTabWidget *>(it->second.data());
    if (tab == nullptr) *error = kUIErrAttribute;
    return tab;
}

// Keeps a page's tab text equal to the page's window title.
class TitleFollower : public QObject {
public:
    TitleFollower(QTabWidget *tab, QWidget *page) : QObject(page), tab_(tab), page_(page) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == page_ && event->type() == QEvent::WindowTitleChange && tab_ != nullptr) {
            const int index = tab_->indexOf(page_);
            if (index >= 0) tab_->setTabText(index, page_->windowTitle());
        }
        return false;
    }

private:
    QPointer<QTabWidget> tab_;
    QWidget *page_;
};

}  // namespace

int EasyTab_ConvertFromCanvas(int panel, int control) {
    int error = 0;
    return TabOf(panel, control, &error) != nullptr ? control : error;
}

int EasyTab_AddPanel(int panel, int tab_control, int page) {
    int error = 0;
    QTabWidget *tab = TabOf(panel, tab_control, &error);
    if (tab == nullptr) return error;
    const std::shared_ptr<Panel> p = OwnPanel(page, &error);
    if (p == nullptr) return error;
    if (p->widget == nullptr) return kUIErrThread;
    QWidget *w = p->widget;
    tab->addTab(w, w->windowTitle());
    w->installEventFilter(new TitleFollower(tab, w));
    // The panel was loaded hidden; the tab widget shows a page when it is chosen.
    if (tab->currentWidget() == w) w->show();
    return 0;
}

int EasyTab_GetPageCount(int panel, int tab_control) {
    int error = 0;
    QTabWidget *tab = TabOf(panel, tab_control, &error);
    return tab != nullptr ? tab->count() : error;
}
