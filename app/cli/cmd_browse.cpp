// SPDX-License-Identifier: MIT
// quillstow messages | show | persons | threads | sections: what a database holds.
#include <iomanip>
#include <iostream>
#include <map>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "app/cli/listings.h"
#include "app/cli/orders.h"
#include "storage/database_list.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

size_t limit_of(const Args& a) {
    if (!a.has("--limit")) return SIZE_MAX;
    return static_cast<size_t>(a.number("--limit", kCount, 0));
}

struct PersonInfo {
    std::string name, address;
};

PersonInfo person(Context& c, uint32_t id) {
    c.s.rec.Person = Person{};
    c.s.rec.Person.PERSONID = id;
    if (!id || !Get(c.s, kPerson, keys::PersonKey)) return {};
    const Person& p = c.s.rec.Person;
    std::string name = p.FIRSTNAME.str();
    name += (name.empty() ? "" : " ") + p.LASTNAME.str();
    return {name, p.ADDRESS.str()};
}

std::string heading_of(Context& c, uint32_t thread) {
    c.s.rec.Threads = Threads{};
    c.s.rec.Threads.THREADNUMBER = thread;
    return Get(c.s, kThreads, 0) ? std::string(trim_right(c.s.rec.Threads.heading())) : "";
}

template <class R>
void print_json_rows(Context& c, MessageRows& rows, int file, size_t limit,
                     void (*extra)(Context&, const R&, JsonObject&) = nullptr) {
    c.out << "[";
    size_t n = 0;
    while (n < limit && rows.next()) {
        R rec = buffer<R>(c.s, file);
        JsonObject o;
        add_fields(o, rec);
        if (extra) extra(c, rec, o);
        c.out << (n++ ? "," : "") << o.str();
    }
    c.out << "]\n";
}

template <class R>
void print_json_list(Context& c, int file, int key, size_t limit,
                     void (*extra)(Context&, const R&, JsonObject&) = nullptr) {
    MessageRows rows(c, file, key);
    print_json_rows<R>(c, rows, file, limit, extra);
}

void list_messages(Context& c, const Listing& listing, size_t limit) {
    OP_CLOSE(c.s, kOpOpen, {kMsgNmbr, kThreads});
    MessageRows rows = rows_of(c, kMsgNmbr, listing);
    if (c.json) {
        print_json_rows<MsgNmbr>(c, rows, kMsgNmbr, limit);
    } else {
        for (size_t n = 0; n < limit && rows.next(); ++n) {
            MsgNmbr m = c.s.rec.MsgNmbr;
            c.out << std::left << std::setw(10) << m.MSGNUMBER << std::setw(11) << iso_date(m.DATE)
                  << pad_to_width(m.FROMALPHA.trimmed(), 12) << heading_of(c, m.THREADNUMBER)
                  << "\n";
        }
    }
    OP_CLOSE(c.s, kOpClose, {kMsgNmbr, kThreads});
}

void list_mails(Context& c, const Listing& listing, size_t limit) {
    OP_CLOSE(c.s, kOpOpen, {kMail});
    MessageRows rows = rows_of(c, kMail, listing);
    if (c.json) {
        print_json_rows<Mail>(c, rows, kMail, limit);
    } else {
        for (size_t n = 0; n < limit && rows.next(); ++n) {
            const Mail& m = c.s.rec.Mail;
            c.out << std::left << std::setw(10) << m.MAILID << std::setw(11) << iso_date(m.DATE)
                  << std::setw(6) << hms_time(m.TIME).substr(0, 5)
                  << pad_to_width(m.FROMALPHA.trimmed(), 12) << m.SUBJECT.trimmed() << "\n";
        }
    }
    OP_CLOSE(c.s, kOpClose, {kMail});
}

std::string json_list(const std::vector<std::string>& texts) {
    std::string arr = "[";
    for (size_t i = 0; i < texts.size(); ++i) arr += (i ? "," : "") + json_string(texts[i]);
    return arr + "]";
}

