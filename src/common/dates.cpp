#include "common/dates.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace korvane::common {

LocalTime to_local_time(std::chrono::system_clock::time_point t) {
    using namespace std::chrono;
    auto secs = time_point_cast<seconds>(t);
    if (secs > t) secs -= seconds(1);  // floor for moments before the epoch
    double fraction = duration<double>(t - secs).count();
    std::time_t tt = system_clock::to_time_t(secs);
    std::tm tm{};
    localtime_r(&tt, &tm);
    LocalTime out;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec + fraction;
    return out;
}

LocalTime SystemClock::now() const { return to_local_time(std::chrono::system_clock::now()); }

std::string date_mm_dd_yyyy(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", t.month, t.day, t.year);
    return buf;
}

std::string short_date(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d-%d-%d", t.year, t.month, t.day);
    return buf;
}

std::string iso_date(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

std::string long_date(const LocalTime& t) {
    return std::to_string(t.year) + "年" + std::to_string(t.month) + "月" + std::to_string(t.day) + "日";
}

double seconds_since_midnight(const LocalTime& t) { return t.hour * 3600.0 + t.minute * 60.0 + t.second; }

std::string save_stamp(const LocalTime& t) {
    char buf[48];
    long long secs = std::llround(seconds_since_midnight(t));  // halves away from zero
    std::snprintf(buf, sizeof buf, "%02d%02d%lld", t.month, t.day, secs);
    return buf;
}

}  // namespace korvane::common
