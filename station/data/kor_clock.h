// Reading and writing the console's clock and the time stamps of its extremes. The
// transfers run on the communication thread; the conversions are kor_clock_codec.h's.
//
// A failed transfer returns its result (negative) and leaves the output untouched. A stamp
// that does not name a real time is reported as a failed read and is not stored either, so
// a time that mktime would have to bend into shape never reaches the program.
#pragma once
#include <cstdint>
#include <ctime>

// One stamp (5 bytes) at address: the transfer's failure, else ConvertKORBufferTo_tm_Time's
// result (0, or -1..-5 for an impossible field; *t is then left alone).
int KOR_ReadTimeDate(struct tm *t, uint16_t address);
// A minimum's stamp and the maximum's behind it (10 bytes). The transfer's failure, else
// the first stamp's result when nonzero, else the second's. Each stamp is stored only
// when it is a real time.
int KOR_ReadDoubleTimeDate(struct tm *first, struct tm *second, uint16_t address);
// The clock image at FINAL_CMINL (6 bytes). The transfer's failure; -3 when the clock does
// not read as a real time (*t untouched); else 0.
int KOR_ReadFinalTimeDate(struct tm *t, uint16_t address);
// Seconds and minute at CSECL (2 bytes). The transfer's failure; -3 for impossible digits
// (*t untouched); else 0.
int KOR_ReadMinSec(struct tm *t, uint16_t address);
// Minute, hour, day, month and year as ten BCD nibbles at address; the write's result.
int KOR_WriteKORTime(const struct tm *t, uint16_t address);
