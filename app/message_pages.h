// SPDX-License-Identifier: MIT
// The pages of a message text in the text view: a text of up to 24000 characters is shown whole;
// a longer one in two or three pages, each cut at a blank near its end, marked "<MORE>>" at the
// end and "<CONTINUED>> " at the start of the next. Characters are counted as textchars counts
// them, never bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/session.h"

namespace qs {

inline constexpr const char* kMoreMarker = " ..........<MORE>>";
inline constexpr const char* kContinuedMarker = "<CONTINUED>> \r\n";

struct MessagePage {
    std::string text;  // what the text view shows
    int number = 1;    // the page shown, 1 to `count`
    int count = 1;     // pages of the text: 1, 2 or 3
    // Where the view puts its selection, as character offsets into `text`: the end of a text
    // shown whole, the start of the text on the first of several pages, the start of the
    // continued text on the others.
    size_t start = 0, end = 0, cursor = 0;
};

// Page `page` of `text` (clamped to the pages there are). The text counts without its trailing
// blanks. A subject that is not blank heads the first page as "Subject: " + subject and an empty
// line; the pages are cut from the text alone.
MessagePage PageText(std::string_view text, std::string_view subject, int page);

// The same for the stored text of message or mail `number` of the current database (MsgText);
// a missing text record shows an empty text.
MessagePage PageMessage(Session& s, uint32_t number, std::string_view subject, int page);

}  // namespace qs
