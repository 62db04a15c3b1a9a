// SPDX-License-Identifier: MIT
#include "import/parser.h"

#include "import/address.h"
#include "import/session_context.h"
#include "storage/database_list.h"

namespace qs {

const char* skip_reason_text(SkipReason r) {
    switch (r) {
        case SkipReason::Duplicate: return "duplicate";
        case SkipReason::KindNotSelected: return "kind of message not selected";
        case SkipReason::NotImported: return "its database takes no imported messages";
        case SkipReason::Damaged: return "damaged";
        case SkipReason::NotOfFormat: return "not a file of the format";
    }
    return "?";
}

void SessionParseContext::report(std::string_view title, std::string_view text) {
    if (!session_.quiet()) session_.dialog.message(title, text);
}

std::string SessionParseContext::mail_database_name(uint32_t id) {
    // The caller may be in the middle of work on its own Forums record; it gets it back.
    const Forums kept = session_.rec.Forums;
    std::string name;
    for (const Forums& f : ListDatabases(session_))
        if (f.ID == id && f.TYPE == kMailDb) name = f.DESCRIPTION.str();
    session_.rec.Forums = kept;
    return name;
}

bool SessionParseContext::own_address(std::string_view address) const {
    return CheckOwnAddress(session_, address) == 0;
}

}  // namespace qs
