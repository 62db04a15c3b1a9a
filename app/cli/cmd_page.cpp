// SPDX-License-Identifier: MIT
// quillstow page: one page of a message's text as the text view shows it.
#include <iostream>

#include "app/cli/json.h"
#include "app/cli/listings.h"
#include "app/message_pages.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

constexpr NumberRule kPageNumber{"a page number", 1, 3};

// The subject the page shows: the mail's, or the heading of the message's thread.
std::string subject_of(Context& c) {
    if (c.s.mem.ForumType == kMailDb) return c.s.rec.Mail.SUBJECT.str();
    const uint32_t thread = c.s.rec.MsgNmbr.THREADNUMBER;
    OP_CLOSE(c.s, kOpOpen, {kThreads});
    c.s.rec.Threads = Threads{};
    c.s.rec.Threads.THREADNUMBER = thread;
    std::string heading = Get(c.s, kThreads, 0) ? c.s.rec.Threads.heading() : "";
    OP_CLOSE(c.s, kOpClose, {kThreads});
    return heading;
}

}  // namespace

int cmd_page(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--page"}, {});
    a.at_most(2);
    const std::string& db = a.need(0, "DB");
    auto number = static_cast<uint32_t>(a.number_at(1, "NUMBER", kMessageNumber));
    auto wanted = static_cast<int>(a.number("--page", kPageNumber, 1));
    if (!current_database(c, db) || !read_message(c, db, number)) return kExitFailed;
    MessagePage page = PageMessage(c.s, number, subject_of(c), wanted);
    if (page.number != wanted) {
        std::cerr << "quillstow: message " << number << " has " << page.count
                  << (page.count == 1 ? " page\n" : " pages\n");
        return kExitFailed;
    }
    if (c.json) {
        JsonObject o;
        o.number("MSGNUMBER", number);
        o.number("PAGE", page.number);
        o.number("PAGES", page.count);
        o.number("START", static_cast<int64_t>(page.start));
        o.number("END", static_cast<int64_t>(page.end));
        o.number("CURSOR", static_cast<int64_t>(page.cursor));
        o.text("TEXT", page.text);
        c.out << o.str() << "\n";
        return kExitOk;
    }
    for (char ch : page.text)
        if (ch != '\r') c.out << ch;
    c.out << "\n";
    if (page.count > 1) c.out << "(page " << page.number << " of " << page.count << ")\n";
    return kExitOk;
}

}  // namespace qs::cli
