// SPDX-License-Identifier: MIT
// Dates as the user's date preference shows them in lists and thread trees (general settings
// item 10): 2 "mm-dd-yyyy", 6 "dd-mm-yyyy", 10 "yyyy-mm-dd", 17 the system's short date.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"

namespace qs {

enum DateFormat : int32_t {
    kMonthDayYear = 2,
    kDayMonthYear = 6,
    kYearMonthDay = 10,
    kSystemShortDate = 17,
};

// The date in that format; empty for no date (0). An unknown format shows the system's short
// date, the default of the preference.
std::string display_date(int32_t date, int32_t format);

// The date preference of the general settings; the default when they cannot be read.
int32_t date_preference(Session& s);

}  // namespace qs
