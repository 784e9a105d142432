// Values and attributes of controls, by widget kind. The system reads and writes its
// controls as ints, doubles and texts whatever widget stands behind them; this module
// maps each of those onto the widget's own notion of a value. Timers are controls too
// and are handed to the timer module.
#include "platform/panel_store.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextEdit>
#include <cmath>
#include <cstdio>

namespace {

// What a call needs: the widget of a control, or the timer, on the caller's panel.
struct Target {
    std::shared_ptr<Panel> panel;
    QWidget *widget = nullptr;
    TimerControl *timer = nullptr;
};

int Find(int panel, int control, Target *t) {
    int error = 0;
    t->panel = OwnPanel(panel, &error);
    if (t->panel == nullptr) return error;
    if (const auto it = t->panel->timers.find(control); it != t->panel->timers.end()) {
        t->timer = &it->second;
        return 0;
    }
    const auto it = t->panel->controls.find(control);
    if (it == t->panel->controls.end() || it->second == nullptr) return kUIErrControl;
    t->widget = it->second;
    return 0;
}

// The control's widget only (not a timer).
int FindWidget(int panel, int control, QWidget **w) {
    Target t;
    if (const int e = Find(panel, control, &t); e < 0) return e;
    if (t.widget == nullptr) return kUIErrAttribute;
    *w = t.widget;
    return 0;
}

// A property the widget's class declares (setProperty would make any other one up).
bool HasProperty(const QWidget *w, const char *name) {
    return w->metaObject()->indexOfProperty(name) >= 0;
}

bool IsText(QWidget *w) {
    return qobject_cast<QLabel *>(w) || qobject_cast<QLineEdit *>(w) ||
           qobject_cast<QTextEdit *>(w) || qobject_cast<QPlainTextEdit *>(w);
}

QString TextOf(QWidget *w) {
    if (auto *l = qobject_cast<QLabel *>(w)) return l->text();
    if (auto *e = qobject_cast<QLineEdit *>(w)) return e->text();
    if (auto *t = qobject_cast<QTextEdit *>(w)) return t->toPlainText();
    if (auto *p = qobject_cast<QPlainTextEdit *>(w)) return p->toPlainText();
    if (auto *c = qobject_cast<QComboBox *>(w)) return c->currentText();
    if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->text();
    if (auto *s = qobject_cast<QAbstractSpinBox *>(w)) return s->text();
    if (auto *g = qobject_cast<QGroupBox *>(w)) return g->title();
    if (HasProperty(w, "text")) return w->property("text").toString();
    return w->property("value").toString();
}

void SetText(QWidget *w, const QString &text) {
    if (auto *l = qobject_cast<QLabel *>(w)) l->setText(text);
    else if (auto *e = qobject_cast<QLineEdit *>(w)) e->setText(text);
    else if (auto *t = qobject_cast<QTextEdit *>(w)) t->setPlainText(text);
    else if (auto *p = qobject_cast<QPlainTextEdit *>(w)) p->setPlainText(text);
}

QString NumberText(QWidget *w, double value) {
    bool ok = false;
    const int precision = w->property("precision").toInt(&ok);
    if (ok && precision >= 0) return QString::number(value, 'f', precision);
    return QString::number(value, 'g', 15);
}

// The value of combo box item i: the one given by InsertListItem, else its position.
int ItemValue(const QComboBox *c, int i) {
    bool ok = false;
    const int v = c->itemData(i).toInt(&ok);
    return ok ? v : i;
}

int SelectItemByValue(QComboBox *c, int value) {
    for (int i = 0; i < c->count(); ++i) {
        if (ItemValue(c, i) != value) continue;
        c->setCurrentIndex(i);
        return 0;
    }
    return kUIErrValue;
}

// Sets a number on whatever widget; checks and rounding as the widget needs.
int SetNumber(QWidget *w, double value) {
    const QSignalBlocker block(w);
    const int rounded = static_cast<int>(std::lround(value));
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        if (!b->isCheckable()) return kUIErrAttribute;
        b->setChecked(value != 0);
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        return SelectItemByValue(c, rounded);
    } else if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        d->setValue(value);
    } else if (auto *s = qobject_cast<QSpinBox *>(w)) {
        s->setValue(rounded);
    } else if (auto *sl = qobject_cast<QAbstractSlider *>(w)) {
        sl->setValue(rounded);
    } else if (auto *pb = qobject_cast<QProgressBar *>(w)) {
        pb->setValue(rounded);
    } else if (auto *lcd = qobject_cast<QLCDNumber *>(w)) {
        lcd->display(value);
    } else if (IsText(w)) {
        SetText(w, NumberText(w, value));
    } else if (!HasProperty(w, "value") || !w->setProperty("value", value)) {
        return kUIErrAttribute;  // a custom widget without a value property
    }
    return 0;
}

