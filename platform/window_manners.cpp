// The resource's dialogs are plain widgets, not QDialogs, so none of a dialog's manners
// come with them; these give them the three a user notices first.
#include "platform/window_manners.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace {

const char *const kPlaced = "chPlaced";

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

QWidget *ActiveWindowBesides(QWidget *window) {
    QWidget *active = QApplication::activeWindow();
    if (active != nullptr && active != window && active->isVisible()) return active;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != window && w->isVisible() && w->windowType() == Qt::Window) return w;
    return nullptr;
}

QRect FreeAreaFor(const QWidget *anchor, const QWidget *window) {
    QScreen *screen = anchor != nullptr ? anchor->screen() : window->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// The frame's top-left such that the whole frame lies inside the free area (its top-left
// corner wins when the window is larger than the area).
QPoint Clamped(QPoint top_left, QSize frame, const QRect &area) {
    const int x = std::max(area.left(), std::min(top_left.x(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(top_left.y(), area.bottom() + 1 - frame.height()));
    return {x, y};
}

}  // namespace

void GiveKeysToButtons(QWidget *window) {
    QPushButton *ok = ButtonEndingIn(window, "_OK");
    QPushButton *cancel = ButtonEndingIn(window, "_CANCEL");
    if (ok == nullptr && cancel == nullptr) return;
    window->installEventFilter(new DialogKeys(window, ok, cancel));
}

void PlaceOverActiveWindow(QWidget *window) {
    if (window == nullptr || !window->isWindow()) return;
    QWidget *anchor = ActiveWindowBesides(window);
    const QRect area = FreeAreaFor(anchor, window);
    if (area.isEmpty()) return;
    // A window larger than the area keeps its size (its layout needs it) and starts at
    // the area's corner, so that its title bar and first controls are reachable.
    const QSize frame = window->frameGeometry().size().expandedTo(window->size());
    QPoint top_left = window->frameGeometry().topLeft();
    if (!window->property(kPlaced).toBool()) {
        const QRect over = anchor != nullptr ? anchor->frameGeometry() : area;
        top_left = over.center() - QPoint(frame.width() / 2, frame.height() / 2);
        window->setProperty(kPlaced, true);
    }
    window->move(Clamped(top_left, frame, area));
    if (anchor == nullptr || anchor->windowHandle() == nullptr) return;
    (void)window->winId();  // the native window, so that the window system learns the owner
    if (window->windowHandle() != nullptr) window->windowHandle()->setTransientParent(anchor->windowHandle());
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
