// SPDX-License-Identifier: MIT
// The topics list with its recount, and the lookup of topics and key words.
#include "app/topics.h"
#include "platform/text.h"

namespace qs {

namespace {

// Positions Codes on the records of one type from `name` on, in name order.
void set_type(Session& s, uint8_t type, std::string_view name = {}) {
    s.rec.Codes = Codes{};
    s.rec.Codes.TYPE = type;
    s.rec.Codes.INDEX = name;
    SetFrom(s, kCodes, 0, name.empty() ? 1 : 2);
}

bool next_of_type(Session& s, uint8_t type) { return Next(s, kCodes) && s.rec.Codes.TYPE == type; }

uint32_t count_links(Session& s, uint32_t id) {
    s.rec.SIndex = SIndex{};
    s.rec.SIndex.ID = id;
    SetFrom(s, kSIndex, 0, 1);
    uint32_t n = 0;
    while (Next(s, kSIndex) && s.rec.SIndex.ID == id) ++n;
    return n;
}

bool starts_with(std::string_view name, std::string_view typed) {
    return name.size() >= typed.size() && compare_nocase(name.substr(0, typed.size()), typed) == 0;
}

}  // namespace

int64_t RecountCodes(Session& s, uint8_t type) {
    OP_CLOSE(s, kOpOpen, {kCodes, kSIndex});
    int64_t topics = -1;
    if (!TransactionCheck(s, BeginTransaction(s, {kCodes}))) {
        topics = 0;
        set_type(s, type);
        while (next_of_type(s, type)) {
            ++topics;
            const Codes code = s.rec.Codes;
            uint32_t links = count_links(s, code.ID);
            if (links == code.COUNT) continue;
            s.rec.Codes = code;
            s.rec.Codes.COUNT = links;
            static_cast<void>(UppDat(s, kCodes, kUpdate, kReport));  // told; the rest goes on
        }
        if (!Commit(s)) topics = -1;
    }
    OP_CLOSE(s, kOpClose, {kCodes, kSIndex});
    return topics;
}

std::vector<Codes> ListCodes(Session& s, uint8_t type) {
    OP_CLOSE(s, kOpOpen, {kCodes});
    std::vector<Codes> out;
    set_type(s, type);
    while (next_of_type(s, type)) out.push_back(s.rec.Codes);
    OP_CLOSE(s, kOpClose, {kCodes});
    return out;
}

std::string codes_title(const Session& s, uint8_t type, uint64_t count) {
    return std::string(trim_right(s.mem.Description)) +
           (type == kKeyWordCode ? " Key Words [" : " Topics [") + std::to_string(count) + "]";
}

CodeLookup LookupCode(Session& s, uint8_t type, std::string_view typed) {
    typed = trim_right(typed);
    CodeLookup found;
    OP_CLOSE(s, kOpOpen, {kCodes});
    set_type(s, type, typed);
    if (next_of_type(s, type) && starts_with(s.rec.Codes.INDEX.trimmed(), typed)) {
        found.first = s.rec.Codes;
        found.result = next_of_type(s, type) && starts_with(s.rec.Codes.INDEX.trimmed(), typed)
                           ? CodeLookup::Result::Several
                           : CodeLookup::Result::One;
    }
    OP_CLOSE(s, kOpClose, {kCodes});
    return found;
}

}  // namespace qs
