// SPDX-License-Identifier: MIT
// quillstow mark: a status mark on a message, its thread or section, a mail, its partner, or the
// database, as the browses' pop-up menu sets it.
#include <iostream>

#include "platform/text.h"

#include "app/cli/listings.h"
#include "app/status_marks.h"

namespace qs::cli {

namespace {

struct TargetWord {
    const char* word;
    MarkTarget forum;  // in forum and newsgroup databases
    MarkTarget mail;   // in mail databases
    bool mail_too;     // the word names a target in mail databases as well
    bool forum_too;
};

// "message" is also the word of the mail browse's menu ("Keep Message").
constexpr TargetWord kTargets[] = {
    {"message", MarkTarget::Message, MarkTarget::Mail, true, true},
    {"thread", MarkTarget::Thread, MarkTarget::Thread, false, true},
    {"section", MarkTarget::Section, MarkTarget::Section, false, true},
    {"mail", MarkTarget::Message, MarkTarget::Mail, true, false},
    {"partner", MarkTarget::Partner, MarkTarget::Partner, true, false},
    {"database", MarkTarget::Database, MarkTarget::Database, true, true},
};

const TargetWord& target_of(const std::string& word) {
    for (const TargetWord& t : kTargets)
        if (word == t.word) return t;
    throw UsageError("say message, thread, section, mail, partner or database, not \"" + word +
                     "\"");
}

// What was marked, for the line that says so.
std::string describe(Context& c, MarkTarget t, uint32_t number) {
    switch (t) {
        case MarkTarget::Message: return "message " + std::to_string(number);
        case MarkTarget::Mail: return "mail " + std::to_string(number);
        case MarkTarget::Thread:
            return "thread " + std::to_string(c.s.rec.Threads.THREADNUMBER) + " \"" +
                   std::string(trim_right(c.s.rec.Threads.heading())) + "\"";
        case MarkTarget::Section:
            return "section " + std::to_string(c.s.rec.Sections.SECTIONNUMBER) + " \"" +
                   c.s.rec.Sections.DESCRIPTION.str() + "\"";
        case MarkTarget::Partner:
            return "mail partner " + c.s.rec.Person.FIRSTNAME.str() + " " +
                   c.s.rec.Person.LASTNAME.str() + " <" + c.s.rec.Person.ADDRESS.str() + ">";
        case MarkTarget::Database: return "database \"" + c.s.mem.Description + "\"";
    }
    return "";
}

}  // namespace

int cmd_mark(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(4);
    const std::string& db = a.need(0, "DB");
    const uint8_t mark = mark_of(a.need(1, "normal, keep or delete"), "the mark");
    const TargetWord& word = target_of(a.need(2, "what to mark"));
    const bool whole = word.forum == MarkTarget::Database;
    uint32_t number = 0;
    if (whole)
        a.at_most(3);
    else
        number = static_cast<uint32_t>(a.number_at(3, "NUMBER", kMessageNumber));
    if (!current_database(c, db)) return kExitFailed;
    const bool mail = c.s.mem.ForumType == kMailDb;
    if (!(mail ? word.mail_too : word.forum_too)) {
        std::cerr << "quillstow: a " << (mail ? "mail" : type_name(c.s.mem.ForumType))
                  << " database has no " << word.word << " to mark\n";
        return kExitFailed;
    }
    const MarkTarget target = mail ? word.mail : word.forum;
    if (!whole && !read_message(c, db, number)) return kExitFailed;
    switch (SetStatus(c.s, target, number, mark)) {
        case MarkResult::Done: break;
        case MarkResult::Failed: return kExitFailed;
        case MarkResult::NoTarget:
            std::cerr << "quillstow: mail " << number << " has no mail partner\n";
            return kExitFailed;
    }
    c.out << describe(c, target, number) << " is marked " << mark_name(mark) << "\n";
    return kExitOk;
}

}  // namespace qs::cli