// The status line and, when the message has topics or key words, their names.
void print_marks(Context& c, uint32_t number, const MsgNmbr* message, const Mail* mail) {
    c.out << "Status:  " << status_words(c, message, mail) << "\n";
    std::vector<std::string> names = code_names_of(c, number);
    if (names.empty()) return;
    c.out << "Topics:  ";
    for (size_t i = 0; i < names.size(); ++i) c.out << (i ? ", " : "") << names[i];
    c.out << "\n";
}

void add_person(JsonObject& o, const char* role, const PersonInfo& p) {
    o.text(std::string(role) + "NAME", p.name);
    o.text(std::string(role) + "ADDRESS", p.address);
}

}  // namespace

int cmd_messages(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--by", "--limit", "--topic", "--status"}, {});
    a.at_most(1);
    if (!current_database(c, a.need(0, "DB"))) return kExitFailed;
    size_t limit = limit_of(a);
    const bool mail = c.s.mem.ForumType == kMailDb;
    Listing listing = listing_of(c, a, mail);
    if (mail)
        list_mails(c, listing, limit);
    else
        list_messages(c, listing, limit);
    return kExitOk;
}

int cmd_show(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(2);
    if (!current_database(c, a.need(0, "DB"))) return kExitFailed;
    auto number = static_cast<uint32_t>(a.number_at(1, "NUMBER", kMessageNumber));
    bool mail = c.s.mem.ForumType == kMailDb;
    int header = mail ? kMail : kMsgNmbr;
    const bool found = read_message(c, a.need(0, "DB"), number);
    OP_CLOSE(c.s, kOpOpen, {header, kMsgText, kPerson, kThreads, kCCR});
    int status = kExitOk;
    if (!found) {
        status = kExitFailed;
    } else {
        Mail m = c.s.rec.Mail;
        MsgNmbr h = c.s.rec.MsgNmbr;
        c.s.rec.MsgText = MsgText{};
        c.s.rec.MsgText.MSGNUMBER = number;
        const bool with_text = Get(c.s, kMsgText, 0);
        const std::string text = with_text ? c.s.rec.MsgText.MSGTEXT.text : "";
        // The message's whole subject where its header holds only the start.
        std::string subject = with_text ? c.s.rec.MsgText.HEADING.str() : "";
        const bool whole = !subject.empty();
        if (!whole) subject = mail ? m.SUBJECT.str() : heading_of(c, h.THREADNUMBER);
        uint32_t from = mail ? m.FROMID : h.FROMID, to = mail ? m.TOID : h.TOID;
        JsonObject o;
        auto field = [&](const char* name, auto& f) {
            if (!mail || !whole || std::string_view(name) != "SUBJECT") add_field(o, name, f);
        };
        if (mail)
            m.visit(field);
        else
            h.visit(field);
        PersonInfo pf = person(c, from), pt = person(c, to), pp;
        add_person(o, "FROM", pf);
        add_person(o, "TO", pt);
        if (mail) {
            pp = person(c, m.PAIRID);
            add_person(o, "PAIR", pp);
        }
        if (!mail || whole) o.text("SUBJECT", subject);
        std::vector<std::string> copies;
        if (mail) {
            c.s.rec.CCR = CCR{};
            c.s.rec.CCR.MAILID = number;
            SetFrom(c.s, kCCR, 0, 1);
            while (Next(c.s, kCCR) && c.s.rec.CCR.MAILID == number)
                copies.push_back(c.s.rec.CCR.R_NAME.str() + " <" + c.s.rec.CCR.R_CISADRESS.str() +
                                 ">");
        }
        if (c.json) {
            std::string arr = "[";
            for (size_t i = 0; i < copies.size(); ++i)
                arr += (i ? "," : "") + json_string(copies[i]);
            o.raw("CC", arr + "]");  // "CCR" is the count of the record
            o.raw("TOPICS", json_list(code_names_of(c, number)));
            o.text("TEXT", text);
            std::string attachments;
            if (!print_attachments(c, number, &attachments)) status = kExitFailed;
            o.raw("ATTACHMENTS", attachments);
            c.out << o.str() << "\n";
        } else {
            c.out << "Number:  " << number << "\nDate:    " << iso_date(mail ? m.DATE : h.DATE)
                  << (mail ? " " + hms_time(m.TIME) : "") << "\nFrom:    " << pf.name << " <"
                  << pf.address << ">\nTo:      " << pt.name << " <" << pt.address << ">\n";
            for (const auto& cc : copies) c.out << "Cc:      " << cc << "\n";
            c.out << "Subject: " << subject << "\n";
            print_marks(c, number, mail ? nullptr : &h, mail ? &m : nullptr);
            c.out << "\n";
            for (char ch : text)
                if (ch != '\r') c.out << ch;
            c.out << "\n";
            if (!print_attachments(c, number)) status = kExitFailed;
        }
    }
    OP_CLOSE(c.s, kOpClose, {header, kMsgText, kPerson, kThreads, kCCR});
    return status;
}

