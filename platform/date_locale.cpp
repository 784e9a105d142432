#include "platform/date_locale.h"

#include <QLocale>
#include <QString>
#include <cstdlib>

namespace {

const char *TimeLocaleName() {
    for (const char *name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char *value = getenv(name);
        if (value != nullptr && value[0] != '\0') return value;
    }
    return nullptr;
}

}  // namespace

int LocaleDateIsDayFirst() {
    const char *name = TimeLocaleName();
    if (name == nullptr) return -1;
    QString text = QString::fromLocal8Bit(name);
    text = text.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (text.isEmpty() || text == QLatin1String("C") || text == QLatin1String("POSIX")) return -1;
    const QLocale locale(text);
    if (locale.language() == QLocale::C) return -1;
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(QLatin1Char('d'));
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    const qsizetype year = format.indexOf(QLatin1Char('y'));
    if (day < 0 || month < 0) return -1;
    return day < month && (year < 0 || day < year) ? 1 : 0;
}
