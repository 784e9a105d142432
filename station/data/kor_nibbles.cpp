// Digit arithmetic of the console's memory: BCD and binary runs of nibbles, packed BCD,
// and the conversion of a value into the decimal digits of a field of fixed width.
#include "station/data/kor_nibbles.h"

#include <cmath>

double KORBCDValue(const uint8_t *bytes, int first, int count, int decimals) {
    double sum = 0.0;
    double weight = std::pow(10.0, -decimals);
    for (int k = 0; k < count; k++) {
        sum += KORNibble(bytes, first + k) * weight;
        weight *= 10.0;
    }
    return sum;
}

uint32_t KORBinaryValue(const uint8_t *bytes, int first, int count) {
    uint32_t sum = 0;
    for (int k = count - 1; k >= 0; k--)
        sum = (sum << 4) | KORNibble(bytes, first + k);
    return sum;
}

int KORDigitsAreBCD(const uint8_t *bytes, int first, int count) {
    for (int k = 0; k < count; k++)
        if (KORNibble(bytes, first + k) > 9)
            return 0;
    return 1;
}

uint8_t HexToDec8(const uint8_t *value) {
    return static_cast<uint8_t>(((*value / 10) << 4) + (*value % 10));
}

long KORRoundClamped(double x, long lo, long hi) {
    if (std::isnan(x) || x <= static_cast<double>(lo))
        return lo;
    if (x >= static_cast<double>(hi))
        return hi;
    const long n = std::lround(x);
    return n < lo ? lo : (n > hi ? hi : n);
}

long KORLargestDecimal(int digits) {
    long largest = 1;
    for (int i = 0; i < digits; i++)
        largest *= 10;
    return largest - 1;
}

void ConvertFloatToDecByteBuffer(const float *value, uint8_t *nibbles, int zeros, int digits,
                                 int decimals) {
    long n = KORRoundClamped(static_cast<double>(*value) * std::pow(10.0, decimals), 0,
                             KORLargestDecimal(digits));
    for (int i = 0; i < zeros; i++)
        nibbles[i] = 0;
    for (int i = 0; i < digits; i++) {
        nibbles[zeros + i] = static_cast<uint8_t>(n % 10);
        n /= 10;
    }
}
