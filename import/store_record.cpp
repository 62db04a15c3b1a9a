// SPDX-License-Identifier: MIT
// Storing one temporary record: its persons, then a forum message, a newsgroup message or a mail
// with their sections, threads, identifier strings, texts and topic links.
#include "import/import_run.h"
#include "platform/unicode.h"
#include "storage/file_access.h"
#include "storage/persons.h"

namespace qs {

namespace {

// The first `n` characters, as the record fields count them.
std::string first(std::string_view s, size_t n) { return std::string(cut_chars(trim_right(s), n)); }

// The minute of a time: hundredths and seconds beyond it go, the added one stays.
int32_t to_minute(int32_t t) { return t <= 0 ? t : (t - 1) / 6000 * 6000 + 1; }

}  // namespace

bool same_text(std::string_view a, std::string_view b) {
    a = trim_right(a);
    b = trim_right(b);
    if (a.size() > b.size()) std::swap(a, b);
    return b.size() - a.size() < 20 && b.compare(0, a.size(), a) == 0;
}

bool DupString(Session& s, int kind, uint32_t id, uint32_t id2) {
    MsgText probe;
    probe.MSGNUMBER = id;
    MsgText stored;
    if (!handle(s, kMsgText).get(0, &probe, &stored)) return false;
    if (kind == 1) return same_text(stored.MSGTEXT.text, s.rec.NHR.MSGTEXT.text);
    probe.MSGNUMBER = id2;
    MsgText other;
    if (!handle(s, kMsgText).get(0, &probe, &other)) return false;
    return same_text(stored.MSGTEXT.text, other.MSGTEXT.text);
}

bool ImportProcessor::Impl::resolve(bool sender, uint32_t& id, std::string& alpha,
                                    std::string& address) {
    NHR& h = s.rec.NHR;
    const std::string addr = sender ? h.S_CISADRESS.str() : h.R_CISADRESS.str();
    const std::string name = sender ? h.S_NAME.str() : h.R_NAME.str();
    bool mail = current_db().type == kMailDb;
    bool owner_side = mail && h.MAILTYPE == (sender ? 2 : 1);
    if (owner_side && !s.owner.last_name_cache.empty()) {
        id = static_cast<uint32_t>(s.mem.PersonID);
        alpha = s.owner.last_name_cache;
        address = s.owner.address;
        return true;
    }
    if (AddPers(s, addr, name) != 0) return false;
    const Person& p = s.rec.Person;
    alpha = p.LASTNAME.str();
    address = p.ADDRESS.str();
    id = p.PERSONID;
    if (owner_side) {
        s.owner.last_name_cache = alpha;
        id = static_cast<uint32_t>(s.mem.PersonID);
    }
    return true;
}

bool ImportProcessor::Impl::resolve_persons() {
    NHR& h = s.rec.NHR;
    if (current_db().type == kMailDb) {
        if (h.R_NAME.blank()) h.R_NAME = "Name Unknown";
        if (!resolve(false, to_id, to_alpha, to_address)) return false;
        if (h.S_NAME.blank()) h.S_NAME = "Name Unknown";
        return resolve(true, from_id, from_alpha, from_address);
    }
    // A newsgroup message's receiver is the author of the message it answers when that is
    // stored; store_news resolves it, so that no person is made for a receiver never used.
    if (current_db().type == kNewsDb) return resolve(true, from_id, from_alpha, from_address);
    return resolve(false, to_id, to_alpha, to_address) &&
           resolve(true, from_id, from_alpha, from_address);
}

ImportProcessor::Impl::Stored ImportProcessor::Impl::store_record() {
    const int64_t position = handle(s, kNHR).position();  // the temporary record being stored
    if (!resolve_persons()) return Stored::Failed;
    Stored stored;
    switch (current_db().type) {
        case kMailDb: stored = store_mail(); break;
        case kNewsDb: stored = store_news(); break;
        default: stored = store_forum(); break;
    }
    if (stored != Stored::Yes) return stored;
    // The header just written is still in its buffer.
    const uint32_t number =
        current_db().type == kMailDb ? s.rec.Mail.MAILID : s.rec.MsgNmbr.MSGNUMBER;
    return store_attachments(position, number) ? Stored::Yes : Stored::Failed;
}

bool ImportProcessor::Impl::find_section(uint32_t number, const std::string& description,
                                         uint32_t& sysid) {
    for (const auto& e : sections)
        if (e.number == number && compare_exact(e.description, description) == 0) {
            sysid = e.sysid;
            return true;
        }
    uint32_t id = NextNr(s);
    if (id == 0) return false;
    s.rec.Sections = Sections{};
    s.rec.Sections.SECTIONNUMBER = number;
    s.rec.Sections.SECSYSID = id;
    s.rec.Sections.DESCRIPTION = description;
    if (!UppDat(s, kSections, kAdd, kRollback)) return false;
    sections.push_back({number, id, description});
    sysid = id;
    return true;
}

bool ImportProcessor::Impl::find_thread(uint32_t section, const std::string& subject,
                                        uint32_t& number, std::string& alpha) {
    std::string heading(trim_right(subject));
    Threads& t = s.rec.Threads;
    t = Threads{};
    t.SECSYSID = section;
    t.ALPHA = first(heading, t.ALPHA.size());
    SetFrom(s, kThreads, 1, 2);  // THR:SecKey
    std::string want_alpha = t.ALPHA.str();
    while (Next(s, kThreads) && t.SECSYSID == section &&
           compare_nocase(t.ALPHA.view(), want_alpha) == 0) {
        if (trim_right(t.heading()) == heading) {
            number = t.THREADNUMBER;
            alpha = t.ALPHA.str();
            return true;
        }
    }
    uint32_t id = NextNr(s);
    if (id == 0) {
        if (!s.quiet()) s.dialog.message("Warning!", "Transaction Frame Error!");
        return false;
    }
    t = Threads{};
    t.THREADNUMBER = id;
    t.SECSYSID = section;
    t.set_heading(heading);
    if (!UppDat(s, kThreads, kAdd, kRollback)) return false;
    number = id;
    alpha = t.ALPHA.str();
    return true;
}

void ImportProcessor::Impl::queue_counts(uint32_t thread, uint32_t section) {
    ++person_delta[from_id].first;
    ++person_delta[to_id].second;
    if (thread) ++thread_delta[thread];
    if (section) ++section_delta[section];
    ++db_stored;
}

// The whole subject for the message's text record when the header's subject field of `width`
// characters cannot hold it; blank when it can, so that most texts carry no second copy.
std::string whole_subject(const NHR& h, size_t width) {
    const std::string_view whole = h.LONGHEADING.blank() ? h.HEADING.view() : h.LONGHEADING.view();
    return char_count(whole) > width ? std::string(whole) : std::string();
}

// Writes the header and the text of a forum or newsgroup message, new or stored before.
bool write_message(Session& s, bool is_new, int32_t run_date, int32_t run_time) {
    constexpr size_t kHeadingWidth =
        decltype(Threads::ALPHA)::size() + decltype(Threads::BETA)::size();
    MsgNmbr header = s.rec.MsgNmbr;
    MsgText& text = s.rec.MsgText;
    if (is_new) {
        if (!UppDat(s, kMsgNmbr, kAdd, kRollback)) return false;
        text = MsgText{};
        text.MSGNUMBER = header.MSGNUMBER;
        text.DATE = run_date;
        text.TIME = run_time;
        text.HEADING = whole_subject(s.rec.NHR, kHeadingWidth);
        text.MSGTEXT.text = cut_chars(s.rec.NHR.MSGTEXT.text, kMaxMemo);
        return UppDat(s, kMsgText, kAdd, kRollback);
    }
    if (!UppDat(s, kMsgNmbr, kUpdate, kRollback)) return false;
    text = MsgText{};
    text.MSGNUMBER = header.MSGNUMBER;
    if (!Get(s, kMsgText, 0)) return true;  // a message stored without text stays without
    text.DATE = run_date;
    text.TIME = run_time;
    text.HEADING = whole_subject(s.rec.NHR, kHeadingWidth);
    text.MSGTEXT.text = cut_chars(s.rec.NHR.MSGTEXT.text, kMaxMemo);
    return UppDat(s, kMsgText, kUpdate, kRollback);
}

namespace {

// Reads the stored header of a message into the buffer; keeps the new values to write over it.
bool stored_header(Session& s, uint32_t number, uint8_t& status) {
    s.rec.MsgNmbr = MsgNmbr{};
    s.rec.MsgNmbr.MSGNUMBER = number;
    if (!Get(s, kMsgNmbr, keys::MsgIdKey)) return false;
    status = s.rec.MsgNmbr.DUMMY;
    return true;
}

}  // namespace

ImportProcessor::Impl::Stored ImportProcessor::Impl::store_forum() {
    NHR& h = s.rec.NHR;
    uint32_t section = 0;
    if (!find_section(h.SECTIONNUMBER, h.SEC_DESCRIPTION.str(), section)) return Stored::Failed;
    uint8_t status = 0;
    bool is_new = !stored_header(s, h.MSGNUMBER, status);
    uint32_t ref = h.REFNUMBER == h.MSGNUMBER ? 0 : h.REFNUMBER;
    uint32_t thread = 0;
    std::string alpha;
    if (ref && stored_header(s, ref, status)) {
        thread = s.rec.MsgNmbr.THREADNUMBER;
        alpha = s.rec.MsgNmbr.THREADALPHA.str();
    } else if (!find_thread(section, h.HEADING.str(), thread, alpha)) {
        return Stored::Failed;
    }
    if (!is_new) stored_header(s, h.MSGNUMBER, status);
    MsgNmbr& m = s.rec.MsgNmbr;
    m = MsgNmbr{};
    m.MSGNUMBER = h.MSGNUMBER;
    m.SECSYSID = section;
    m.REFNUMBER = ref;
    m.THREADNUMBER = thread;
    m.THREADALPHA = alpha;
    m.FROMID = from_id;
    m.FROMALPHA = first(from_alpha, m.FROMALPHA.size());
    m.TOID = to_id;
    m.TOALPHA = first(to_alpha, m.TOALPHA.size());
    m.DATE = h.DATE;
    m.DUMMY = is_new ? 0 : status;
    if (!write_message(s, is_new, run_date, run_time)) return Stored::Failed;
    s.rec.IMP.FORUMNUMBER = current_db().id;
    s.rec.IMP.MSGNUMBER = h.MSGNUMBER;
    if (!Get(s, kIMP, 0)) {
        s.rec.IMP.FORUMNUMBER = current_db().id;
        s.rec.IMP.MSGNUMBER = h.MSGNUMBER;
        if (!UppDat(s, kIMP, kAppend, kRollback)) return Stored::Failed;
    }
    if (is_new) queue_counts(thread, section);
    return Stored::Yes;
}

ImportProcessor::Impl::Stored ImportProcessor::Impl::store_mail() {
    NHR& h = s.rec.NHR;
    int32_t time = to_minute(h.TIME);
    std::string subject = first(h.HEADING.view(), decltype(Mail::SUBJECT)::size());
    Mail& m = s.rec.Mail;
    m = Mail{};
    m.DATE = h.DATE;
    m.TIME = time;
    SetFrom(s, kMail, keys::MaiDateKey, 2);
    while (Next(s, kMail) && m.DATE == h.DATE && m.TIME == time) {
        if (compare_nocase(m.SUBJECT.view(), subject) == 0 && m.FROMID == from_id &&
            m.TOID == to_id && DupString(s, 1, m.MAILID)) {
            // Stored by a run that stopped before adding its copy recipients: they go to it.
            if (m.CCR == 0) copies_go_to[h.REFNUMBER] = m.MAILID;
            // The same mail kept in another folder: it is found under that folder too.
            if (!places.link(s, h.PLACES.view(), m.MAILID)) return Stored::Failed;
            return Stored::Duplicate;
        }
    }
    bool outgoing = h.MAILTYPE == 2, incoming = h.MAILTYPE == 1;
    m = Mail{};
    m.DATE = h.DATE;
    m.TIME = time;
    m.SUBJECT = subject;
    m.MAILID = h.REFNUMBER;
    m.FROMID = from_id;
    m.FROMALPHA = first(from_alpha, m.FROMALPHA.size());
    m.TOID = to_id;
    m.TOALPHA = first(to_alpha, m.TOALPHA.size());
    if (outgoing || incoming) {
        m.PAIRID = outgoing ? to_id : from_id;
        m.PAIRALPHA = first(outgoing ? to_alpha : from_alpha, m.PAIRALPHA.size());
    }
    m.RECIPTYPE = h.RECIPTYPE.view();
    if (!UppDat(s, kMail, kAdd, kRollback)) return Stored::Failed;
    MsgText& t = s.rec.MsgText;
    t = MsgText{};
    t.MSGNUMBER = m.MAILID;
    t.DATE = run_date;
    t.TIME = run_time;
    t.HEADING = whole_subject(h, decltype(Mail::SUBJECT)::size());
    t.MSGTEXT.text = cut_chars(h.MSGTEXT.text, kMaxMemo);
    if (!UppDat(s, kMsgText, kAdd, kRollback)) return Stored::Failed;
    if (!places.link(s, h.PLACES.view(), m.MAILID)) return Stored::Failed;
    if (cfg.mail_topic) {
        s.rec.SIndex.ID = cfg.mail_topic;
        s.rec.SIndex.MSGNUMBER = m.MAILID;
        if (!Get(s, kSIndex, 0)) {
            s.rec.SIndex.ID = cfg.mail_topic;
            s.rec.SIndex.MSGNUMBER = m.MAILID;
            if (!UppDat(s, kSIndex, kAdd, kRollback)) return Stored::Failed;
        }
    }
    queue_counts(0, 0);
    return Stored::Yes;
}

}  // namespace qs
