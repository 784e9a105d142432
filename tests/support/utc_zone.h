// Runs a test with the process's time zone set to UTC (or another zone) and puts the old
// zone back after, so that calendar counts built with mktime are the same on every machine.
#pragma once
#include <cstdlib>
#include <ctime>
#include <string>

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *zone) {
        if (const char *tz = getenv("TZ"); tz != nullptr) {
            saved_ = tz;
            had_ = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (had_) setenv("TZ", saved_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    std::string saved_;
    bool had_ = false;
};

class UtcZone : public ScopedTimeZone {
public:
    UtcZone() : ScopedTimeZone("UTC") {}
};
