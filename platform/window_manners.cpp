// The resource's dialogs are plain widgets, not QDialogs, so none of a dialog's manners
// come with them; these give them the keys and the cursor a user expects.
#include "platform/window_manners.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

QPushButton *ButtonEndingIn(QWidget *window, const char *suffix) {
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->objectName().endsWith(QLatin1String(suffix))) return b;
    return nullptr;
}

bool Press(QPushButton *button) {
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) return false;
    button->click();
    return true;
}

// Sees the keys that the fields let through (a line edit and a spin box take their text
// on Return and pass the key on), as a dialog's default button would.
class DialogKeys : public QObject {
public:
    DialogKeys(QWidget *window, QPushButton *ok, QPushButton *cancel)
        : QObject(window), ok_(ok), cancel_(cancel) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != parent() || event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) return Press(cancel_);
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        auto *focused = qobject_cast<QPushButton *>(static_cast<QWidget *>(parent())->focusWidget());
        if (focused != nullptr) return Press(focused);
        return Press(ok_);
    }

private:
    QPushButton *ok_;
    QPushButton *cancel_;
};

}  // namespace

void GiveKeysToButtons(QWidget *window) {
    QPushButton *ok = ButtonEndingIn(window, "_OK");
    QPushButton *cancel = ButtonEndingIn(window, "_CANCEL");
    if (ok == nullptr && cancel == nullptr) return;
    window->installEventFilter(new DialogKeys(window, ok, cancel));
}

void FocusFirstField(QWidget *window) {
    QWidget *w = window->nextInFocusChain();
    for (int guard = 0; w != nullptr && w != window && guard < 1000; ++guard, w = w->nextInFocusChain()) {
        const bool field = qobject_cast<QLineEdit *>(w) != nullptr ||
                           qobject_cast<QAbstractSpinBox *>(w) != nullptr ||
                           qobject_cast<QComboBox *>(w) != nullptr;
        if (!field || !w->isEnabled() || !w->isVisibleTo(window) || w->window() != window) continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
}
