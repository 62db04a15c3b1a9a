// SPDX-License-Identifier: MIT
#include "import/parser.h"

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

}  // namespace qs
