// SPDX-License-Identifier: MIT
#include "app/display_date.h"

#include <locale.h>

#include <cstdio>
#include <ctime>

#include "platform/clock.h"
#include "storage/config.h"

namespace qs {

namespace {

// The short date of the locale the environment names for dates (LC_ALL, LC_TIME, LANG), or of
// the plain C locale when it names none that the system has.
std::string system_short_date(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (!loc) loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    char out[64] = "";
    size_t n = loc ? strftime_l(out, sizeof out, "%x", &tm, loc) : 0;
    if (loc) freelocale(loc);
    return std::string(out, n);
}

}  // namespace

std::string display_date(int32_t date, int32_t format) {
    if (date == 0) return "";
    int y = 0, m = 0, d = 0;
    ymd_from_date(date, y, m, d);
    char out[32];
    switch (format) {
        case kMonthDayYear: std::snprintf(out, sizeof out, "%02d-%02d-%04d", m, d, y); break;
        case kDayMonthYear: std::snprintf(out, sizeof out, "%02d-%02d-%04d", d, m, y); break;
        case kYearMonthDay: std::snprintf(out, sizeof out, "%04d-%02d-%02d", y, m, d); break;
        default: return system_short_date(y, m, d);
    }
    return out;
}

int32_t date_preference(Session& s) {
    int32_t format = kSystemShortDate;
    if (!s.settings.general_loaded || !Konfig(s, kGetGeneral, item::kDateFormat, &format))
        return kSystemShortDate;
    return format;
}

}  // namespace qs
