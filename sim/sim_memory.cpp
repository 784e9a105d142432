// Nibble memory of the simulated console and its value encodings (see sim_memory.h).
#include "sim/sim_memory.h"

#include <cmath>

void InitSimMemory(SimMemory *mem, uint32_t size) {
    mem->nibble.assign(size, 0);
    mem->touched.assign(size, 0);
}

uint8_t GetSimNibble(const SimMemory *mem, uint32_t address) {
    if (address >= mem->nibble.size()) return 0;
    return mem->nibble[address];
}

void PutSimNibble(SimMemory *mem, uint32_t address, uint8_t value) {
    if (address >= mem->nibble.size()) return;
    mem->nibble[address] = value & 0x0F;
}

void SetSimBit(SimMemory *mem, uint32_t address, int bit, bool on) {
    const uint8_t mask = static_cast<uint8_t>(1u << (bit & 3));
    const uint8_t old = GetSimNibble(mem, address);
    PutSimNibble(mem, address, on ? (old | mask) : (old & ~mask));
}

bool GetSimBit(const SimMemory *mem, uint32_t address, int bit) {
    return (GetSimNibble(mem, address) >> (bit & 3)) & 1;
}

bool SimTouched(const SimMemory *mem, uint32_t address, int count) {
    for (int i = 0; i < count; ++i) {
        const uint32_t a = address + static_cast<uint32_t>(i);
        if (a < mem->touched.size() && mem->touched[a]) return true;
    }
    return false;
}

void MarkSimTouched(SimMemory *mem, uint32_t address) {
    if (address < mem->touched.size()) mem->touched[address] = 1;
}

void ClearSimTouched(SimMemory *mem) {
    mem->touched.assign(mem->touched.size(), 0);
}

void PutSimBCD(SimMemory *mem, uint32_t address, int64_t value, int digits) {
    if (value < 0) value = 0;
    for (int i = 0; i < digits; ++i) {
        PutSimNibble(mem, address + static_cast<uint32_t>(i), static_cast<uint8_t>(value % 10));
        value /= 10;
    }
}

int64_t GetSimBCD(const SimMemory *mem, uint32_t address, int digits) {
    int64_t value = 0;
    for (int i = digits - 1; i >= 0; --i)
        value = value * 10 + GetSimNibble(mem, address + static_cast<uint32_t>(i));
    return value;
}

void PutSimBinary(SimMemory *mem, uint32_t address, uint64_t value, int nibbles) {
    for (int i = 0; i < nibbles; ++i) {
        PutSimNibble(mem, address + static_cast<uint32_t>(i), static_cast<uint8_t>(value & 0xF));
        value >>= 4;
    }
}

uint64_t GetSimBinary(const SimMemory *mem, uint32_t address, int nibbles) {
    uint64_t value = 0;
    for (int i = nibbles - 1; i >= 0; --i)
        value = (value << 4) | GetSimNibble(mem, address + static_cast<uint32_t>(i));
    return value;
}

void FillSimNibbles(SimMemory *mem, uint32_t address, uint8_t value, int count) {
    for (int i = 0; i < count; ++i) PutSimNibble(mem, address + static_cast<uint32_t>(i), value);
}

bool SimNibblesAre(const SimMemory *mem, uint32_t address, uint8_t value, int count) {
    for (int i = 0; i < count; ++i)
        if (GetSimNibble(mem, address + static_cast<uint32_t>(i)) != value) return false;
    return true;
}

namespace {

uint8_t MarkerNibble(int marker) {
    return marker == SIM_VALUE_OVERFLOW ? 0xF : 0xA;
}

// A marker fills the whole field, so it is recognised by its highest nibble, which no
// decimal digit can take.
int MarkerOf(const SimMemory *mem, uint32_t address, int count) {
    const uint8_t top = GetSimNibble(mem, address + static_cast<uint32_t>(count - 1));
    if (top == 0xF) return SIM_VALUE_OVERFLOW;
    if (top == 0xA) return SIM_VALUE_MISSING;
    return SIM_VALUE_OK;
}

}  // namespace

