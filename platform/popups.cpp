// Pop-ups on QMessageBox and QFileDialog, always shown by the main thread. A message
// from another thread (the communication thread cannot write the history file) is posted
// there and the sender carries on; the same message is not stacked while one is up.
// Questions from another thread wait for the main thread's answer. A test responder, or
// the offscreen platform, answers instead of a person.
#include "platform/popups.h"
#include "platform/engine.h"
#include "platform/runtime.h"
#include "platform/thread_context.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTranslator>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

std::atomic<PopupResponder> responder{nullptr};

std::mutex waiting_mutex;
std::set<std::string> waiting_messages;  // guarded: sent from other threads, not yet closed

bool NobodyToAsk() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

// Without a screen the message is the log: one line each, with the local time, so that
// a journal or a redirected stderr tells when the disc or the port failed.
void PrintStamped(const std::string &title, const std::string &message) {
    char stamp[32];
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string text = message;
    for (char &c : text)
        if (c == '\n' || c == '\r') c = ' ';
    fprintf(stderr, "%s %s: %s\n", stamp, title.c_str(), text.c_str());
    fflush(stderr);
}

const char *OrEmpty(const char *s) { return s != nullptr ? s : ""; }

// The window a pop-up belongs to: the modal dialog in front, else the active window. A
// pop-up with a parent opens centred over it instead of in a corner of the screen.
QWidget *ActiveTopLevel() {
    if (QWidget *modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Runs ask on the main thread and gives its answer; another thread waits for it while
// processing its own events, and is woken by the answer.
int AnswerFromMain(const std::function<int()> &ask) {
    if (OnMainThread()) return ask();
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> result = answer->get_future();
    const unsigned caller = CurrentThreadID();
    if (!PostToThread(MainThreadID(), [answer, ask, caller] {
            answer->set_value(ask());
            WakeThread(caller);
        }))
        return 0;
    while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        ProcessEventsFor(100);
    return result.get();
}

void ShowMessage(const std::string &title, const std::string &message) {
    if (PopupResponder r = responder.load()) {
        const PopupRequest request{POPUP_MESSAGE, title.c_str(), message.c_str(), "", "", ""};
        r(&request, nullptr, 0);
        return;
    }
    if (NobodyToAsk()) {
        PrintStamped(title, message);
        return;
    }
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title),
                    QString::fromStdString(message), QMessageBox::Ok, ActiveTopLevel());
    box.exec();
}

