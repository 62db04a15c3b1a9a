// SPDX-License-Identifier: MIT
// A mail's folders, labels and marks as its topics.
#include "import/store_places.h"

namespace qs {

namespace {

// Positions Codes on the topic named `name`, made when there is none. False after a failure.
bool find_or_make_topic(Session& s, const std::string& name) {
    Codes& c = s.rec.Codes;
    c = Codes{};
    c.TYPE = kTopicCode;
    c.INDEX = name;
    if (Get(s, kCodes, 0)) return true;  // by COD:ClassKey (TYPE, INDEX)
    const uint32_t id = NextNr(s);
    if (id == 0) return false;
    c = Codes{};
    c.TYPE = kTopicCode;
    c.INDEX = name;
    c.ID = id;
    return UppDat(s, kCodes, kAdd, kRollback);
}

}  // namespace

std::vector<std::string> split_places(std::string_view joined) {
    std::vector<std::string> places;
    while (!joined.empty()) {
        const size_t end = std::min(joined.find('\n'), joined.size());
        if (end > 0) places.emplace_back(joined.substr(0, end));
        joined.remove_prefix(std::min(end + 1, joined.size()));
    }
    return places;
}

bool LinkPlaces(Session& s, std::string_view places, uint32_t number) {
    for (const std::string& name : split_places(places)) {
        if (!find_or_make_topic(s, name)) return false;
        Codes& c = s.rec.Codes;
        s.rec.SIndex = SIndex{c.ID, number};
        if (Get(s, kSIndex, 0)) continue;
        s.rec.SIndex = SIndex{c.ID, number};
        if (!UppDat(s, kSIndex, kAdd, kRollback)) return false;
        // Codes still holds the topic found or made above.
        ++c.COUNT;
        c.DATE = s.clock.today();
        c.TIME = s.clock.now();
        if (!UppDat(s, kCodes, kUpdate, kRollback)) return false;
    }
    return true;
}

}  // namespace qs
