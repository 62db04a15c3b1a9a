// SPDX-License-Identifier: MIT
// Storing a newsgroup message: its number comes from its Message-ID, which the database keeps
// in its identifier strings, and its thread from the message it answers when that is stored.
#include "import/import_run.h"
#include "storage/file_access.h"

namespace qs {

namespace {

// The Message-ID that the temporary number stands for; empty when there is none.
std::string temporary_id(Session& s, uint32_t number) {
    if (number == 0) return {};
    s.rec.TID = TID{};
    s.rec.TID.MSGNUMBER = number;
    return Get(s, kTID, 0) ? s.rec.TID.IDSTRING.str() : std::string();
}

// The stored number of a Message-ID, 0 when it is not known yet.
uint32_t stored_number(Session& s, const std::string& id) {
    s.rec.MsgString = MsgString{};
    s.rec.MsgString.IDSTRING = id;
    return Get(s, kMsgString, 0) ? s.rec.MsgString.MSGNUMBER : 0;
}

bool remember(Session& s, const std::string& id, uint32_t number) {
    s.rec.MsgString = MsgString{};
    s.rec.MsgString.IDSTRING = id;
    s.rec.MsgString.MSGNUMBER = number;
    return UppDat(s, kMsgString, kAdd, kRollback);
}

bool header_of(Session& s, uint32_t number) {
    s.rec.MsgNmbr = MsgNmbr{};
    s.rec.MsgNmbr.MSGNUMBER = number;
    return Get(s, kMsgNmbr, keys::MsgIdKey);
}

}  // namespace

ImportProcessor::Impl::Stored ImportProcessor::Impl::store_news() {
    NHR& h = s.rec.NHR;
    // The group's own section: the first one it has, or the group named in the message.
    uint32_t section = sections.empty() ? 0 : sections.front().sysid;
    if (!section) {
        s.rec.Sections = Sections{};
        s.rec.Sections.SECTIONNUMBER = s.rec.Sections.SECSYSID = h.SECTIONNUMBER;
        s.rec.Sections.DESCRIPTION = h.SEC_DESCRIPTION.view();
        if (!UppDat(s, kSections, kAdd, kRollback)) return Stored::Failed;
        section = h.SECTIONNUMBER;
        sections.push_back({section, section, h.SEC_DESCRIPTION.str()});
    }
    uint32_t number = h.MSGNUMBER;
    bool is_new = true;
    uint8_t status = 0;
    std::string own = temporary_id(s, h.MSGNUMBER);
    if (!own.empty()) {
        uint32_t known = stored_number(s, own);
        if (!known) {
            if (!remember(s, own, number)) return Stored::Failed;
        } else {
            number = known;
            if (header_of(s, number)) {
                if (!cfg.reimport) return Stored::Duplicate;
                is_new = false;
                status = s.rec.MsgNmbr.DUMMY;
            }
        }
    }
    uint32_t ref = 0, thread = 0;
    std::string alpha;
    bool addressed = false;  // the receiver is the author of the message answered
    std::string parent = temporary_id(s, h.REFNUMBER);
    if (!parent.empty()) {
        uint32_t known = stored_number(s, parent);
        if (known && header_of(s, known)) {
            ref = known;
            thread = s.rec.MsgNmbr.THREADNUMBER;
            alpha = s.rec.MsgNmbr.THREADALPHA.str();
            // The answer goes to the author of the message it answers.
            s.rec.Person = Person{};
            s.rec.Person.PERSONID = s.rec.MsgNmbr.FROMID;
            if (Get(s, kPerson, keys::PersonKey)) {
                to_id = s.rec.Person.PERSONID;
                to_alpha = s.rec.Person.LASTNAME.str();
                to_address = s.rec.Person.ADDRESS.str();
                addressed = true;
            }
        } else if (!known && !remember(s, parent, h.REFNUMBER)) {
            return Stored::Failed;
        }
    }
    if (!addressed && !resolve(false, to_id, to_alpha, to_address)) return Stored::Failed;
    if (!thread && !find_thread(section, h.HEADING.str(), thread, alpha)) return Stored::Failed;
    if (!is_new) header_of(s, number);
    MsgNmbr& m = s.rec.MsgNmbr;
    m = MsgNmbr{};
    m.MSGNUMBER = number;
    m.SECSYSID = section;
    m.REFNUMBER = ref;
    m.THREADNUMBER = thread;
    m.THREADALPHA = alpha;
    m.FROMID = from_id;
    m.FROMALPHA = from_alpha.substr(0, std::min<size_t>(10, from_alpha.size()));
    m.TOID = to_id;
    m.TOALPHA = to_alpha.substr(0, std::min<size_t>(10, to_alpha.size()));
    m.DATE = h.DATE;
    m.DUMMY = status;
    if (!write_message(s, is_new, run_date, run_time)) return Stored::Failed;
    if (is_new) queue_counts(thread, section);
    return Stored::Yes;
}

}  // namespace qs
