// SPDX-License-Identifier: MIT
// Cutting source lines into queue entries. (The readers read their lines, and undo the
// quoted-printable escapes, in import/readers/mail_lines.cpp.)
#include "import/mime/line_queue.h"

namespace qs {

void push_line(LineQueue& q, std::string_view line) {
    if (line.empty()) {
        q.push_back(TQ{});
        return;
    }
    for (size_t off = 0; off < line.size(); off += kQueueLine) {
        TQ e;
        e.LINE.assign(line.substr(off, kQueueLine));
        e.SPLITLINE = off + kQueueLine < line.size() ? 1 : 0;
        q.push_back(std::move(e));
    }
}

}  // namespace qs
