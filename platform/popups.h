// Modal message, confirmation and file-selection pop-ups. They are shown by the main
// thread only: a pop-up asked for on another thread is handed to the main thread, so no
// widget is touched elsewhere. Tests (and runs without a display) answer them through a
// responder instead of a person, so nothing blocks.
#pragma once
#include <string>
#include <vector>

constexpr int MAX_PATHNAME_LEN = 260;  // size of a path buffer, terminator included

// FileSelectPopup results.
constexpr int VAL_NO_FILE_SELECTED = 0;
constexpr int VAL_EXISTING_FILE_SELECTED = 1;
constexpr int VAL_NEW_FILE_SELECTED = 2;
// Button labels of FileSelectPopup.
constexpr int VAL_OK_BUTTON = 0;
constexpr int VAL_SAVE_BUTTON = 1;
constexpr int VAL_SELECT_BUTTON = 2;
constexpr int VAL_LOAD_BUTTON = 3;

// On the main thread: shows the message and returns once it is closed. On any other
// thread: hands it to the main thread and returns at once; while one message is waiting
// or shown, the same title and message asked for again are not stacked on it. Returns 0.
int MessagePopup(const char *title, const char *message);
// A message that a later event can take back, such as "the port cannot be opened" once
// the port works: shown without waiting for it to be closed (the caller goes on at once),
// and closed by CloseMessagePopups with the same key. On the offscreen platform it also
// goes to stderr, like every message there. Another thread hands it to the main thread.
constexpr int MESSAGE_KEY_PORT_ERROR = 1;
void KeyedMessagePopup(int key, const char *title, const char *message);
// Closes every message shown with the key and still open (main thread).
void CloseMessagePopups(int key);
// How many messages with the key are open (main thread).
int OpenMessagePopups(int key);
// 1 when the user confirmed, 0 otherwise. Off the main thread the caller waits for the
// answer while processing its own events.
int ConfirmPopup(const char *title, const char *message);
// Lets the user pick a file. filter lists patterns separated by ';' ("*.dat"); with
// restrict_ext a name typed without an extension gets the filter's first one. path_out
// (MAX_PATHNAME_LEN bytes) receives the full path of the choice, and is left as it was
// when nothing is chosen (or the path would not fit). Returns VAL_EXISTING_FILE_SELECTED,
// VAL_NEW_FILE_SELECTED or VAL_NO_FILE_SELECTED. restrict_dir is not enforced.
int FileSelectPopup(const char *default_dir, const char *default_file, const char *filter,
                    const char *title, int button, int restrict_dir, int restrict_ext,
                    int allow_cancel, int allow_make_dir, char *path_out);

// ---- Answering pop-ups without a person --------------------------------------------------
constexpr int POPUP_MESSAGE = 1;
constexpr int POPUP_CONFIRM = 2;
constexpr int POPUP_FILE_SELECT = 3;

struct PopupRequest {
    int kind;                  // POPUP_MESSAGE, POPUP_CONFIRM or POPUP_FILE_SELECT
    const char *title;
    const char *message;       // "" for file selection
    const char *default_dir;   // file selection only, else ""
    const char *default_file;
    const char *filter;
};
// Called on the main thread in place of showing a pop-up. Its result: for a confirmation
// 1 (yes) or 0; for a file selection nonzero when it wrote a chosen path into path_out
// (path_size bytes), 0 for "cancelled"; ignored for a message. The file-selection result
// (existing or new file) is then worked out from the path as for a real choice.
using PopupResponder = int (*)(const PopupRequest *request, char *path_out, int path_size);
// nullptr restores real dialogs. Without a responder on the offscreen platform nobody
// could answer: messages go to stderr, confirmations are declined, selections cancelled.
void SetPopupTestResponder(PopupResponder responder);

// Qt's own texts (file dialogs, standard buttons, context menus) in the language with
// this code ("de"), from Qt's translations as Debian installs them; "" or "en" gives Qt's
// English. Called at start and on every language change. 1 when a translation was loaded.
int UseToolkitLanguage(const char *code);
// The button and label texts of a file dialog as FileSelectPopup would show it (with
// that button label), without showing it: what a user would read.
std::vector<std::string> FileDialogTexts(int button);
