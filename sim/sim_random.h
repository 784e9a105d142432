// A small seedable random source whose sequence is the same on every platform and
// library, so that a seed names one weather history and one fault pattern for good
// (the standard distributions may differ between library versions).
#pragma once
#include <cstdint>

struct SimRandom {
    uint64_t state;
};

inline void SeedSimRandom(SimRandom *r, uint64_t seed) {
    r->state = seed ^ 0x9E3779B97F4A7C15ull;
}

// splitmix64
inline uint64_t NextSimRandom(SimRandom *r) {
    uint64_t z = (r->state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform in [0, 1).
inline double SimUniform(SimRandom *r) {
    return static_cast<double>(NextSimRandom(r) >> 11) * (1.0 / 9007199254740992.0);
}

inline bool SimChance(SimRandom *r, double probability) {
    return probability > 0.0 && SimUniform(r) < probability;
}

// Standard normal by the sum of twelve uniforms: bounded (±6), cheap and good enough
// for weather that must never leap.
inline double SimGauss(SimRandom *r) {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i) sum += SimUniform(r);
    return sum - 6.0;
}
