// The simulated console's nibble memory and the encodings it stores its values in.
// The encoders are written from the description of the console's memory (digit order,
// biases, markers) and are deliberately independent of the program's readers and
// writers, so that a test reading the simulator through the program checks both sides.
// Each encoder has the inverse decoder that the console itself needs when the program
// has written a threshold, an extreme or a counter into its memory.
#pragma once
#include <cstdint>
#include <vector>

struct SimMemory {
    std::vector<uint8_t> nibble;   // one nibble per element, low four bits
    std::vector<uint8_t> touched;  // 1 where the program wrote since the console last looked
};

// Reading and storing markers of sensors: a missing reading, a reading out of range.
enum SimMarker { SIM_VALUE_OK = 0, SIM_VALUE_MISSING = 1, SIM_VALUE_OVERFLOW = 2 };

// Date and time as the console stores it, in its own time zone.
struct SimStamp {
    int minute, hour, day, month, year;  // month 1..12, year 2000..2099
};

void InitSimMemory(SimMemory *mem, uint32_t size);
// Nibbles beyond the end read as 0; writes there are ignored.
uint8_t GetSimNibble(const SimMemory *mem, uint32_t address);
void PutSimNibble(SimMemory *mem, uint32_t address, uint8_t value);
void SetSimBit(SimMemory *mem, uint32_t address, int bit, bool on);
bool GetSimBit(const SimMemory *mem, uint32_t address, int bit);
// True when the program wrote any of count nibbles from address since the last clear.
bool SimTouched(const SimMemory *mem, uint32_t address, int count);
void ClearSimTouched(SimMemory *mem);
void MarkSimTouched(SimMemory *mem, uint32_t address);

// Unsigned decimal digits, lowest digit at the lowest address; values too large keep
// their lowest digits. Negative values are stored as 0.
void PutSimBCD(SimMemory *mem, uint32_t address, int64_t value, int digits);
// Digits above 9 are taken at face value (so markers decode as large numbers).
int64_t GetSimBCD(const SimMemory *mem, uint32_t address, int digits);
void PutSimBinary(SimMemory *mem, uint32_t address, uint64_t value, int nibbles);
uint64_t GetSimBinary(const SimMemory *mem, uint32_t address, int nibbles);
void FillSimNibbles(SimMemory *mem, uint32_t address, uint8_t value, int count);
// True when all count nibbles hold value.
bool SimNibblesAre(const SimMemory *mem, uint32_t address, uint8_t value, int count);

// Five digits of (celsius + 30) in 0.001 steps; markers fill all five with 0xA or 0xF.
// Values outside -30 .. 69.999 are clamped, as the console's sensors would saturate.
void PutSimTemperature(SimMemory *mem, uint32_t address, double celsius, int marker);
// Returns the marker; the value is set only for a real reading.
int GetSimTemperature(const SimMemory *mem, uint32_t address, double *celsius);
// Two digits of percent; markers fill both with 0xA or 0xF.
void PutSimHumidity(SimMemory *mem, uint32_t address, double percent, int marker);
int GetSimHumidity(const SimMemory *mem, uint32_t address, double *percent);
// Five digits of hPa in 0.1 steps, and of inHg in 0.01 steps.
void PutSimHpa(SimMemory *mem, uint32_t address, double hpa, int marker);
void PutSimInhg(SimMemory *mem, uint32_t address, double hpa, int marker);
int GetSimHpa(const SimMemory *mem, uint32_t address, double *hpa);
// Six binary nibbles of km/h x 25600.
void PutSimWindKmh(SimMemory *mem, uint32_t address, double mps);
double GetSimWindKmh(const SimMemory *mem, uint32_t address);  // m/s
// Ten nibbles: minute, hour, day, month, two-digit year, each two BCD digits.
void PutSimStamp(SimMemory *mem, uint32_t address, const SimStamp &stamp);
SimStamp GetSimStamp(const SimMemory *mem, uint32_t address);

constexpr double SIM_HPA_PER_INHG = 33.8639;
constexpr double SIM_MM_PER_RAIN_IMPULSE = 0.518;
