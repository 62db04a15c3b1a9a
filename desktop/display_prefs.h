// SPDX-License-Identifier: MIT
// The look of the lists as the preferences keep it in the display settings of the Control file:
// the list font (item 33) of every browse and the thread tree, the colours of marked rows and of
// the thread tree's current message, and the format of the thread tree's lines. Windows read it
// when they open, so a change shows in the windows opened after it and at the next start.
#pragma once

#include <QColor>
#include <QFont>

#include "storage/session.h"

namespace qs::desktop {

// Display items of the preferences. Colours are red-green-blue numbers with red in the low byte.
namespace look {
inline constexpr int kDeleteColour = 22;       // rows marked "Delete"; red
inline constexpr int kTreeCurrentBack = 23;    // the thread tree's current line; light grey
inline constexpr int kKeepColour = 24;         // rows marked "Keep"; navy
inline constexpr int kTreeCurrentColour = 25;  // the thread tree's current line; red
inline constexpr int kListFont = 33;           // font name and size
inline constexpr int kTreeFormat = 38;         // "Format of thread tree items", 1 to 5
}  // namespace look

struct DisplayLook {
    QFont list_font;
    QColor delete_colour;
    QColor keep_colour;
    QColor tree_current_back;
    QColor tree_current_colour;
    int tree_format = 1;
};

// The stored look (the defaults of the display record for what was never set); the view's own
// font when the font cannot be read.
DisplayLook read_look(Session& s);
// Sets the look's items in the display record; the caller saves the record. False when one could
// not be set (told).
bool set_look(Session& s, const DisplayLook& look);

QColor colour_of(int32_t rgb);
int32_t rgb_of(const QColor& c);

}  // namespace qs::desktop
