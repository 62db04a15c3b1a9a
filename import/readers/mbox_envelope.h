// SPDX-License-Identifier: MIT
// The "From " line that begins each message of a Unix mailbox, as the mail programs of today
// write it: "From bob@example.org Mon Jan  5 10:00:30 1998", "From - Tue ...", "From
// MAILER-DAEMON ...", or a bare "From ". Shared by the mailbox reader and the format detector.
#pragma once

#include <string_view>

namespace qs {

// Whether `line` (without its line end) begins a message. `after_blank`: the line starts the
// file or follows an empty line, where a writer always puts a message boundary; elsewhere only
// a line with the full envelope date (a month name, a time and a year) counts, so that an
// unquoted "From here on" inside a body stays in the body.
bool mbox_envelope(std::string_view line, bool after_blank);

// The line at the start of `text`, without its line end, at most `reach` bytes.
std::string_view first_line(std::string_view text, size_t reach = 256);

}  // namespace qs
