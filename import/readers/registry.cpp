// SPDX-License-Identifier: MIT
// Which reader reads which format.
#include <functional>
#include <map>

#include "import/parser.h"

namespace qs {

namespace {

using Factory = std::function<std::unique_ptr<Parser>()>;

// Readers join this table as they are written.
const std::map<std::string, Factory>& readers() {
    static const std::map<std::string, Factory> table = {};
    return table;
}

}  // namespace

std::unique_ptr<Parser> make_parser(const std::string& format) {
    auto it = readers().find(format);
    return it == readers().end() ? nullptr : it->second();
}

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