int GetNumber(QWidget *w, double *value) {
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        if (!b->isCheckable()) return kUIErrAttribute;
        *value = b->isChecked() ? 1 : 0;
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (c->currentIndex() < 0) return kUIErrValue;
        *value = ItemValue(c, c->currentIndex());
    } else if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        // What the user typed counts, also before the field was left.
        const QSignalBlocker block(d);
        d->interpretText();
        *value = d->value();
    } else if (auto *s = qobject_cast<QSpinBox *>(w)) {
        *value = s->value();
    } else if (auto *sl = qobject_cast<QAbstractSlider *>(w)) {
        *value = sl->value();
    } else if (auto *pb = qobject_cast<QProgressBar *>(w)) {
        *value = pb->value();
    } else if (auto *lcd = qobject_cast<QLCDNumber *>(w)) {
        *value = lcd->value();
    } else if (IsText(w)) {
        bool ok = false;
        *value = TextOf(w).trimmed().toDouble(&ok);
        if (!ok) return kUIErrValue;
    } else {
        bool ok = false;
        if (HasProperty(w, "value")) *value = w->property("value").toDouble(&ok);
        if (!ok) return kUIErrAttribute;
    }
    return 0;
}

int SetString(QWidget *w, const char *value) {
    const QString text = QString::fromUtf8(value);
    const QSignalBlocker block(w);
    if (IsText(w)) {
        SetText(w, text);
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        const int i = c->findText(text);
        if (i < 0) return kUIErrValue;
        c->setCurrentIndex(i);
    } else if (qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QAbstractSlider *>(w)) {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        if (!ok) return kUIErrValue;
        return SetNumber(w, number);
    } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        b->setText(text);
    } else if (!HasProperty(w, "text") || !w->setProperty("text", text)) {
        return kUIErrAttribute;
    }
    return 0;
}

// Lamps are given their colour on every blink: a palette set anew, even an equal one,
// makes Qt resolve it and repaint the widget and what lies under it, twice a second for
// every lamp. So an unchanged colour changes nothing. A colour merely inherited is set
// all the same, so that it stays when the parent's changes.
bool HasColour(const QWidget *w, const QColor &colour, bool background) {
    if (!w->testAttribute(Qt::WA_SetPalette)) return false;
    const QPalette &pal = w->palette();
    if (background)
        return w->autoFillBackground() && pal.color(QPalette::Window) == colour &&
               pal.color(QPalette::Base) == colour && pal.color(QPalette::Button) == colour;
    return pal.color(QPalette::WindowText) == colour && pal.color(QPalette::Text) == colour &&
           pal.color(QPalette::ButtonText) == colour;
}

void SetColour(QWidget *w, int rgb, bool background) {
    const QColor colour((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    if (HasColour(w, colour, background)) return;
    QPalette pal = w->palette();
    if (background) {
        pal.setColor(QPalette::Window, colour);
        pal.setColor(QPalette::Base, colour);
        pal.setColor(QPalette::Button, colour);
        w->setAutoFillBackground(true);
    } else {
        pal.setColor(QPalette::WindowText, colour);
        pal.setColor(QPalette::Text, colour);
        pal.setColor(QPalette::ButtonText, colour);
    }
    w->setPalette(pal);
}

int ColourOf(const QWidget *w, bool background) {
    const QColor c = w->palette().color(background ? QPalette::Window : QPalette::WindowText);
    return MakeColor(c.red(), c.green(), c.blue());
}

// A label that names this control (its buddy), for the label attribute of plain inputs.
QLabel *BuddyLabel(QWidget *w) {
    QWidget *root = w->window();
    for (QLabel *l : root->findChildren<QLabel *>())
        if (l->buddy() == w) return l;
    return nullptr;
}

int SetRange(QWidget *w, int attribute, double value) {
    const bool min = attribute == ATTR_MIN_VALUE;
    const int rounded = static_cast<int>(std::lround(value));
    // A value that the new range moves is not the user's doing: no event.
    const QSignalBlocker block(w);
    if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        min ? d->setMinimum(value) : d->setMaximum(value);
    } else if (auto *s = qobject_cast<QSpinBox *>(w)) {
        min ? s->setMinimum(rounded) : s->setMaximum(rounded);
    } else if (auto *sl = qobject_cast<QAbstractSlider *>(w)) {
        min ? sl->setMinimum(rounded) : sl->setMaximum(rounded);
    } else if (auto *pb = qobject_cast<QProgressBar *>(w)) {
        min ? pb->setMinimum(rounded) : pb->setMaximum(rounded);
    } else if (HasProperty(w, min ? "minimum" : "maximum")) {  // windows/ gauges
        w->setProperty(min ? "minimum" : "maximum", value);
    } else {
        return kUIErrAttribute;
    }
    return 0;
}

int GetRange(QWidget *w, int attribute, double *value) {
    const bool min = attribute == ATTR_MIN_VALUE;
    if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) *value = min ? d->minimum() : d->maximum();
    else if (auto *s = qobject_cast<QSpinBox *>(w)) *value = min ? s->minimum() : s->maximum();
    else if (auto *sl = qobject_cast<QAbstractSlider *>(w)) *value = min ? sl->minimum() : sl->maximum();
    else if (auto *pb = qobject_cast<QProgressBar *>(w)) *value = min ? pb->minimum() : pb->maximum();
    else if (HasProperty(w, min ? "minimum" : "maximum")) *value = w->property(min ? "minimum" : "maximum").toDouble();
    else return kUIErrAttribute;
    return 0;
}

