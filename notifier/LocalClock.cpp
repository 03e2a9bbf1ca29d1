#include "notifier/LocalClock.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

bool IsValidSystemTime(const SystemTime& t) {
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour < 0 ||
        t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59 ||
        t.millis < 0 || t.millis > 999) {
        return false;
    }
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    return t.day <= days;
}

namespace {

class SystemClock final : public LocalClock {
public:
    std::time_t Now() override { return std::time(nullptr); }
    int NowMillis() override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        return static_cast<int>(ts.tv_nsec / 1000000);
    }
    bool CanSetTime() override {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
        if (syscall(SYS_capget, &header, data) != 0)
            return false;
        return (data[CAP_SYS_TIME / 32].effective & (1u << (CAP_SYS_TIME % 32))) != 0;
    }
    bool SetLocal(const SystemTime& t) override {
        if (!IsValidSystemTime(t))
            return false;
        std::tm tm{};
        tm.tm_year = t.year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        tm.tm_isdst = -1;
        const std::time_t when = std::mktime(&tm);
        if (when == static_cast<std::time_t>(-1))
            return false;
        timespec ts{when, static_cast<long>(t.millis) * 1000000L};
        return clock_settime(CLOCK_REALTIME, &ts) == 0;
    }
};

}  // namespace

LocalClock& SystemLocalClock() {
    static SystemClock clock;
    return clock;
}
