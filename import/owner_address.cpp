// SPDX-License-Identifier: MIT
// The owner of a mail database: its own addresses decide whether a mail was received or sent.
// The identity is loaded once per run (import, merge, address export) and kept in the session.
#include <algorithm>

#include "import/address.h"
#include "storage/file_access.h"

namespace qs {
namespace {

constexpr size_t kOwnerNameWidth = 40;

// Addresses are compared lower-cased with trailing blanks ignored; the table keeps that form.
std::string comparable(std::string_view address) { return lower_case(trim_right(address)); }

bool is_own(const Session& s, std::string_view address) {
    const std::string a = comparable(address);
    return std::find(s.owner.own.begin(), s.owner.own.end(), a) != s.owner.own.end();
}

void take_identity(Session& s, const Forums& f) {
    s.owner.own[0] = comparable(f.MAILADDRESS.view());
    for (size_t k = 0; k < f.ALTADDRESS.size(); ++k)
        s.owner.own[k + 1] = comparable(f.ALTADDRESS[k].view());
    s.owner.name = std::string(trim_right(f.DESCRIPTION.view().substr(0, kOwnerNameWidth)));
    s.owner.address = f.MAILADDRESS.str();
    s.mem.PersonID = static_cast<int32_t>(f.PERSONID);
}

}  // namespace

void CheckOwnAddress(Session& s, uint32_t database) {
    // The caller may be in the middle of work on its own Forums record; it gets it back.
    const Forums kept = s.rec.Forums;
    OP_CLOSE(s, kOpOpen, {kForums});
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = database;
    const bool found = Get(s, kForums, keys::ForumKey);
    OP_CLOSE(s, kOpClose, {kForums});
    // A database that is gone leaves no owner: every address then counts as a stranger's, but
    // for a blank one, which equals the blank entries.
    s.owner = OwnerIdentity{};
    s.mem.PersonID = 0;
    if (found) take_identity(s, s.rec.Forums);
    s.rec.Forums = kept;
}

uint8_t CheckOwnAddress(Session& s, std::string_view address) { return is_own(s, address) ? 0 : 1; }

uint8_t CheckOwnAddress(Session& s, std::string& sender, std::string& receiver) {
    // The partner's address stays as the mail gave it (lower-cased); the owner's side is always
    // written as the default address, whichever of the owner's addresses the mail used.
    if (!is_own(s, sender)) {
        sender = lower_case(sender);
        receiver = s.owner.own[0];
        return 1;
    }
    receiver = lower_case(receiver);
    sender = s.owner.own[0];
    return 2;
}

}  // namespace qs
