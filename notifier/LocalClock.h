// The local clock as the control reads and sets it. Tests hand the control a
// clock of their own; nothing but the default one touches the system time.
#pragma once

#include <ctime>
#include <memory>

struct SystemTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
};

// True when the fields name a real moment (what the system accepts).
bool IsValidSystemTime(const SystemTime& t);

class LocalClock {
public:
    virtual ~LocalClock() = default;
    // Seconds since the epoch and the milliseconds within the second.
    virtual std::time_t Now() = 0;
    virtual int NowMillis() = 0;
    // Whether this process may set the clock (CAP_SYS_TIME).
    virtual bool CanSetTime() = 0;
    // Sets the local time; false when refused.
    virtual bool SetLocal(const SystemTime& t) = 0;
};

LocalClock& SystemLocalClock();
