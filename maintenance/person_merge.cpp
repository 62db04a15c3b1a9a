// SPDX-License-Identifier: MIT
// Moving a person's messages and aliases to another person. A header names its persons twice:
// the identifier and the first characters of the last name (the alpha), and the keys lead with
// the alpha, so a person's headers are the runs of equal alpha and identifier. Both change
// together, or the header would drop out of the person's runs.
#include "maintenance/person_merge.h"

#include <algorithm>

#include "import/address.h"
#include "platform/text.h"
#include "storage/file_access.h"

namespace qs {

namespace {

bool mail_db(const Session& s) { return s.mem.ForumType == kMailDb; }
int header_file(const Session& s) { return mail_db(s) ? kMail : kMsgNmbr; }

// The run of headers of `file` on `key` whose alpha and identifier are the person's.
template <class R, size_t N>
void collect_run(Session& s, int file, int key, Text<N> R::*alpha_of, uint32_t R::*id_of,
                 const PersonRef& p, std::vector<int64_t>& out) {
    const Text<N> alpha(p.last);
    R& r = buffer<R>(s, file);
    r = R{};
    r.*alpha_of = alpha;
    r.*id_of = p.id;
    SetFrom(s, file, key, 2);
    while (Next(s, file) && r.*id_of == p.id &&
           compare_nocase((r.*alpha_of).view(), alpha.view()) == 0)
        out.push_back(handle(s, file).position());
}

// Every person field of a header that names `from` names `to` afterwards; true when any did.
template <class R, size_t N>
bool swap_field(R& r, Text<N> R::*alpha_of, uint32_t R::*id_of, const PersonRef& from,
                const PersonRef& to) {
    if (r.*id_of != from.id) return false;
    const Text<N> old_alpha(from.last);
    if (compare_nocase((r.*alpha_of).view(), old_alpha.view()) != 0) return false;
    r.*id_of = to.id;
    r.*alpha_of = to.last;
    return true;
}

bool in_transaction(Session& s, std::initializer_list<int> files) {
    return !TransactionCheck(s, BeginTransaction(s, files));
}

}  // namespace

bool ReadPerson(Session& s, uint32_t id) {
    s.rec.Person = Person{};
    s.rec.Person.PERSONID = id;
    return Get(s, kPerson, keys::PersonKey);
}

bool HeadersOf(Session& s, const PersonRef& p, std::vector<int64_t>& positions) {
    const uint64_t failures = s.read_failures;
    positions.clear();
    if (mail_db(s)) {
        collect_run(s, kMail, keys::PairKey, &Mail::PAIRALPHA, &Mail::PAIRID, p, positions);
        collect_run(s, kMail, keys::MaiFromKey, &Mail::FROMALPHA, &Mail::FROMID, p, positions);
        collect_run(s, kMail, keys::MaiToKey, &Mail::TOALPHA, &Mail::TOID, p, positions);
    } else {
        collect_run(s, kMsgNmbr, keys::MsgFromKey, &MsgNmbr::FROMALPHA, &MsgNmbr::FROMID, p,
                    positions);
        collect_run(s, kMsgNmbr, keys::MsgToKey, &MsgNmbr::TOALPHA, &MsgNmbr::TOID, p, positions);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return s.read_failures == failures;
}

bool RecodeHeader(Session& s, int64_t position, const PersonRef& from, const PersonRef& to) {
    const int file = header_file(s);
    const uint64_t failures = s.read_failures;
    if (!Fetch(s, file, position)) {
        if (s.read_failures == failures) return true;  // gone meanwhile: nothing to move
        Rollback(s);
        return false;
    }
    bool changed = false;
    if (file == kMail) {
        Mail& m = s.rec.Mail;
        changed |= swap_field(m, &Mail::PAIRALPHA, &Mail::PAIRID, from, to);
        changed |= swap_field(m, &Mail::FROMALPHA, &Mail::FROMID, from, to);
        changed |= swap_field(m, &Mail::TOALPHA, &Mail::TOID, from, to);
    } else {
        MsgNmbr& m = s.rec.MsgNmbr;
        changed |= swap_field(m, &MsgNmbr::FROMALPHA, &MsgNmbr::FROMID, from, to);
        changed |= swap_field(m, &MsgNmbr::TOALPHA, &MsgNmbr::TOID, from, to);
    }
    return !changed || UppDat(s, file, kUpdate, kRollback);
}

bool MoveAliases(Session& s, const Person& from, uint32_t to) {
    // The aliases of `from`, read before any of them changes its place in the key.
    std::vector<int64_t> positions;
    PLINK& a = s.rec.PLINK;
    a = PLINK{};
    a.PERSONID = from.PERSONID;
    SetFrom(s, kPLINK, 1, 1);  // PLI:PersonKey
    while (Next(s, kPLINK) && a.PERSONID == from.PERSONID)
        positions.push_back(handle(s, kPLINK).position());
    for (int64_t pos : positions) {
        if (!Fetch(s, kPLINK, pos)) continue;
        a.PERSONID = to;
        if (!UppDat(s, kPLINK, kUpdate, kRollback)) return false;
    }
    a = PLINK{};
    a.PERSONSTRING = from.PERSONSTRING.view();
    if (Get(s, kPLINK, 0)) {
        if (a.PERSONID == to) return true;
        a.PERSONID = to;
        return UppDat(s, kPLINK, kUpdate, kRollback);
    }
    a = PLINK{};
    a.PERSONSTRING = from.PERSONSTRING.view();
    a.PERSONID = to;
    return UppDat(s, kPLINK, kAdd, kRollback);
}

bool RecountPerson(Session& s, uint32_t id) {
    if (!ReadPerson(s, id)) return true;
    const bool owner = s.rec.Person.PERSONID == static_cast<uint32_t>(s.mem.PersonID);
    const uint8_t r = mail_db(s) ? CFromToMail(s, owner) : CFromToMsg(s);
    // 3, no messages at all: the full count deletes such a person; a survivor has messages.
    return r != 2 || UppDat(s, kPerson, kUpdate, kRollback);
}

namespace {

// One person P onto K in one transaction: headers, aliases, then P goes.
bool merge_one(Session& s, const Person& p, const PersonRef& k) {
    std::vector<int64_t> positions;
    const PersonRef from{p.PERSONID, p.LASTNAME.str()};
    if (!HeadersOf(s, from, positions)) return false;
    if (!in_transaction(s, {header_file(s), kPLINK, kPerson})) return false;
    for (int64_t pos : positions)
        if (!RecodeHeader(s, pos, from, k)) return false;
    if (!MoveAliases(s, p, k.id)) return false;
    if (!ReadPerson(s, p.PERSONID) || !UppDat(s, kPerson, kDelete, kRollback)) {
        if (s.engine.in_transaction()) Rollback(s);
        return false;
    }
    return RecountPerson(s, k.id) && Commit(s);
}

}  // namespace

ManualMergeResult MergePersons(Session& s, uint32_t keep, const std::vector<uint32_t>& others) {
    ManualMergeResult out;
    const std::vector<int> files{header_file(s), kPLINK, kPerson};
    OP_CLOSE(s, kOpOpen, files);
    if (!ReadPerson(s, keep)) {
        out.keep_missing = true;
        OP_CLOSE(s, kOpClose, files);
        return out;
    }
    const PersonRef k{keep, s.rec.Person.LASTNAME.str()};
    for (uint32_t id : others) {
        if (id == keep) continue;
        if (mail_db(s) && id == static_cast<uint32_t>(s.mem.PersonID)) {
            if (!s.quiet())
                s.dialog.message("Warning!",
                                 "You are not allowed to change the mail default address!");
            out.skipped.push_back(id);
            continue;
        }
        if (!ReadPerson(s, id)) {
            out.skipped.push_back(id);
            continue;
        }
        const Person p = s.rec.Person;
        if (!merge_one(s, p, k)) {
            out.failed = true;
            break;
        }
        out.merged.push_back(id);
    }
    OP_CLOSE(s, kOpClose, files);
    return out;
}

}  // namespace qs
