// Building a panel's widgets with Qt's form loader and turning what the user does to
// them into the engine's control events. Timers in the file get an invisible stand-in
// widget (their real timer is made by the timer module); classes registered by windows/ are
// made by their factories. Values written by the program are written with the control's
// signals blocked, so only the user's actions reach the callbacks.
#include "platform/panel_store.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QAbstractSlider>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPalette>
#include <QSpinBox>
#include <QTableWidget>
#include <QUiLoader>
#include <QWheelEvent>

namespace {

const char *const kTimerMark = "chTimerStandIn";
// Main thread only: whether number fields use a decimal comma.
bool number_comma = false;

QLocale NumberLocale() {
    QLocale locale = number_comma ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c();
    // A separator between thousands would only make "1.013" ambiguous.
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

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

// Mouse clicks on a control become its click, double-click and right-click events.
class ClickFilter : public QObject {
public:
    ClickFilter(int panel, int control, QObject *parent)
        : QObject(parent), panel_(panel), control_(control) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::MouseButtonDblClick || event->type() == QEvent::MouseButtonPress) {
            const auto *me = static_cast<QMouseEvent *>(event);
            const QPoint at = me->position().toPoint();
            const bool press = event->type() == QEvent::MouseButtonPress;
            if (me->button() == Qt::LeftButton)
                FireControlEvent(panel_, control_, press ? EVENT_LEFT_CLICK : EVENT_LEFT_DOUBLE_CLICK,
                                 at.y(), at.x());
            if (press && me->button() == Qt::RightButton)
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

// Wheel and paging keys on a table whose rows a scroll bar pages move that scroll bar,
// whose own callback fills the table: a wheel notch moves by the system's wheel lines,
// Page Up and Page Down by the table's rows, Ctrl+Home and Ctrl+End to either end.
class PagingFilter : public QObject {
public:
    PagingFilter(QTableWidget *table, QAbstractSlider *bar)
        : QObject(table), table_(table), bar_(bar) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (bar_ == nullptr || !bar_->isEnabled()) return QObject::eventFilter(watched, event);
        if (event->type() == QEvent::Wheel) {
            // Fine-grained wheels (touchpads) add up to whole rows.
            wheel_ += static_cast<QWheelEvent *>(event)->angleDelta().y();
            const int rows = wheel_ * QApplication::wheelScrollLines() / 120;
            if (rows != 0) {
                wheel_ -= rows * 120 / QApplication::wheelScrollLines();
                bar_->setValue(bar_->value() - rows);
            }
            return true;
        }
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        const int page = table_->rowCount();
        switch (key->key()) {
        case Qt::Key_PageUp: bar_->setValue(bar_->value() - page); return true;
        case Qt::Key_PageDown: bar_->setValue(bar_->value() + page); return true;
        case Qt::Key_Home:
            if (!ctrl) break;
            bar_->setValue(bar_->minimum());
            return true;
        case Qt::Key_End:
            if (!ctrl) break;
            bar_->setValue(bar_->maximum());
            return true;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTableWidget *table_;
    QPointer<QAbstractSlider> bar_;
    int wheel_ = 0;
};

// A table with the property `pagedBy` (the ctrlId of a scroll bar of its panel) is paged
// by that scroll bar.
void PageTableByScrollBar(Panel &panel, QWidget *w) {
    auto *t = qobject_cast<QTableWidget *>(w);
    if (t == nullptr || !t->property("pagedBy").isValid()) return;
    const auto it = panel.controls.find(t->property("pagedBy").toInt());
    auto *bar = it != panel.controls.end() ? qobject_cast<QAbstractSlider *>(it->second.data()) : nullptr;
    if (bar == nullptr) return;
    auto *filter = new PagingFilter(t, bar);
    t->installEventFilter(filter);
    t->viewport()->installEventFilter(filter);
}

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

// A field that takes no input must not look like one: no frame, no field colour, no
// keyboard focus.
void ShowReadOnly(QWidget *w) {
    const auto *spin = qobject_cast<QAbstractSpinBox *>(w);
    const auto *edit = qobject_cast<QLineEdit *>(w);
    if (!(spin != nullptr && spin->isReadOnly()) && !(edit != nullptr && edit->isReadOnly())) return;
    if (auto *s = qobject_cast<QAbstractSpinBox *>(w)) s->setFrame(false);
    if (auto *e = qobject_cast<QLineEdit *>(w)) e->setFrame(false);
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    w->setPalette(palette);
    w->setFocusPolicy(Qt::NoFocus);
}

// A control with the property `keepPlace` keeps its room while hidden, so that the
// panel around it does not move when it comes and goes.
void KeepPlace(QWidget *w) {
    if (!w->property("keepPlace").toBool()) return;
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

void Wire(QWidget *w, int panel, int control) {
    ShowReadOnly(w);
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
        d->setLocale(NumberLocale());
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
        // Labels and pictures take no input of their own: a callback makes them commands.
        if (qobject_cast<QLabel *>(w) != nullptr || FindWidgetClass(w->metaObject()->className()) != nullptr) {
            w->setCursor(Qt::PointingHandCursor);
            MakePressable(w, panel, control);
        }
    }
}

}  // namespace

void SetNumberFieldsDecimalComma(int comma) {
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) == nullptr) return;
    number_comma = comma != 0;
    const QLocale locale = NumberLocale();
    for (QWidget *w : QApplication::allWidgets())
        if (auto *d = qobject_cast<QDoubleSpinBox *>(w); d != nullptr && d->property("ctrlId").isValid())
            d->setLocale(locale);
}

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
        GiveAccessibleInterface(w);
        FitTable(w);
        KeepPlace(w);
    }
    for (const auto &[id, w] : panel.controls)
        if (w != nullptr) PageTableByScrollBar(panel, w);
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

int CallCtrlCallback(int panel, int control, int event, int data1, int data2) {
    int error = 0;
    const std::shared_ptr<Panel> p = OwnPanel(panel, &error);
    if (p == nullptr) return error;
    if (p->controls.find(control) == p->controls.end()) return kUIErrControl;
    FireControlEvent(panel, control, event, data1, data2);
    return 0;
}
