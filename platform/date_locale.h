// What the user's locale says about dates, for a first start without settings: the
// locale for times is the first of LC_ALL, LC_TIME and LANG that is set, as the C library
// takes it. Qt's own locale data judge it, so a locale need not be generated on the PC.
#pragma once

// 1 when that locale writes the day before the month and the year (de_DE, en_GB, fr_FR),
// 0 when it writes another part first (en_US, ja_JP, sv_SE), -1 for "C", "POSIX", none
// and a name Qt does not know.
int LocaleDateIsDayFirst();
