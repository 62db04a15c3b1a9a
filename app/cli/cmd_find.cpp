// SPDX-License-Identifier: MIT
// quillstow find: the next message of a list whose subject or text holds a string.
#include <iostream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "app/cli/listings.h"
#include "app/cli/orders.h"
#include "app/standard_search.h"
#include "storage/database_list.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

int32_t date_option(const Args& a, const std::string& name) {
    if (!a.has(name)) return 0;
    int32_t d = date_from_iso(a.value(name));
    if (!d) throw UsageError(name + " takes a date as YYYY-MM-DD");
    return d;
}

ListContext list_of(Context& c, const Args& a, bool mail) {
    ListContext l;
    l.current = static_cast<uint32_t>(a.number("--from", kMessageNumber, 0));
    int sources = a.flag("--in-result") + a.has("--topic") + a.has("--by");
    if (sources > 1) throw UsageError("give one of --by, --topic and --in-result");
    if (a.flag("--in-result")) {
        l.source = ListContext::Source::ResultSet;
    } else if (a.has("--topic")) {
        l.source = ListContext::Source::Topic;
        l.topic = code_named(c, a.value("--topic"), true).ID;
    } else {
        l.key = key_of(mail ? mail_orders() : message_orders(), a.value("--by"));
    }
    return l;
}

SearchOptions options_of(const Args& a) {
    SearchOptions o;
    o.text = text_from_input(a.need(1, "TEXT"));
    if (trim_right(o.text).empty()) throw UsageError("TEXT must not be empty");
    o.backward = a.flag("--backward");
    o.match_case = a.flag("--case");
    o.whole_words = a.flag("--words");
    o.subject_only = a.flag("--subject-only");
    o.from_date = date_option(a, "--since");
    o.to_date = date_option(a, "--until");
    if (o.from_date && o.to_date && o.from_date > o.to_date)
        throw UsageError("--since is after --until");
    return o;
}

struct Found {
    uint32_t number = 0;
    int32_t date = 0;
    std::string sender, address, subject;
};

Found describe(Context& c, bool mail) {
    Found f;
    uint32_t from = 0;
    if (mail) {
        const Mail& m = c.s.rec.Mail;
        f = {m.MAILID, m.DATE, "", "", m.SUBJECT.str()};
        from = m.FROMID;
    } else {
        const MsgNmbr& m = c.s.rec.MsgNmbr;
        f = {m.MSGNUMBER, m.DATE, "", "", ""};
        from = m.FROMID;
        c.s.rec.Threads = Threads{};
        c.s.rec.Threads.THREADNUMBER = m.THREADNUMBER;
        if (Get(c.s, kThreads, 0)) f.subject = std::string(trim_right(c.s.rec.Threads.heading()));
    }
    c.s.rec.Person = Person{};
    c.s.rec.Person.PERSONID = from;
    if (from && Get(c.s, kPerson, keys::PersonKey)) {
        const Person& p = c.s.rec.Person;
        f.sender = p.FIRSTNAME.str() + (p.FIRSTNAME.blank() ? "" : " ") + p.LASTNAME.str();
        f.address = p.ADDRESS.str();
    }
    return f;
}

void print_found(Context& c, bool mail, const SearchHit& hit) {
    OP_CLOSE(c.s, kOpOpen, {kPerson, kThreads});
    Found f = describe(c, mail);
    OP_CLOSE(c.s, kOpClose, {kPerson, kThreads});
    const char* where = hit.in_subject ? "subject" : "text";
    if (c.json) {
        JsonObject o;
        if (mail)
            add_fields(o, c.s.rec.Mail);
        else
            add_fields(o, c.s.rec.MsgNmbr);
        if (!mail) o.text("SUBJECT", f.subject);
        o.text("FROMNAME", f.sender);
        o.text("FROMADDRESS", f.address);
        o.text("FOUNDIN", where);
        o.number("POSITION", static_cast<int64_t>(hit.position));
        c.out << o.str() << "\n";
        return;
    }
    c.out << "Number:  " << f.number << "\nDate:    " << iso_date(f.date)
          << "\nFrom:    " << f.sender << " <" << f.address << ">\nSubject: " << f.subject
          << "\nFound:   in the " << where << " at " << hit.position << "\n";
}

}  // namespace

int cmd_find(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--from", "--since", "--until", "--by", "--topic"},
           {"--backward", "--case", "--words", "--subject-only", "--in-result"});
    a.at_most(2);
    const std::string& db = a.need(0, "DB");
    SearchOptions options = options_of(a);
    if (!current_database(c, db)) return kExitFailed;
    const bool mail = c.s.mem.ForumType == kMailDb;
    ListContext list = list_of(c, a, mail);
    auto search = mail ? MailFind(c.s, list, options) : FindText(c.s, list, options);
    StandardSearch::Result r;
    while ((r = search->step()) == StandardSearch::Result::More) {
    }
    if (r == StandardSearch::Result::Failed) {
        std::cerr << "quillstow: message " << list.current << " is not in \"" << db << "\"\n";
        return kExitFailed;
    }
    if (r == StandardSearch::Result::Done) return kExitFailed;
    print_found(c, mail, search->hit());
    return kExitOk;
}

}  // namespace qs::cli
