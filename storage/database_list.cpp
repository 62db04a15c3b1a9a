// SPDX-License-Identifier: MIT
#include "storage/database_list.h"

#include "platform/fs.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "storage/paths.h"
#include "storage/persons.h"

namespace qs {

namespace {

std::string dir_name(uint32_t dirnumber) { return "F" + std::to_string(dirnumber); }

uint32_t next_dir_number(Session& s) {
    Set(s, kForums, keys::DirKey);
    return Previous(s, kForums) ? s.rec.Forums.DIRNUMBER + 1 : 1;
}

REF ref_of(const Forums& f) {
    REF r;
    r.TYPE = f.TYPE;
    r.DESCRIPTION = f.DESCRIPTION.view();
    r.TARGETNG = f.TARGETNG;
    if (f.TYPE == kMailDb) {
        r.PERSONID = static_cast<int32_t>(f.PERSONID);
        r.MAILADDRESS = f.MAILADDRESS.view();
        for (size_t i = 0; i < f.ALTADDRESS.size() && !f.ALTADDRESS[i].blank(); ++i)
            r.ALTADDRESS[i] = f.ALTADDRESS[i].view();
    }
    return r;
}

void fill_identity(Forums& f, const MailIdentity& m) {
    f.DESCRIPTION = m.name;
    f.MAILADDRESS = m.address;
    for (auto& a : f.ALTADDRESS) a.clear();
    size_t i = 0;
    for (const auto& a : m.alternatives)
        if (!trim_right(a).empty() && i < f.ALTADDRESS.size()) f.ALTADDRESS[i++] = a;
}

}  // namespace

bool WriteREF(Session& s) {
    REF image = ref_of(s.rec.Forums);
    OP_CLOSE(s, kOpOpen, {kREF});
    bool ok;
    if (Fetch(s, kREF, 1)) {
        ok = s.rec.REF == image || (s.rec.REF = image, UppDat(s, kREF, kUpdate, kRollback));
    } else {
        s.rec.REF = image;
        ok = UppDat(s, kREF, kAdd, kRollback);
    }
    OP_CLOSE(s, kOpClose, {kREF});
    return ok;
}

namespace {

bool read_database(Session& s, uint32_t id) {
    OP_CLOSE(s, kOpOpen, {kForums});
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = id;
    bool found = Get(s, kForums, keys::ForumKey);
    OP_CLOSE(s, kOpClose, {kForums});
    return found;
}

void take_current(Session& s, const Forums& f) {
    s.mem.Description = f.DESCRIPTION.str();
    s.mem.Dirnamn = dir_name(f.DIRNUMBER);
    s.mem.ForumNumber = f.ID;
    s.mem.ForumCheck = f.DUMMY;
    s.mem.ForumType = f.TYPE;
    s.mem.PersonID = static_cast<int32_t>(f.PERSONID);
    s.mem.WordListIndexNeedsUpdate = f.WORDLISTINDEXNEEDSUPDATE;
}

}  // namespace

bool MakeCurrent(Session& s, uint32_t id) {
    if (!read_database(s, id)) return false;
    const Forums& f = s.rec.Forums;
    if (!fs::is_dir(fs::join(s.mem.FileDir, dir_name(f.DIRNUMBER)))) return false;
    take_current(s, f);
    return true;
}

bool RemoveDatabase(Session& s, uint32_t id) {
    // Not MakeCurrent: a database whose directory is gone could never be made current.
    if (!read_database(s, id)) return false;
    take_current(s, s.rec.Forums);
    return RemoveCurrentDatabase(s);
}

uint32_t FindDatabase(Session& s, const std::string& name) {
    OP_CLOSE(s, kOpOpen, {kForums});
    s.rec.Forums = Forums{};
    s.rec.Forums.DESCRIPTION = name;
    uint32_t id = Get(s, kForums, keys::AlphaKey) ? s.rec.Forums.ID : 0;
    OP_CLOSE(s, kOpClose, {kForums});
    return id;
}

std::vector<Forums> ListDatabases(Session& s) {
    std::vector<Forums> out;
    OP_CLOSE(s, kOpOpen, {kForums});
    Set(s, kForums, keys::AlphaKey);
    while (Next(s, kForums)) out.push_back(s.rec.Forums);
    OP_CLOSE(s, kOpClose, {kForums});
    return out;
}

uint32_t AddForumDatabase(Session& s, const std::string& name) {
    OP_CLOSE(s, kOpOpen, {kForums, kControl});
    uint32_t dirnumber = next_dir_number(s);
    Forums& f = s.rec.Forums;
    f = Forums{};
    uint32_t id = NextNr(s);
    f.ID = id;
    f.DESCRIPTION = name;
    f.DIRNUMBER = dirnumber;
    f.CREATED = s.clock.today();
    f.TYPE = kForumDb;
    f.WORDLISTINDEXNEEDSUPDATE = 1;
    f.INDEXTYPE = 1;
    bool ok = id != 0 && UppDat(s, kForums, kAdd, kReport);
    OP_CLOSE(s, kOpClose, {kForums, kControl});
    if (!ok) return 0;
    ExistPath(s, 3, 0, fs::join(s.mem.FileDir, dir_name(dirnumber)), "", true);
    s.mem.Dirnamn = dir_name(dirnumber);
    WriteREF(s);
    return id;
}

std::string CheckMailIdentity(const MailIdentity& m) {
    if (trim_right(m.name).empty()) return "Mail database name";
    if (trim_right(m.address).empty()) return "Default mail address";
    if (m.alternatives.size() > std::tuple_size_v<decltype(Forums::ALTADDRESS)>)
        return "Alternative addresses";
    return {};
}

uint32_t AddMailDatabase(Session& s, const MailIdentity& m, bool from_lookup) {
    if (!CheckMailIdentity(m).empty()) {
        s.dialog.beep();
        return 0;
    }
    OP_CLOSE(s, kOpOpen, {kForums, kControl});
    uint32_t dirnumber = next_dir_number(s);
    ExistPath(s, 3, 0, fs::join(s.mem.FileDir, dir_name(dirnumber)), "", true);
    s.mem.Dirnamn = dir_name(dirnumber);
    OP_CLOSE(s, kOpOpen, {kPerson, kPLINK, kREF});
    uint32_t id = 0;
    if (!TransactionCheck(s, BeginTransaction(s, {kForums, kREF, kPerson, kPLINK}))) {
        bool ok = AddPers(s, m.address, m.name) == 0;
        Forums& f = s.rec.Forums;
        f = Forums{};
        if (ok) {
            fill_identity(f, m);
            f.ID = NextNr(s);
            f.DIRNUMBER = dirnumber;
            f.CREATED = s.clock.today();
            f.TYPE = kMailDb;
            f.PERSONID = s.rec.Person.PERSONID;
            f.WORDLISTINDEXNEEDSUPDATE = 1;
            f.INDEXTYPE = 1;
            ok = f.ID != 0 && UppDat(s, kForums, kAdd, kRollback) && WriteREF(s);
        }
        if (ok && s.engine.in_transaction() && Commit(s)) id = f.ID;
        if (!id) Rollback(s);
    }
    OP_CLOSE(s, kOpClose, {kPerson, kPLINK, kREF, kForums, kControl});
    if (id && from_lookup) SetDefaultMailDatabase(s, id);
    return id;
}

bool UpdateMailDatabase(Session& s, uint32_t id, const MailIdentity& m) {
    if (!CheckMailIdentity(m).empty()) {
        s.dialog.beep();
        return false;
    }
    OP_CLOSE(s, kOpOpen, {kForums});
    Forums& f = s.rec.Forums;
    f = Forums{};
    f.ID = id;
    bool ok = Get(s, kForums, keys::ForumKey) && f.TYPE == kMailDb;
    if (ok) {
        s.mem.Dirnamn = dir_name(f.DIRNUMBER);
        OP_CLOSE(s, kOpOpen, {kREF});
        ok = !TransactionCheck(s, BeginTransaction(s, {kForums, kREF}));
        if (ok) {
            fill_identity(f, m);
            ok = UppDat(s, kForums, kUpdate, kRollback) && WriteREF(s);
            ok = ok && s.engine.in_transaction() && Commit(s);
            if (!ok) Rollback(s);
        }
        OP_CLOSE(s, kOpClose, {kREF});
    }
    OP_CLOSE(s, kOpClose, {kForums});
    return ok;
}

}  // namespace qs
