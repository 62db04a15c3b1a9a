// SPDX-License-Identifier: MIT
// The records' day-number calendar (Gregorian, day 4 = 1 January 1801) and the system clock.
#include "platform/clock.h"

#include <time.h>

#include <cstdio>

namespace qs {

namespace {

constexpr int kFirstYear = 1801;
// Four-digit years only: dates travel as YYYY-MM-DD and beyond 9999 there is no such form.
constexpr int kLastYear = 9999;

// Days from 1 March of year 0 in the proleptic Gregorian calendar. Starting the year in March
// puts the leap day last, so month lengths follow a fixed pattern and need no table.
constexpr int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    int64_t era = y / 400;  // years here are never negative
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

constexpr int64_t kDayZero = days_from_civil(1800, 12, 28);
constexpr int32_t kFirstDate = 4;
constexpr int32_t kLastDate = static_cast<int32_t>(days_from_civil(kLastYear, 12, 31) - kDayZero);
static_assert(days_from_civil(1801, 1, 1) - kDayZero == kFirstDate);

bool is_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && is_leap(y) ? 29 : kDays[m - 1];
}

bool parse_digits(const std::string& s, size_t pos, size_t count, int& value) {
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

}  // namespace

int32_t date_from_ymd(int year, int month, int day) {
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return 0;
    if (day < 1 || day > days_in_month(year, month)) return 0;
    return static_cast<int32_t>(days_from_civil(year, month, day) - kDayZero);
}

void ymd_from_date(int32_t date, int& year, int& month, int& day) {
    if (date < kFirstDate || date > kLastDate) {
        year = month = day = 0;
        return;
    }
    // The inverse of days_from_civil, in the same March-based years.
    int64_t z = date + kDayZero;
    int64_t era = z / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

std::string iso_date(int32_t date) {
    int y = 0, m = 0, d = 0;
    ymd_from_date(date, y, m, d);
    if (y == 0) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

int32_t date_from_iso(const std::string& iso) {
    if (iso.size() != 10 || iso[4] != '-' || iso[7] != '-') return 0;
    int y = 0, m = 0, d = 0;
    if (!parse_digits(iso, 0, 4, y) || !parse_digits(iso, 5, 2, m) || !parse_digits(iso, 8, 2, d)) {
        return 0;
    }
    return date_from_ymd(y, m, d);
}

int32_t time_from_hms(int hour, int minute, int second, int hundredths) {
    // An out-of-range part would silently become another time of day; "no time" is honest.
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return 0;
    if (second < 0 || second > 59 || hundredths < 0 || hundredths > 99) return 0;
    return ((hour * 60 + minute) * 60 + second) * 100 + hundredths + 1;
}

std::string hms_time(int32_t time) {
    if (time < 1 || time > kHundredthsPerDay) return {};
    int32_t seconds = (time - 1) / 100;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buf;
}

int32_t SystemClock::today() const {
    time_t t = ::time(nullptr);
    struct tm local {};
    if (localtime_r(&t, &local) == nullptr) return 0;
    return date_from_ymd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

int32_t SystemClock::now() const {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm local {};
    if (localtime_r(&ts.tv_sec, &local) == nullptr) return 0;
    // A leap second (tm_sec 60) has no place in the records; it becomes the second before it.
    int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return time_from_hms(local.tm_hour, local.tm_min, second,
                         static_cast<int>(ts.tv_nsec / 10000000));
}

}  // namespace qs
