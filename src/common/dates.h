#pragma once
// Today's date and time of day in the forms the system writes. The clock is
// passed in, so that every form can be tested at any moment.
#include <chrono>
#include <string>

namespace korvane::common {

// A local calendar moment. `second` carries the fraction of the second.
struct LocalTime {
    int year = 2000;
    int month = 1;   // 1-12
    int day = 1;     // 1-31
    int hour = 0;    // 0-23
    int minute = 0;  // 0-59
    double second = 0;  // 0 <= second < 61
};

// The machine's local time zone view of a moment.
LocalTime to_local_time(std::chrono::system_clock::time_point t);

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The computer's clock, in the local time zone.
class SystemClock : public Clock {
public:
    LocalTime now() const override;
};

// A clock standing still at a given moment (tests, scripted runs).
class FixedClock : public Clock {
public:
    explicit FixedClock(LocalTime t) : t_(t) {}
    LocalTime now() const override { return t_; }
    void set(LocalTime t) { t_ = t; }

private:
    LocalTime t_;
};

// Month-day-year, two-digit month and day, four-digit year: "08-19-2012".
// The survey date the main panel fills in at start.
std::string date_mm_dd_yyyy(const LocalTime& t);

// The short date form: year-month-day without leading zeros: "2012-8-19".
// Used in the quality-check entries.
std::string short_date(const LocalTime& t);

// Year-month-day with two-digit month and day: "2012-08-19".
std::string iso_date(const LocalTime& t);

// The long Chinese form: "2012年8月19日".
std::string long_date(const LocalTime& t);

// Seconds since midnight, fraction included.
double seconds_since_midnight(const LocalTime& t);

// The save stamp of a parcel record: month and day as two digits each, then
// the seconds since midnight rounded half away from zero, without leading
// zeros: 5 December 10:00:00 gives "120536000", 1 March 00:00:01 gives "03011".
std::string save_stamp(const LocalTime& t);

}  // namespace korvane::common
