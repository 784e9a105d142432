// Runs a test with the process's time zone set to UTC and puts the old zone back after,
// so that calendar counts built with mktime are the same on every machine.
#pragma once
#include <cstdlib>
#include <ctime>
#include <string>

class UtcZone {
public:
    UtcZone() {
        if (const char *tz = getenv("TZ"); tz != nullptr) {
            saved_ = tz;
            had_ = true;
        }
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~UtcZone() {
        if (had_) setenv("TZ", saved_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    UtcZone(const UtcZone &) = delete;
    UtcZone &operator=(const UtcZone &) = delete;

private:
    std::string saved_;
    bool had_ = false;
};
