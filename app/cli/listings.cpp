// SPDX-License-Identifier: MIT
#include "app/cli/listings.h"

#include <algorithm>
#include <iostream>

#include "app/cli/orders.h"
#include "app/status_marks.h"
#include "app/topics.h"
#include "platform/text.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

bool exact(Context& c, uint8_t type, const std::string& name, Codes& out) {
    OP_CLOSE(c.s, kOpOpen, {kCodes});
    c.s.rec.Codes = Codes{};
    c.s.rec.Codes.TYPE = type;
    c.s.rec.Codes.INDEX = name;
    bool found = Get(c.s, kCodes, 0);
    if (found) out = c.s.rec.Codes;
    OP_CLOSE(c.s, kOpClose, {kCodes});
    return found;
}

}  // namespace

Codes code_named(Context& c, const std::string& name, bool key_words) {
    const std::string n = text_from_input(name);
    if (trim_right(n).empty()) throw UsageError("a topic name must not be blank");
    std::vector<uint8_t> types{kTopicCode};
    if (key_words) types.push_back(kKeyWordCode);
    Codes found;
    for (uint8_t type : types)
        if (exact(c, type, n, found)) return found;
    for (uint8_t type : types) {
        CodeLookup l = LookupCode(c.s, type, n);
        if (l.result == CodeLookup::Result::One) return l.first;
        if (l.result == CodeLookup::Result::Several)
            throw UsageError("more than one " +
                             std::string(type == kTopicCode ? "topic" : "key word") +
                             " starts with \"" + name + "\"");
    }
    throw UsageError("no topic " + std::string(key_words ? "or key word " : "") + "is named \"" +
                     name + "\"");
}

std::vector<std::string> code_names_of(Context& c, uint32_t number) {
    std::vector<uint32_t> ids = CodesOf(c.s, number);
    std::vector<std::string> names;
    for (uint8_t type : {kTopicCode, kKeyWordCode})
        for (const Codes& code : ListCodes(c.s, type))
            if (std::find(ids.begin(), ids.end(), code.ID) != ids.end())
                names.push_back(code.INDEX.str());
    return names;
}

MessageRows::MessageRows(Context& c, int file, int key)
    : c_(c), file_(file), kind_(Kind::KeyOrder) {
    Set(c_.s, file_, key);
}

MessageRows MessageRows::with_status(Context& c, int file, uint8_t mark) {
    MessageRows rows(c, file, Kind::Status);
    rows.mark_ = mark;
    if (file == kMail) {
        c.s.rec.Mail = Mail{};
        c.s.rec.Mail.DUMMY = mark;
        SetFrom(c.s, kMail, keys::MaiStatusKey, 1);
    } else {
        c.s.rec.MsgNmbr = MsgNmbr{};
        c.s.rec.MsgNmbr.DUMMY = mark;
        SetFrom(c.s, kMsgNmbr, keys::MsgStatusKey, 1);
    }
    return rows;
}

MessageRows MessageRows::of_numbers(Context& c, int file, std::vector<uint32_t> numbers) {
    MessageRows rows(c, file, Kind::Numbers);
    rows.numbers_ = std::move(numbers);
    return rows;
}

MessageRows rows_of(Context& c, int file, const Listing& l) {
    switch (l.kind) {
        case MessageRows::Kind::Status: return MessageRows::with_status(c, file, l.mark);
        case MessageRows::Kind::Numbers: return MessageRows::of_numbers(c, file, l.numbers);
        case MessageRows::Kind::KeyOrder: break;
    }
    return MessageRows(c, file, l.key);
}

Listing listing_of(Context& c, const Args& a, bool mail) {
    if (a.has("--by") + a.has("--topic") + a.has("--status") > 1)
        throw UsageError("give one of --by, --topic and --status");
    Listing l;
    if (a.has("--status")) {
        l.kind = MessageRows::Kind::Status;
        l.mark = mark_of(a.value("--status"), "--status");
    } else if (a.has("--topic")) {
        l.kind = MessageRows::Kind::Numbers;
        l.numbers = MessagesOf(c.s, code_named(c, a.value("--topic"), true).ID);
    } else {
        l.key = key_of(mail ? mail_orders() : message_orders(), a.value("--by"));
    }
    return l;
}

std::string status_words(Context& c, const MsgNmbr* message, const Mail* mail) {
    std::string words = mark_name(mail ? mail->DUMMY : message->DUMMY);
    const char* other = mail ? "partner" : "thread";
    int file = mail ? kPerson : kThreads;
    OP_CLOSE(c.s, kOpOpen, {file});
    uint8_t mark = kMarkNormal;
    if (mail) {
        c.s.rec.Person = Person{};
        c.s.rec.Person.PERSONID = mail->PAIRID;
        if (mail->PAIRID && Get(c.s, kPerson, keys::PersonKey)) mark = c.s.rec.Person.DUMMY;
    } else {
        c.s.rec.Threads = Threads{};
        c.s.rec.Threads.THREADNUMBER = message->THREADNUMBER;
        if (Get(c.s, kThreads, 0)) mark = c.s.rec.Threads.DUMMY;
    }
    OP_CLOSE(c.s, kOpClose, {file});
    if (mark != kMarkNormal) words += std::string(" (") + other + ": " + mark_name(mark) + ")";
    return words;
}

bool read_message(Context& c, const std::string& db, uint32_t number) {
    const bool mail = c.s.mem.ForumType == kMailDb;
    const int file = mail ? kMail : kMsgNmbr;
    OP_CLOSE(c.s, kOpOpen, {file});
    if (mail) {
        c.s.rec.Mail = Mail{};
        c.s.rec.Mail.MAILID = number;
    } else {
        c.s.rec.MsgNmbr = MsgNmbr{};
        c.s.rec.MsgNmbr.MSGNUMBER = number;
    }
    bool found = Get(c.s, file, 0);
    OP_CLOSE(c.s, kOpClose, {file});
    if (!found) std::cerr << "quillstow: no message " << number << " in \"" << db << "\"\n";
    return found;
}

uint8_t mark_of(const std::string& word, const std::string& option) {
    for (uint8_t m : {kMarkNormal, kMarkKeep, kMarkDelete})
        if (word == mark_name(m)) return m;
    throw UsageError(option + " takes normal, keep or delete, not \"" + word + "\"");
}

bool MessageRows::next() {
    const bool mail = file_ == kMail;
    switch (kind_) {
        case Kind::KeyOrder: return Next(c_.s, file_);
        case Kind::Status:
            return Next(c_.s, file_) &&
                   (mail ? c_.s.rec.Mail.DUMMY : c_.s.rec.MsgNmbr.DUMMY) == mark_;
        case Kind::Numbers:
            while (at_ < numbers_.size()) {
                const uint32_t n = numbers_[at_++];
                if (mail) {
                    c_.s.rec.Mail = Mail{};
                    c_.s.rec.Mail.MAILID = n;
                } else {
                    c_.s.rec.MsgNmbr = MsgNmbr{};
                    c_.s.rec.MsgNmbr.MSGNUMBER = n;
                }
                if (Get(c_.s, file_, 0)) return true;
            }
            return false;
    }
    return false;
}

}  // namespace qs::cli
