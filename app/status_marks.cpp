// SPDX-License-Identifier: MIT
#include "app/status_marks.h"

#include "storage/file_access.h"

namespace qs {

namespace {

// The record a target names: its file, unique key and the status byte in the file's buffer.
struct TargetRecord {
    int file = 0;
    int key = 0;
    uint8_t* mark = nullptr;
};

bool suits(MarkTarget t, bool mail) {
    switch (t) {
        case MarkTarget::Message:
        case MarkTarget::Thread:
        case MarkTarget::Section: return !mail;
        case MarkTarget::Mail:
        case MarkTarget::Partner: return mail;
        case MarkTarget::Database: return true;
    }
    return false;
}

void tell_deleted(Session& s, int file) {
    if (!s.quiet())
        s.dialog.message(full_name(s, file),
                         "The record has been deleted by another user!\r\n"
                         "                   Update is cancelled!");
}

// Reads the message or mail whose thread, section or partner is marked; false after telling
// that it is gone.
bool read_header(Session& s, int file, uint32_t number) {
    OP_CLOSE(s, kOpOpen, {file});
    if (file == kMail) {
        s.rec.Mail = Mail{};
        s.rec.Mail.MAILID = number;
    } else {
        s.rec.MsgNmbr = MsgNmbr{};
        s.rec.MsgNmbr.MSGNUMBER = number;
    }
    bool found = Get(s, file, 0);
    OP_CLOSE(s, kOpClose, {file});
    if (!found) tell_deleted(s, file);
    return found;
}

// Fills the key values of the target into its file's buffer; false when there is no target.
bool place(Session& s, MarkTarget t, uint32_t number, TargetRecord& r) {
    Records& rec = s.rec;
    switch (t) {
        case MarkTarget::Message:
            rec.MsgNmbr = MsgNmbr{};
            rec.MsgNmbr.MSGNUMBER = number;
            r = {kMsgNmbr, keys::MsgIdKey, &rec.MsgNmbr.DUMMY};
            return true;
        case MarkTarget::Mail:
            rec.Mail = Mail{};
            rec.Mail.MAILID = number;
            r = {kMail, keys::MaiIdKey, &rec.Mail.DUMMY};
            return true;
        case MarkTarget::Thread: {
            uint32_t thread = rec.MsgNmbr.THREADNUMBER;
            rec.Threads = Threads{};
            rec.Threads.THREADNUMBER = thread;
            r = {kThreads, 0, &rec.Threads.DUMMY};  // THR:ThreadKey
            return true;
        }
        case MarkTarget::Section: {
            uint32_t section = rec.MsgNmbr.SECSYSID;
            rec.Sections = Sections{};
            rec.Sections.SECSYSID = section;
            r = {kSections, 0, &rec.Sections.DUMMY};  // SEC:SysIdKey
            return true;
        }
        case MarkTarget::Partner: {
            uint32_t partner = rec.Mail.PAIRID;
            if (partner == 0) return false;
            rec.Person = Person{};
            rec.Person.PERSONID = partner;
            r = {kPerson, keys::PersonKey, &rec.Person.DUMMY};
            return true;
        }
        case MarkTarget::Database:
            rec.Forums = Forums{};
            rec.Forums.ID = s.mem.ForumNumber;
            r = {kForums, keys::ForumKey, &rec.Forums.DUMMY};
            return true;
    }
    return false;
}

}  // namespace

const char* status_menu(bool mail) {
    return mail ? "Normal Message|Keep Message|Delete Message|-|Normal Partner|Keep Partner|"
                  "Delete Partner|-||Normal MailBox|Keep MailBox|Delete MailBox"
                : "Normal Message|Keep Message|Delete Message|-|Normal Thread|Keep Thread|"
                  "Delete Thread|-||Normal Section|Keep Section|Delete Section|-|Normal "
                  "Database|Keep Database|Delete Database";
}

const char* mark_name(uint8_t mark) {
    switch (mark) {
        case kMarkNormal: return "normal";
        case kMarkKeep: return "keep";
        case kMarkDelete: return "delete";
        default: return "?";
    }
}

MarkResult SetStatus(Session& s, MarkTarget target, uint32_t number, uint8_t mark, int wait_s) {
    const bool mail = s.mem.ForumType == kMailDb;
    if (!suits(target, mail) || mark > kMarkDelete) return MarkResult::NoTarget;
    const bool derived = target == MarkTarget::Thread || target == MarkTarget::Section ||
                         target == MarkTarget::Partner;
    if (derived && !read_header(s, mail ? kMail : kMsgNmbr, number)) return MarkResult::Failed;
    TargetRecord r;
    if (!place(s, target, number, r)) return MarkResult::NoTarget;
    OP_CLOSE(s, kOpOpen, {r.file});
    bool written = false;
    if (HoldRec(s, r.file, r.key, true, 0, wait_s)) {
        *r.mark = mark;
        written = UppDat(s, r.file, kUpdate, kReport);
    }
    OP_CLOSE(s, kOpClose, {r.file});
    if (!written) return MarkResult::Failed;
    if (target == MarkTarget::Database) s.mem.ForumCheck = mark;
    return MarkResult::Done;
}

}  // namespace qs