int SetWidgetAttribute(QWidget *w, int attribute, double value) {
    const int v = static_cast<int>(std::lround(value));
    switch (attribute) {
    case ATTR_DIMMED: w->setEnabled(v == 0); return 0;
    case ATTR_VISIBLE: ShowControl(w, v != 0); return 0;
    case ATTR_TEXT_COLOR: SetColour(w, v, false); return 0;
    case ATTR_TEXT_BGCOLOR: SetColour(w, v, true); return 0;
    case ATTR_CTRL_VAL: return SetNumber(w, value);
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE: return SetRange(w, attribute, value);
    case ATTR_PAGE_STEP:
        if (v < 0) return kUIErrValue;
        if (auto *sl = qobject_cast<QAbstractSlider *>(w)) {
            sl->setPageStep(v);
            return 0;
        }
        return kUIErrAttribute;
    case ATTR_PRECISION:
        if (v < 0) return kUIErrValue;
        if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) d->setDecimals(v);
        else w->setProperty("precision", v);
        return 0;
    default: return kUIErrAttribute;
    }
}

int GetWidgetAttribute(QWidget *w, int attribute, double *value) {
    switch (attribute) {
    case ATTR_DIMMED: *value = w->isEnabled() ? 0 : 1; return 0;
    // Whether the control is shown when its panel is: the panel's own state is apart.
    case ATTR_VISIBLE: *value = ControlShown(w) ? 1 : 0; return 0;
    case ATTR_TEXT_COLOR: *value = ColourOf(w, false); return 0;
    case ATTR_TEXT_BGCOLOR: *value = ColourOf(w, true); return 0;
    case ATTR_CTRL_VAL: return GetNumber(w, value);
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE: return GetRange(w, attribute, value);
    case ATTR_PAGE_STEP: {
        const auto *sl = qobject_cast<QAbstractSlider *>(w);
        if (sl == nullptr) return kUIErrAttribute;
        *value = sl->pageStep();
        return 0;
    }
    case ATTR_PRECISION: {
        if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
            *value = d->decimals();
            return 0;
        }
        bool ok = false;
        const int p = w->property("precision").toInt(&ok);
        if (!ok) return kUIErrAttribute;
        *value = p;
        return 0;
    }
    default: return kUIErrAttribute;
    }
}

int SetAttribute(int panel, int control, int attribute, double value) {
    Target t;
    if (const int e = Find(panel, control, &t); e < 0) return e;
    if (t.timer != nullptr) return SetTimerAttribute(*t.timer, attribute, value);
    return SetWidgetAttribute(t.widget, attribute, value);
}

int GetAttribute(int panel, int control, int attribute, double *value) {
    if (value == nullptr) return kUIErrValue;
    Target t;
    if (const int e = Find(panel, control, &t); e < 0) return e;
    if (t.timer != nullptr) return GetTimerAttribute(*t.timer, attribute, value);
    return GetWidgetAttribute(t.widget, attribute, value);
}

int FindCombo(int panel, int control, QComboBox **c) {
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    *c = qobject_cast<QComboBox *>(w);
    return *c != nullptr ? 0 : kUIErrAttribute;
}

}  // namespace

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    return SetAttribute(panel, control, attribute, value);
}

