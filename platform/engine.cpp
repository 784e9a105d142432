// The application object lives from InitCVIRTE to the end of the process, as the
// engine did; its argument count must outlive it, hence the static.
#include "platform/engine.h"

#include <QApplication>

int InitCVIRTE(void *, char *argv[], void *) {
    if (QCoreApplication::instance() != nullptr)
        return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr ? 1 : 0;
    static int argc = 0;
    static char fallback_name[] = "clearhorizon";
    static char *fallback[] = {fallback_name, nullptr};
    if (argv == nullptr || argv[0] == nullptr) argv = fallback;
    argc = 0;
    while (argv[argc] != nullptr) ++argc;
    static QApplication *app = new QApplication(argc, argv);
    return app != nullptr ? 1 : 0;
}