void PutSimTemperature(SimMemory *mem, uint32_t address, double celsius, int marker) {
    if (marker != SIM_VALUE_OK) {
        FillSimNibbles(mem, address, MarkerNibble(marker), 5);
        return;
    }
    int64_t n = std::llround((celsius + 30.0) * 1000.0);
    if (n < 0) n = 0;
    if (n > 99999) n = 99999;
    PutSimBCD(mem, address, n, 5);
}

int GetSimTemperature(const SimMemory *mem, uint32_t address, double *celsius) {
    const int marker = MarkerOf(mem, address, 5);
    if (marker != SIM_VALUE_OK) return marker;
    *celsius = static_cast<double>(GetSimBCD(mem, address, 5)) / 1000.0 - 30.0;
    return SIM_VALUE_OK;
}

void PutSimHumidity(SimMemory *mem, uint32_t address, double percent, int marker) {
    if (marker != SIM_VALUE_OK) {
        FillSimNibbles(mem, address, MarkerNibble(marker), 2);
        return;
    }
    int64_t n = std::llround(percent);
    if (n < 0) n = 0;
    if (n > 99) n = 99;
    PutSimBCD(mem, address, n, 2);
}

int GetSimHumidity(const SimMemory *mem, uint32_t address, double *percent) {
    const int marker = MarkerOf(mem, address, 2);
    if (marker != SIM_VALUE_OK) return marker;
    *percent = static_cast<double>(GetSimBCD(mem, address, 2));
    return SIM_VALUE_OK;
}

void PutSimHpa(SimMemory *mem, uint32_t address, double hpa, int marker) {
    if (marker != SIM_VALUE_OK) {
        FillSimNibbles(mem, address, MarkerNibble(marker), 5);
        return;
    }
    PutSimBCD(mem, address, std::llround(hpa * 10.0), 5);
}

void PutSimInhg(SimMemory *mem, uint32_t address, double hpa, int marker) {
    if (marker != SIM_VALUE_OK) {
        FillSimNibbles(mem, address, MarkerNibble(marker), 5);
        return;
    }
    PutSimBCD(mem, address, std::llround(hpa / SIM_HPA_PER_INHG * 100.0), 5);
}

int GetSimHpa(const SimMemory *mem, uint32_t address, double *hpa) {
    const int marker = MarkerOf(mem, address, 5);
    if (marker != SIM_VALUE_OK) return marker;
    *hpa = static_cast<double>(GetSimBCD(mem, address, 5)) / 10.0;
    return SIM_VALUE_OK;
}

void PutSimWindKmh(SimMemory *mem, uint32_t address, double mps) {
    double raw = std::round(mps * 3.6 * 25600.0);
    if (raw < 0) raw = 0;
    if (raw > 16777215.0) raw = 16777215.0;
    PutSimBinary(mem, address, static_cast<uint64_t>(raw), 6);
}

double GetSimWindKmh(const SimMemory *mem, uint32_t address) {
    return static_cast<double>(GetSimBinary(mem, address, 6)) / 25600.0 / 3.6;
}

void PutSimStamp(SimMemory *mem, uint32_t address, const SimStamp &stamp) {
    PutSimBCD(mem, address + 0, stamp.minute, 2);
    PutSimBCD(mem, address + 2, stamp.hour, 2);
    PutSimBCD(mem, address + 4, stamp.day, 2);
    PutSimBCD(mem, address + 6, stamp.month, 2);
    PutSimBCD(mem, address + 8, stamp.year % 100, 2);
}

SimStamp GetSimStamp(const SimMemory *mem, uint32_t address) {
    SimStamp s{};
    s.minute = static_cast<int>(GetSimBCD(mem, address + 0, 2));
    s.hour = static_cast<int>(GetSimBCD(mem, address + 2, 2));
    s.day = static_cast<int>(GetSimBCD(mem, address + 4, 2));
    s.month = static_cast<int>(GetSimBCD(mem, address + 6, 2));
    s.year = 2000 + static_cast<int>(GetSimBCD(mem, address + 8, 2));
    return s;
}
