// One copy of the program per data folder: a lock file in the working directory, held
// for the life of the process. Qt's lock file recognises a lock left by a copy that
// crashed (its process is gone) and takes it over.
#include "platform/instance.h"

#include <QCoreApplication>
#include <QLockFile>
#include <memory>
#include <unistd.h>

namespace {
std::unique_ptr<QLockFile> held_lock;
pid_t holder = 0;  // the process that took held_lock

QString LockFileName() {
    const QString name = QCoreApplication::applicationName().isEmpty()
                             ? QStringLiteral("clearhorizon")
                             : QCoreApplication::applicationName();
    return name + QStringLiteral(".lock");
}
}  // namespace

int CheckForDuplicateAppInstance(int activate_other, int *there_is_another) {
    (void)activate_other;
    if (there_is_another == nullptr) return -1;
    if (held_lock != nullptr && holder == getpid()) {  // this process already holds it
        *there_is_another = 0;
        return 0;
    }
    // A forked child inherits the object but not the lock; deleting the object would
    // remove the parent's lock file.
    if (held_lock != nullptr) (void)held_lock.release();
    auto lock = std::make_unique<QLockFile>(LockFileName());
    // No age limit: a copy that has run for hours still holds its lock.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        held_lock = std::move(lock);
        holder = getpid();
        *there_is_another = 0;
        return 0;
    }
    if (lock->error() == QLockFile::LockFailedError) {
        *there_is_another = 1;
        return 0;
    }
    return -2;
}

long DuplicateAppInstanceHolder() {
    QLockFile lock(LockFileName());
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app)) return 0;
    return static_cast<long>(pid);
}
