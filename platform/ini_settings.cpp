#include "platform/ini_settings.h"

#include <QSettings>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString KeyPath(const char *section, const char *key) {
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(key);
}

}  // namespace

int IniSettings_Read(const char *path, const char *section, const char *key, char *out,
                     size_t size) {
    if (size > 0) out[0] = '\0';
    if (path == nullptr || access(path, R_OK) != 0) return -1;
    QSettings file(QString::fromUtf8(path), QSettings::IniFormat);
    if (file.status() == QSettings::FormatError) return -2;
    const QVariant value = file.value(KeyPath(section, key));
    if (!value.isValid()) return -1;
    // A value with a comma comes back as a list; it was one text in the file.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QLatin1Char(','))
                             : value.toString();
    snprintf(out, size, "%s", text.toUtf8().constData());
    return 0;
}

int IniSettings_Write(const char *path, const char *section, const IniSetting *settings,
                      int count) {
    // Made (or narrowed) to 0600 first: QSettings replaces the file keeping its mode, so the
    // password is never readable by others, not even for a moment.
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    const bool narrowed = fchmod(fd, 0600) == 0;
    close(fd);
    if (!narrowed) return -1;
    QSettings file(QString::fromUtf8(path), QSettings::IniFormat);
    for (int i = 0; i < count; ++i)
        file.setValue(KeyPath(section, settings[i].key), QString::fromUtf8(settings[i].value));
    file.sync();
    if (file.status() != QSettings::NoError) return -1;
    return chmod(path, 0600) == 0 ? 0 : -1;
}
