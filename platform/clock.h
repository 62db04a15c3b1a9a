// SPDX-License-Identifier: MIT
// Dates and times as the records keep them, and the injected clock.
// A date is a day count: day 0 is 28 December 1800, day 4 is 1 January 1801, day % 7 the weekday
// (0 Sunday). A time is hundredths of a second since midnight plus 1; 0 means "no time".
#pragma once

#include <cstdint>
#include <string>

namespace qs {

inline constexpr int32_t kHundredthsPerDay = 8640000;

int32_t date_from_ymd(int year, int month, int day);  // 0 when the date is not valid
void ymd_from_date(int32_t date, int& year, int& month, int& day);
std::string iso_date(int32_t date);             // "YYYY-MM-DD", empty for 0
int32_t date_from_iso(const std::string& iso);  // 0 when not a valid YYYY-MM-DD
int32_t time_from_hms(int hour, int minute, int second, int hundredths = 0);
std::string hms_time(int32_t time);  // "HH:MM:SS", empty for 0

class Clock {
public:
    virtual ~Clock() = default;
    virtual int32_t today() const = 0;  // day number
    virtual int32_t now() const = 0;    // hundredths since midnight + 1
};

class SystemClock : public Clock {
public:
    int32_t today() const override;
    int32_t now() const override;
};

}  // namespace qs
