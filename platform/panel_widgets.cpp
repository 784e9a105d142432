// Building a panel's widgets with Qt's form loader and turning what the user does to
// them into the engine's control events. Timers in the file get an invisible stand-in
// widget (their real timer is made by the timer module); classes registered by app/ are
// made by their factories. Values written by the program are written with the control's
// signals blocked, so only the user's actions reach the callbacks.
#include "platform/panel_store.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTableWidget>
#include <QUiLoader>

namespace {

const char *const kTimerMark = "chTimerStandIn";

class PanelLoader : public QUiLoader {
public:
    QWidget *createWidget(const QString &class_name, QWidget *parent,
                          const QString &name) override {
        if (WidgetFactory factory = FindWidgetClass(class_name)) {
            QWidget *w = factory(parent);
            if (w != nullptr) w->setObjectName(name);
            return w;
        }
        if (class_name == QLatin1String("CVITimer")) {
            auto *w = new QWidget(parent);
            w->setObjectName(name);
            w->setProperty(kTimerMark, true);
            w->setFixedSize(0, 0);
            w->hide();
            return w;
        }
        if (QWidget *w = QUiLoader::createWidget(class_name, parent, name)) return w;
        // A class nobody registered still takes its place (its value calls then fail),
        // so that one missing widget class does not lose the whole panel.
        auto *w = new QWidget(parent);
        w->setObjectName(name);
        return w;
    }
};

// Mouse clicks on a control become its double-click and right-click events.
class ClickFilter : public QObject {
public:
    ClickFilter(int panel, int control, QObject *parent)
        : QObject(parent), panel_(panel), control_(control) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::MouseButtonDblClick || event->type() == QEvent::MouseButtonPress) {
            const auto *me = static_cast<QMouseEvent *>(event);
            const QPoint at = me->position().toPoint();
            if (event->type() == QEvent::MouseButtonDblClick && me->button() == Qt::LeftButton)
                FireControlEvent(panel_, control_, EVENT_LEFT_DOUBLE_CLICK, at.y(), at.x());
            if (event->type() == QEvent::MouseButtonPress && me->button() == Qt::RightButton)
                FireControlEvent(panel_, control_, EVENT_RIGHT_CLICK, at.y(), at.x());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    int panel_;
    int control_;
};

// The user's close of a panel window goes to the panel's callback, which decides.
class CloseFilter : public QObject {
public:
    CloseFilter(int panel, std::string callback, QObject *parent)
        : QObject(parent), panel_(panel), callback_(std::move(callback)) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Close) return QObject::eventFilter(watched, event);
        CtrlCallbackPtr cb = FindCallback(callback_);
        if (cb == nullptr) return QObject::eventFilter(watched, event);
        event->ignore();
        const CallbackScope scope;
        cb(panel_, 0, EVENT_CLOSE, nullptr, 0, 0);
        return true;
    }

private:
    int panel_;
    std::string callback_;
};

void ValueThenCommit(int panel, int control) {
    FireControlEvent(panel, control, EVENT_VAL_CHANGED, 0, 0);
    FireControlEvent(panel, control, EVENT_COMMIT, 0, 0);
}

// A table whose resource asks for it sizes its columns to their titles and cells, so
// that titles in any language and values in any unit are shown whole, and shares its
// height out among its rows, so that a fixed page of rows always fills it.
void FitTable(QWidget *w) {
    auto *t = qobject_cast<QTableWidget *>(w);
    if (t == nullptr) return;
    if (t->property("fitColumns").toBool())
        t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (t->property("fillRows").toBool())
        t->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

void Wire(QWidget *w, int panel, int control) {
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        QObject::connect(b, &QAbstractButton::clicked, b, [b, panel, control] {
            if (b->isCheckable()) FireControlEvent(panel, control, EVENT_VAL_CHANGED, 0, 0);
            FireControlEvent(panel, control, EVENT_COMMIT, 0, 0);
        });
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        QObject::connect(c, &QComboBox::activated, c, [panel, control] { ValueThenCommit(panel, control); });
    } else if (auto *s = qobject_cast<QSpinBox *>(w)) {
        // Without keyboard tracking a value counts once it is entered, not per keystroke.
        s->setKeyboardTracking(false);
        QObject::connect(s, &QSpinBox::valueChanged, s, [panel, control] { ValueThenCommit(panel, control); });
    } else if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        d->setKeyboardTracking(false);
        QObject::connect(d, &QDoubleSpinBox::valueChanged, d, [panel, control] { ValueThenCommit(panel, control); });
    } else if (auto *sl = qobject_cast<QAbstractSlider *>(w)) {
        sl->setTracking(false);
        QObject::connect(sl, &QAbstractSlider::valueChanged, sl, [panel, control] { ValueThenCommit(panel, control); });
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        QObject::connect(e, &QLineEdit::textEdited, e, [panel, control] {
            FireControlEvent(panel, control, EVENT_VAL_CHANGED, 0, 0);
        });
        QObject::connect(e, &QLineEdit::editingFinished, e, [e, panel, control] {
            if (!e->isModified()) return;
            e->setModified(false);
            FireControlEvent(panel, control, EVENT_COMMIT, 0, 0);
        });
    }
    if (w->property("callback").isValid()) {
        w->installEventFilter(new ClickFilter(panel, control, w));
        // A right click is the control's event, not a context menu.
        w->setContextMenuPolicy(Qt::PreventContextMenu);
    }
}

}  // namespace

QWidget *BuildPanelWidgets(const std::string &ui, const std::string &resource_dir,
                           QWidget *parent) {
    PanelLoader loader;
    loader.setWorkingDirectory(QDir(QString::fromStdString(resource_dir)));
    QByteArray bytes = QByteArray::fromStdString(ui);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return loader.load(&buffer, parent);
}

void CollectControls(Panel &panel) {
    QWidget *root = panel.widget;
    if (root == nullptr) return;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (w->property(kTimerMark).isValid()) continue;
        bool ok = false;
        const int id = w->property("ctrlId").toInt(&ok);
        if (!ok || id == 0) continue;
        panel.controls[id] = w;
        Wire(w, panel.handle, id);
        FitTable(w);
    }
    if (root->isWindow() && !panel.callback.empty())
        root->installEventFilter(new CloseFilter(panel.handle, panel.callback, root));
}

void FireControlEvent(int panel, int control, int event, int data1, int data2) {
    int error = 0;
    const std::shared_ptr<Panel> p = OwnPanel(panel, &error);
    if (p == nullptr) return;
    const auto it = p->controls.find(control);
    if (it == p->controls.end() || it->second == nullptr) return;
    const std::string name = it->second->property("callback").toString().toStdString();
    if (CtrlCallbackPtr cb = FindCallback(name)) {
        const CallbackScope scope;
        cb(panel, control, event, nullptr, data1, data2);
    }
}