int SetCtrlAttribute(int panel, int control, int attribute, double value) {
    return SetAttribute(panel, control, attribute, value);
}

int SetCtrlAttribute(int panel, int control, int attribute, const char *value) {
    if (value == nullptr) return kUIErrValue;
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    const QString text = QString::fromUtf8(value);
    switch (attribute) {
    case ATTR_TOOLTIP_TEXT: w->setToolTip(text); return 0;
    // Written only when changed: the blink timer says the states twice a second, and
    // each change is announced to screen readers.
    case ATTR_ACCESSIBLE_NAME:
        if (w->accessibleName() != text) w->setAccessibleName(text);
        return 0;
    case ATTR_ACCESSIBLE_DESCRIPTION:
        if (w->accessibleDescription() != text) w->setAccessibleDescription(text);
        return 0;
    case ATTR_CTRL_VAL: return SetString(w, value);
    case ATTR_LABEL_TEXT:
        if (auto *b = qobject_cast<QAbstractButton *>(w)) b->setText(text);
        else if (auto *g = qobject_cast<QGroupBox *>(w)) g->setTitle(text);
        else if (QLabel *l = BuddyLabel(w)) l->setText(text);
        else if (HasProperty(w, "label")) w->setProperty("label", text);
        else return kUIErrAttribute;
        return 0;
    default: return kUIErrAttribute;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int *value) {
    double v = 0;
    if (value == nullptr) return kUIErrValue;
    const int e = GetAttribute(panel, control, attribute, &v);
    if (e == 0) *value = static_cast<int>(std::lround(v));
    return e;
}

int GetCtrlAttribute(int panel, int control, int attribute, double *value) {
    return GetAttribute(panel, control, attribute, value);
}

int SetCtrlVal(int panel, int control, int value) {
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    return SetNumber(w, value);
}

int SetCtrlVal(int panel, int control, double value) {
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    return SetNumber(w, value);
}

int SetCtrlVal(int panel, int control, const char *value) {
    if (value == nullptr) return kUIErrValue;
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    return SetString(w, value);
}

int GetCtrlVal(int panel, int control, int *value) {
    if (value == nullptr) return kUIErrValue;
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    double v = 0;
    const int e = GetNumber(w, &v);
    if (e == 0) *value = static_cast<int>(std::lround(v));
    return e;
}

int GetCtrlVal(int panel, int control, double *value) {
    if (value == nullptr) return kUIErrValue;
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    return GetNumber(w, value);
}

int GetCtrlString(int panel, int control, char *buffer, int size) {
    if (buffer == nullptr || size <= 0) return kUIErrValue;
    buffer[0] = '\0';
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    const QByteArray text = TextOf(w).toUtf8();
    snprintf(buffer, static_cast<size_t>(size), "%s", text.constData());
    return 0;
}

int ClearListCtrl(int panel, int control) {
    QComboBox *c = nullptr;
    if (const int e = FindCombo(panel, control, &c); e < 0) return e;
    const QSignalBlocker block(c);
    c->clear();
    return 0;
}

int InsertListItem(int panel, int control, int index, const char *label, int value) {
    QComboBox *c = nullptr;
    if (const int e = FindCombo(panel, control, &c); e < 0) return e;
    if (label == nullptr || index < -1 || index > c->count()) return kUIErrValue;
    const QSignalBlocker block(c);
    c->insertItem(index < 0 ? c->count() : index, QString::fromUtf8(label), value);
    return 0;
}

int GetNumListItems(int panel, int control, int *count) {
    QComboBox *c = nullptr;
    if (const int e = FindCombo(panel, control, &c); e < 0) return e;
    if (count == nullptr) return kUIErrValue;
    *count = c->count();
    return 0;
}

int GetCtrlIndex(int panel, int control, int *index) {
    QComboBox *c = nullptr;
    if (const int e = FindCombo(panel, control, &c); e < 0) return e;
    if (index == nullptr) return kUIErrValue;
    *index = c->currentIndex();
    return 0;
}

int SetCtrlIndex(int panel, int control, int index) {
    QComboBox *c = nullptr;
    if (const int e = FindCombo(panel, control, &c); e < 0) return e;
    if (index < 0 || index >= c->count()) return kUIErrValue;
    const QSignalBlocker block(c);
    c->setCurrentIndex(index);
    return 0;
}

int SetActiveCtrl(int panel, int control) {
    QWidget *w = nullptr;
    if (const int e = FindWidget(panel, control, &w); e < 0) return e;
    w->setFocus(Qt::OtherFocusReason);
    return 0;
}
