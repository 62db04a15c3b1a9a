// SPDX-License-Identifier: MIT
// The day-number calendar: a shifted anchor or a wrong leap rule would move every stored date.
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

struct DateCase {
    const char* fault;
    int y, m, d;
    int32_t date;
};

TEST(ClockDate, AnchorsAndLeapYears) {
    const DateCase cases[] = {
        {"first day of the calendar", 1801, 1, 1, 4},
        {"no leap day in 1801", 1801, 3, 1, 63},
        {"1900 is not a leap year", 1900, 3, 1, 36222},
        {"2000 is a leap year", 2000, 2, 29, 72746},
        {"day after a leap day", 2000, 3, 1, 72747},
        {"last four-digit year", 9999, 12, 31, 2994626},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(date_from_ymd(c.y, c.m, c.d), c.date);
        int y = 0, m = 0, d = 0;
        ymd_from_date(c.date, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
    }
}

TEST(ClockDate, WeekdayIsDayModSeven) {
    EXPECT_EQ(date_from_ymd(1801, 1, 1) % 7, 4);   // a Thursday
    EXPECT_EQ(date_from_ymd(2026, 12, 7) % 7, 1);  // a Monday
    EXPECT_EQ(date_from_ymd(2000, 1, 1) % 7, 6);   // a Saturday
}

TEST(ClockDate, InvalidDatesAreZero) {
    const int invalid[][3] = {
        {2001, 13, 1}, {2001, 0, 1},   {2001, 2, 30}, {1900, 2, 29}, {2001, 4, 31},
        {2001, 1, 0},  {1800, 12, 31}, {10000, 1, 1}, {26, 1, 1},
    };
    for (const auto& v : invalid) EXPECT_EQ(date_from_ymd(v[0], v[1], v[2]), 0) << v[0] << v[1];
}

TEST(ClockDate, EveryDayRoundTripsThroughIso) {
    // Walks four centuries, which covers every leap rule and month length.
    for (int32_t date = 4; date < 4 + 146097; ++date) {
        ASSERT_EQ(date_from_iso(iso_date(date)), date) << iso_date(date);
    }
    EXPECT_EQ(iso_date(date_from_ymd(2026, 12, 7)), "2026-12-07");
    EXPECT_EQ(iso_date(0), "");
    for (const char* bad : {"2026-12-7", "2026/12/07", "2026-02-30", "20261207xx", ""}) {
        EXPECT_EQ(date_from_iso(bad), 0) << bad;
    }
}

TEST(ClockTime, HundredthsPlusOne) {
    EXPECT_EQ(time_from_hms(0, 0, 0), 1);
    EXPECT_EQ(time_from_hms(23, 59, 59, 99), kHundredthsPerDay);
    EXPECT_EQ(time_from_hms(24, 0, 0), 0);
    EXPECT_EQ(hms_time(time_from_hms(13, 5, 9, 99)), "13:05:09");
    EXPECT_EQ(hms_time(0), "");
}

TEST(ClockSystem, TodayIsAValidDate) {
    SystemClock clock;
    EXPECT_NE(iso_date(clock.today()), "");
    EXPECT_NE(hms_time(clock.now()), "");
}

}  // namespace
}  // namespace qs
