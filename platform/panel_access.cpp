// Controls for the keyboard and for screen readers. Labels and pictures that the
// resource gives a callback are commands, but Qt sees only text and paint in them: here
// they take the Tab focus, show it with a frame, answer Space and Enter as a click, and
// offer a press action over the accessibility bus. The panels' labels and pictures also
// get accessible interfaces that say what they show: a value label is read with the
// name the program gave it (or the label whose buddy it is) before its text, and a
// picture or lamp with its name and its state in words.
#include "platform/panel_store.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QTextDocument>

namespace {

// A pressable control whose blink hid it while it had the focus: it stays in place,
// painted as its focus frame only, until it is shown again or loses the focus.
const char *const kBlanked = "chBlanked";
// Found by name: without Q_OBJECT a cast cannot tell the filter from the control's others.
const char *const kPressableName = "chPressable";

class Pressable : public QObject {
public:
    Pressable(int panel, int control, QWidget *w) : QObject(w), panel_(panel), control_(control) {
        setObjectName(QLatin1String(kPressableName));
    }

    // As a click in the middle of the control, so the callbacks need no keyboard case.
    void Press() const {
        const auto *w = static_cast<QWidget *>(parent());
        if (!w->isEnabled()) return;
        const QPoint middle = w->rect().center();
        FireControlEvent(panel_, control_, EVENT_LEFT_CLICK, middle.y(), middle.x());
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        auto *w = static_cast<QWidget *>(watched);
        switch (event->type()) {
        case QEvent::KeyPress: return Key(static_cast<QKeyEvent *>(event));
        case QEvent::FocusIn: w->update(); break;
        case QEvent::FocusOut:
            if (w->property(kBlanked).toBool()) {
                w->setProperty(kBlanked, false);
                w->hide();
            }
            w->update();
            break;
        case QEvent::Paint: return Paint(w, static_cast<QPaintEvent *>(event));
        default: break;
        }
        return false;
    }

private:
    bool Key(const QKeyEvent *key) const {
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Return &&
            key->key() != Qt::Key_Enter && key->key() != Qt::Key_Select)
            return false;
        // Holding the key down opens the dialog once.
        if (!key->isAutoRepeat()) Press();
        return true;
    }

    // The control paints itself, then the frame that shows where the keyboard is: a
    // bell or a label draws no focus of its own. As on buttons, a click shows no frame.
    static bool Paint(QWidget *w, QPaintEvent *event) {
        const bool blanked = w->property(kBlanked).toBool();
        const bool framed = w->hasFocus() && w->window()->testAttribute(Qt::WA_KeyboardFocusChange);
        if (!framed && !blanked) return false;
        // QWidget::event is protected; through QObject it is the same virtual call.
        if (!blanked) static_cast<QObject *>(w)->event(event);
        if (!framed) return true;
        QPainter p(w);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(w->palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(w->rect()).adjusted(1, 1, -1, -1), 3, 3);
        return true;
    }

    int panel_;
    int control_;
};

Pressable *PressableOf(const QWidget *w) {
    QObject *child = w->findChild<QObject *>(QLatin1String(kPressableName), Qt::FindDirectChildrenOnly);
    return static_cast<Pressable *>(child);
}

// A label's text as one line: rich text and line breaks read badly.
QString SpokenText(const QLabel *label) {
    QString text = label->text();
    if (Qt::mightBeRichText(text)) {
        QTextDocument doc;
        doc.setHtml(text);
        text = doc.toPlainText();
    }
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QStringLiteral(", ")).simplified();
}

// The label that names this one (its buddy is this one), next to it in its parent.
QString NamingLabelText(const QWidget *w) {
    const QWidget *parent = w->parentWidget();
    if (parent == nullptr) return QString();
    for (const QLabel *l : parent->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
        if (l->buddy() == w) return SpokenText(l);
    return QString();
}

class ControlAccess : public QAccessibleWidget {
public:
    ControlAccess(QWidget *w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        const QWidget *w = widget();
        if (t == QAccessible::Name) return Name(w);
        if (t == QAccessible::Description && !w->accessibleDescription().isEmpty())
            return w->accessibleDescription();
        return QAccessibleWidget::text(t);
    }

    QAccessible::Role role() const override {
        return PressableOf(widget()) != nullptr ? QAccessible::Button : QAccessibleWidget::role();
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (PressableOf(widget()) != nullptr && widget()->isEnabled()) names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &action) override {
        if (action == pressAction()) {
            if (const Pressable *p = PressableOf(widget())) p->Press();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString &action) const override {
        if (action == pressAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    QString Name(const QWidget *w) const {
        QString title = w->accessibleName();
        const auto *label = qobject_cast<const QLabel *>(w);
        if (label == nullptr) return title.isEmpty() ? QAccessibleWidget::text(QAccessible::Name) : title;
        if (title.isEmpty()) title = NamingLabelText(w);
        const QString own = SpokenText(label);
        if (title.isEmpty()) return own;
        if (own.isEmpty()) return title;
        return title + QStringLiteral(", ") + own;
    }
};

}  // namespace

// Qt's own interfaces answer for every QLabel before any installed factory is asked, so
// the interface is put into the accessibility cache for the control itself, in place of
// any that a screen reader made while the panel was built.
void GiveAccessibleInterface(QWidget *w) {
    QAccessible::Role role = QAccessible::StaticText;
    if (qobject_cast<QLabel *>(w) == nullptr) {
        if (FindWidgetClass(QString::fromLatin1(w->metaObject()->className())) == nullptr) return;
        const bool lamp = w->metaObject()->indexOfProperty("onColor") >= 0;
        role = lamp ? QAccessible::Indicator : QAccessible::Graphic;
    }
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(w))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    QAccessible::registerAccessibleInterface(new ControlAccess(w, role));
}

void MakePressable(QWidget *w, int panel, int control) {
    if (PressableOf(w) != nullptr) return;
    w->installEventFilter(new Pressable(panel, control, w));
    w->setFocusPolicy(Qt::StrongFocus);
}

void ShowControl(QWidget *w, bool visible) {
    const bool blanked = w->property(kBlanked).toBool();
    if (visible) {
        if (blanked) {
            w->setProperty(kBlanked, false);
            w->update();
        }
        w->setVisible(true);
        return;
    }
    // Hiding the control would send the keyboard on to the next one at every blink (also
    // while another program's window is in front).
    if (w->window()->focusWidget() == w && PressableOf(w) != nullptr) {
        if (!blanked) {
            w->setProperty(kBlanked, true);
            w->update();
        }
        return;
    }
    w->setVisible(false);
}

bool ControlShown(const QWidget *w) { return !w->isHidden() && !w->property(kBlanked).toBool(); }
