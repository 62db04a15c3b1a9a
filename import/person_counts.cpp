// SPDX-License-Identifier: MIT
// Recounting one person's messages: the headers sent and received by the person are the runs of
// the From and To keys that carry the person's alpha and identifier.
#include "import/address.h"
#include "storage/file_access.h"

namespace qs {
namespace {

struct Counts {
    uint32_t from = 0;
    uint32_t to = 0;
};

// The headers of file `file` whose alpha and identifier fields (the leading parts of `key`) are
// the person's. The alpha is the start of the last name, as the headers were written with it.
template <class R>
uint32_t count_run(Session& s, int file, int key, Text<10> R::*alpha_of, uint32_t R::*id_of) {
    const Person& p = s.rec.Person;
    const Text<10> alpha(p.LASTNAME.view().substr(0, Text<10>::size()));
    R& r = buffer<R>(s, file);
    r = R{};
    r.*alpha_of = alpha;
    r.*id_of = p.PERSONID;
    SetFrom(s, file, key, 2);
    uint32_t n = 0;
    while (Next(s, file) && r.*id_of == p.PERSONID &&
           compare_nocase((r.*alpha_of).view(), alpha.view()) == 0)
        ++n;
    return n;
}

uint8_t store_if_changed(Person& p, Counts c) {
    if (p.FROMCOUNT == c.from && p.TOCOUNT == c.to) return 0;
    p.FROMCOUNT = c.from;
    p.TOCOUNT = c.to;
    return 2;
}

}  // namespace

uint8_t CFromToMail(Session& s, uint8_t mode) {
    const Counts c{count_run(s, kMail, keys::MaiFromKey, &Mail::FROMALPHA, &Mail::FROMID),
                   count_run(s, kMail, keys::MaiToKey, &Mail::TOALPHA, &Mail::TOID)};
    Person& p = s.rec.Person;
    if (c.from == 0 && c.to == 0) {
        // A person without mail goes (3), but the database owner (mode 1) stays, with counts
        // of zero written back even when they were zero already.
        if (mode == 0) return 3;
        if (mode != 1) return 0;
        p.FROMCOUNT = p.TOCOUNT = 0;
        return 2;
    }
    return store_if_changed(p, c);
}

uint8_t CFromToMsg(Session& s) {
    const Counts c{count_run(s, kMsgNmbr, keys::MsgFromKey, &MsgNmbr::FROMALPHA, &MsgNmbr::FROMID),
                   count_run(s, kMsgNmbr, keys::MsgToKey, &MsgNmbr::TOALPHA, &MsgNmbr::TOID)};
    if (c.from == 0 && c.to == 0) return 3;
    return store_if_changed(s.rec.Person, c);
}

}  // namespace qs