int cmd_persons(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--limit"}, {});
    a.at_most(1);
    if (!current_database(c, a.need(0, "DB"))) return kExitFailed;
    OP_CLOSE(c.s, kOpOpen, {kPerson});
    if (c.json) {
        print_json_list<Person>(c, kPerson, keys::NameKey, limit_of(a));
    } else {
        Set(c.s, kPerson, keys::NameKey);
        for (size_t n = 0, limit = limit_of(a); n < limit && Next(c.s, kPerson); ++n) {
            const Person& p = c.s.rec.Person;
            c.out << std::left << std::setw(8) << p.PERSONID << std::setw(6) << p.FROMCOUNT
                  << std::setw(6) << p.TOCOUNT
                  << p.FIRSTNAME.str() + (p.FIRSTNAME.blank() ? "" : " ") + p.LASTNAME.str() << " <"
                  << p.ADDRESS.trimmed() << ">\n";
        }
    }
    OP_CLOSE(c.s, kOpClose, {kPerson});
    return kExitOk;
}

int cmd_threads(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--limit"}, {});
    a.at_most(1);
    if (!current_database(c, a.need(0, "DB"))) return kExitFailed;
    if (c.s.mem.ForumType == kMailDb) {
        std::cerr << "quillstow: a mail database has no threads\n";
        return kExitFailed;
    }
    OP_CLOSE(c.s, kOpOpen, {kThreads});
    auto extra = [](Context&, const Threads& t, JsonObject& o) {
        o.text("HEADING", trim_right(t.heading()));
    };
    if (c.json) {
        print_json_list<Threads>(c, kThreads, 2, limit_of(a), +extra);
    } else {
        Set(c.s, kThreads, 2);  // THR:AlphaKey
        for (size_t n = 0, limit = limit_of(a); n < limit && Next(c.s, kThreads); ++n)
            c.out << std::left << std::setw(10) << c.s.rec.Threads.THREADNUMBER << std::setw(6)
                  << c.s.rec.Threads.MSGCOUNT << trim_right(c.s.rec.Threads.heading()) << "\n";
    }
    OP_CLOSE(c.s, kOpClose, {kThreads});
    return kExitOk;
}

int cmd_sections(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(1);
    if (!current_database(c, a.need(0, "DB"))) return kExitFailed;
    if (c.s.mem.ForumType == kMailDb) {
        std::cerr << "quillstow: a mail database has no sections\n";
        return kExitFailed;
    }
    OP_CLOSE(c.s, kOpOpen, {kSections});
    if (c.json) {
        print_json_list<Sections>(c, kSections, 1, SIZE_MAX);
    } else {
        Set(c.s, kSections, 1);  // SEC:SectionKey
        while (Next(c.s, kSections))
            // A newsgroup's section is numbered by an identifier: the columns widen for it.
            c.out << std::left << std::setw(6) << c.s.rec.Sections.SECTIONNUMBER
                  << (c.s.rec.Sections.SECTIONNUMBER > 99999 ? " " : "") << std::setw(10)
                  << c.s.rec.Sections.SECSYSID << std::setw(6) << c.s.rec.Sections.MSGCOUNT
                  << c.s.rec.Sections.DESCRIPTION.trimmed() << "\n";
    }
    OP_CLOSE(c.s, kOpClose, {kSections});
    return kExitOk;
}

}  // namespace qs::cli
