// Small helpers for the console's nibble encodings: nibbles out of read bytes, BCD and
// binary digit runs, packed BCD, and rounding into a field that holds a limited number of
// digits. Readers, writers and the clock and history codecs are built from these, so each
// encoding rule is written once and testable without a port.
#pragma once
#include <cstddef>
#include <cstdint>

// Nibble i of a read: byte i/2, low half for even i, high half for odd i.
inline uint8_t KORNibble(const uint8_t *bytes, int i) {
    const uint8_t b = bytes[i / 2];
    return (i % 2 == 0) ? (b & 0x0F) : (b >> 4);
}

// Sum of nibble(first + k) * 10^(k - decimals) for k = 0 .. count-1: a BCD number with its
// lowest digit first. Nibbles above 9 are weighted as they stand, as the console's own
// arithmetic would; callers that must reject them check with KORDigitsAreBCD.
double KORBCDValue(const uint8_t *bytes, int first, int count, int decimals);

// Sum of nibble(first + k) * 16^k: a binary number, lowest nibble first.
uint32_t KORBinaryValue(const uint8_t *bytes, int first, int count);

// 1 when every nibble first .. first+count-1 is a decimal digit.
int KORDigitsAreBCD(const uint8_t *bytes, int first, int count);

// 10 * high nibble + low nibble of one byte.
inline int KORBCDByte(uint8_t b) { return 10 * (b >> 4) + (b & 0x0F); }

// Packed BCD of a binary value 0..99: ((v / 10) << 4) + v % 10, cut to 8 bits.
uint8_t HexToDec8(const uint8_t *value);

// x rounded to the nearest integer and kept inside lo..hi; not-a-number gives lo. A field
// of n digits can only hold 0 .. 10^n - 1: a value outside is written as the nearest end
// rather than as its lowest digits.
long KORRoundClamped(double x, long lo, long hi);

// 10^digits - 1, the largest number a field of that many decimal digits holds (digits 0..9).
long KORLargestDecimal(int digits);

// Writes `zeros` zero nibbles, then the `digits` BCD digits of round(value * 10^decimals),
// lowest first, into nibbles[0 .. zeros+digits-1]. The number is kept inside 0 ..
// 10^digits - 1 (a negative value writes 0, a too large one all nines). The caller
// provides room for zeros + digits nibbles; digits is at most 9.
void ConvertFloatToDecByteBuffer(const float *value, uint8_t *nibbles, int zeros, int digits,
                                 int decimals);