int AskConfirmation(const std::string &title, const std::string &message) {
    if (PopupResponder r = responder.load()) {
        const PopupRequest request{POPUP_CONFIRM, title.c_str(), message.c_str(), "", "", ""};
        return r(&request, nullptr, 0) != 0 ? 1 : 0;
    }
    if (NobodyToAsk()) return 0;
    const auto answer = QMessageBox::question(ActiveTopLevel(), QString::fromStdString(title),
                                              QString::fromStdString(message),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes ? 1 : 0;
}

struct FileRequest {
    std::string dir, file, filter, title;
    int button, restrict_ext, allow_cancel, allow_make_dir;
};

QStringList Patterns(const std::string &filter) {
    return QString::fromStdString(filter).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

// ".txt" from "*.txt"; "" when the first pattern names no single extension.
QString FirstExtension(const std::string &filter) {
    const QStringList patterns = Patterns(filter);
    if (patterns.isEmpty()) return QString();
    const QString first = patterns.first().trimmed();
    const QString rest = first.mid(2);
    if (!first.startsWith(QLatin1String("*.")) || rest.isEmpty() ||
        rest.contains(QLatin1Char('*')) || rest.contains(QLatin1Char('?')))
        return QString();
    return QLatin1Char('.') + rest;
}

// The accept button's text, in the language of Qt's own translations: Save and Open are
// the dialog's own (left to it), the others are taken from Qt's catalogues.
QString ButtonText(int button) {
    switch (button) {
    case VAL_SELECT_BUTTON: return QCoreApplication::translate("QFileDialog", "&Choose");
    case VAL_LOAD_BUTTON: return QCoreApplication::translate("QFileDialog", "&Open");
    case VAL_OK_BUTTON: return QCoreApplication::translate("QPlatformTheme", "OK");
    default: return QString();
    }
}

void SetUpFileDialog(QFileDialog *dialog, const FileRequest &rq) {
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);  // the caller asks itself
    dialog->setOption(QFileDialog::ReadOnly, rq.allow_make_dir == 0);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(rq.button == VAL_SAVE_BUTTON ? QFileDialog::AcceptSave
                                                       : QFileDialog::AcceptOpen);
    const QString accept = ButtonText(rq.button);
    if (!accept.isEmpty()) dialog->setLabelText(QFileDialog::Accept, accept);
    if (!rq.filter.empty()) dialog->setNameFilter(Patterns(rq.filter).join(QLatin1Char(' ')));
}

// The path the user chose, or "" for none.
QString PickWithDialog(const FileRequest &rq) {
    const QString dir = rq.dir.empty() ? QDir::currentPath() : QString::fromStdString(rq.dir);
    QFileDialog dialog(ActiveTopLevel(), QString::fromStdString(rq.title), dir);
    SetUpFileDialog(&dialog, rq);
    const QString file = QString::fromStdString(rq.file);
    if (!file.isEmpty() && !file.contains(QLatin1Char('*'))) dialog.selectFile(file);
    for (;;) {
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            return dialog.selectedFiles().first();
        if (rq.allow_cancel != 0) return QString();
    }
}

QString PickFile(const FileRequest &rq) {
    if (PopupResponder r = responder.load()) {
        char chosen[MAX_PATHNAME_LEN * 2] = {};
        const PopupRequest request{POPUP_FILE_SELECT, rq.title.c_str(), "", rq.dir.c_str(),
                                   rq.file.c_str(), rq.filter.c_str()};
        if (r(&request, chosen, sizeof chosen) == 0) return QString();
        return QString::fromUtf8(chosen);
    }
    if (NobodyToAsk()) return QString();
    return PickWithDialog(rq);
}

// On the main thread: the choice, completed and judged; 0 leaves path_out alone.
int SelectFile(const FileRequest &rq, std::string *path) {
    QString chosen = PickFile(rq);
    if (chosen.isEmpty()) return VAL_NO_FILE_SELECTED;
    const QString extension = FirstExtension(rq.filter);
    if (rq.restrict_ext != 0 && !extension.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
        chosen += extension;
    const QFileInfo info(chosen);
    *path = info.absoluteFilePath().toStdString();
    if (path->size() >= static_cast<size_t>(MAX_PATHNAME_LEN)) return VAL_NO_FILE_SELECTED;
    return info.exists() && !info.isDir() ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

}  // namespace

int MessagePopup(const char *title, const char *message) {
    const std::string t = OrEmpty(title), m = OrEmpty(message);
    if (OnMainThread()) {
        ShowMessage(t, m);
        return 0;
    }
    const std::string key = t + '\x1f' + m;
    {
        std::lock_guard lock(waiting_mutex);
        if (!waiting_messages.insert(key).second) return 0;  // already waiting or shown
    }
    const bool posted = PostToThread(MainThreadID(), [t, m, key] {
        ShowMessage(t, m);
        std::lock_guard lock(waiting_mutex);
        waiting_messages.erase(key);
    });
    if (!posted) {
        std::lock_guard lock(waiting_mutex);
        waiting_messages.erase(key);
    }
    return 0;
}

namespace {

struct KeyedBox {
    int key;
    QPointer<QMessageBox> box;
};
std::vector<KeyedBox> keyed_boxes;  // main thread only

void ShowKeyedMessage(int key, const std::string &title, const std::string &message) {
    if (PopupResponder r = responder.load()) {
        const PopupRequest request{POPUP_MESSAGE, title.c_str(), message.c_str(), "", "", ""};
        r(&request, nullptr, 0);
        return;
    }
    if (NobodyToAsk()) PrintStamped(title, message);
    if (IsHeadless()) return;
    CloseMessagePopups(key);  // a newer word on the same matter replaces the old one
    auto *box = new QMessageBox(QMessageBox::Information, QString::fromStdString(title),
                                QString::fromStdString(message), QMessageBox::Ok, ActiveTopLevel());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    keyed_boxes.push_back({key, box});
    box->show();
}

}  // namespace

void KeyedMessagePopup(int key, const char *title, const char *message) {
    const std::string t = OrEmpty(title), m = OrEmpty(message);
    if (OnMainThread()) {
        ShowKeyedMessage(key, t, m);
        return;
    }
    (void)PostToThread(MainThreadID(), [key, t, m] { ShowKeyedMessage(key, t, m); });
}

void CloseMessagePopups(int key) {
    std::vector<KeyedBox> open;
    for (KeyedBox &k : keyed_boxes) {
        if (k.box.isNull()) continue;
        if (k.key == key)
            k.box->close();
        else
            open.push_back(k);
    }
    keyed_boxes.swap(open);
}

int OpenMessagePopups(int key) {
    int count = 0;
    for (const KeyedBox &k : keyed_boxes)
        if (k.key == key && !k.box.isNull() && k.box->isVisible()) ++count;
    return count;
}

int ConfirmPopup(const char *title, const char *message) {
    const std::string t = OrEmpty(title), m = OrEmpty(message);
    return AnswerFromMain([t, m] { return AskConfirmation(t, m); });
}

int FileSelectPopup(const char *default_dir, const char *default_file, const char *filter,
                    const char *title, int button, int restrict_dir, int restrict_ext,
                    int allow_cancel, int allow_make_dir, char *path_out) {
    (void)restrict_dir;
    if (path_out == nullptr) return VAL_NO_FILE_SELECTED;
    const FileRequest rq{OrEmpty(default_dir), OrEmpty(default_file), OrEmpty(filter), OrEmpty(title),
                         button, restrict_ext, allow_cancel, allow_make_dir};
    auto path = std::make_shared<std::string>();
    const int result = AnswerFromMain([rq, path] { return SelectFile(rq, path.get()); });
    if (result != VAL_NO_FILE_SELECTED)
        snprintf(path_out, MAX_PATHNAME_LEN, "%s", path->c_str());
    return result;
}

void SetPopupTestResponder(PopupResponder r) { responder = r; }

std::vector<std::string> FileDialogTexts(int button) {
    const FileRequest rq{"", "", "*.txt", "", button, 1, 1, 1};
    QFileDialog dialog(nullptr, QString(), QDir::tempPath());
    SetUpFileDialog(&dialog, rq);
    std::vector<std::string> texts;
    // As read: without the mnemonic marks ("S&peichern" reads "Speichern").
    const auto read = [&texts](QString text) {
        if (!text.isEmpty()) texts.push_back(text.remove(QLatin1Char('&')).toStdString());
    };
    for (const QAbstractButton *b : dialog.findChildren<QAbstractButton *>()) read(b->text());
    for (const QLabel *l : dialog.findChildren<QLabel *>()) read(l->text());
    return texts;
}

int UseToolkitLanguage(const char *code) {
    static QTranslator *loaded = nullptr;
    if (loaded != nullptr) {
        QCoreApplication::removeTranslator(loaded);
        delete loaded;
        loaded = nullptr;
    }
    const QString language = QString::fromUtf8(OrEmpty(code)).trimmed();
    if (language.isEmpty() || language == QLatin1String("en")) return 0;
    auto *translator = new QTranslator;
    const QString name = QStringLiteral("qt_") + language;
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        !translator->load(name, QStringLiteral("/usr/share/qt6/translations"))) {
        delete translator;
        return 0;
    }
    QCoreApplication::installTranslator(translator);
    loaded = translator;
    return 1;
}
