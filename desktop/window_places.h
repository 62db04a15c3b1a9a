// SPDX-License-Identifier: MIT
// Where each window of the frame stood and how wide the columns of the browses were, kept in the
// window settings of the Control file (records 2 and 3 the places, record 5 the widths) and
// restored when the window opens again. A place or width never stored is all zero: the default.
#pragma once

#include <QRect>
#include <vector>

#include "storage/session.h"

namespace qs::desktop {

// Windows by their place in the frame's command table; the browses' lists by BrowseKind.
inline constexpr int kMaxPlaces = 50;
inline constexpr int kMaxColumns = 10;

QRect stored_place(const Session& s, int window);  // empty when none was stored
bool store_place(Session& s, int window, const QRect& place);
std::vector<int> stored_widths(const Session& s, int list);  // 0 for a width never stored
bool store_widths(Session& s, int list, const std::vector<int>& widths);

}  // namespace qs::desktop
