#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "common/dates.h"

using namespace korvane::common;

namespace {
LocalTime at(int y, int mo, int d, int h = 0, int mi = 0, double s = 0) { return LocalTime{y, mo, d, h, mi, s}; }
}  // namespace

TEST(Dates, DateForms) {
    LocalTime t = at(2012, 8, 19, 9, 5, 7);
    EXPECT_EQ(date_mm_dd_yyyy(t), "08-19-2012");
    EXPECT_EQ(short_date(t), "2012-8-19");
    EXPECT_EQ(iso_date(t), "2012-08-19");
    EXPECT_EQ(long_date(t), "2012年8月19日");
    EXPECT_EQ(date_mm_dd_yyyy(at(2026, 12, 6)), "12-06-2026");
}

TEST(Dates, SaveStamp) {
    EXPECT_EQ(save_stamp(at(2012, 12, 5, 10, 0, 0)), "120536000");
    EXPECT_EQ(save_stamp(at(2013, 3, 1, 0, 0, 1)), "03011");
    EXPECT_EQ(save_stamp(at(2013, 3, 1, 0, 0, 0)), "03010");
    // Seconds are rounded, halves upwards.
    EXPECT_EQ(save_stamp(at(2013, 1, 2, 0, 0, 1.5)), "01022");
    EXPECT_EQ(save_stamp(at(2013, 1, 2, 0, 0, 1.49)), "01021");
    EXPECT_EQ(save_stamp(at(2013, 1, 2, 23, 59, 59.2)), "010286399");
    EXPECT_DOUBLE_EQ(seconds_since_midnight(at(2013, 1, 2, 1, 2, 3.25)), 3723.25);
}

TEST(Dates, LocalTimeOfAKnownMoment) {
    // A known moment in the machine's own zone comes back as the same fields.
    std::tm tm{};
    tm.tm_year = 2012 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 5;
    tm.tm_hour = 10;
    tm.tm_min = 30;
    tm.tm_sec = 15;
    tm.tm_isdst = -1;
    std::time_t tt = std::mktime(&tm);
    auto tp = std::chrono::system_clock::from_time_t(tt) + std::chrono::milliseconds(250);
    LocalTime lt = to_local_time(tp);
    EXPECT_EQ(lt.year, 2012);
    EXPECT_EQ(lt.month, 12);
    EXPECT_EQ(lt.day, 5);
    EXPECT_EQ(lt.hour, 10);
    EXPECT_EQ(lt.minute, 30);
    EXPECT_DOUBLE_EQ(lt.second, 15.25);
}
