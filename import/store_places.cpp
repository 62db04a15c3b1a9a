// SPDX-License-Identifier: MIT
// A mail's folders, labels and marks as its topics.
#include "import/store_places.h"

namespace qs {

namespace {

void topic_key(Session& s, const std::string& name) {
    Codes& c = s.rec.Codes;
    c = Codes{};
    c.TYPE = kTopicCode;
    c.INDEX = name;
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

// The topic of `name`, found by COD:ClassKey (TYPE, INDEX; case ignored) or made; nullptr after
// a failure.
PlaceLinks::Topic* PlaceLinks::topic(Session& s, const std::string& name) {
    if (auto it = topics_.find(name); it != topics_.end()) return &it->second;
    topic_key(s, name);
    if (!Get(s, kCodes, 0)) {
        const uint32_t id = NextNr(s);
        if (id == 0) return nullptr;
        topic_key(s, name);
        s.rec.Codes.ID = id;
        if (!UppDat(s, kCodes, kAdd, kRollback)) return nullptr;
    }
    return &(topics_[name] = Topic{s.rec.Codes.ID, 0});
}

bool PlaceLinks::link(Session& s, std::string_view places, uint32_t number) {
    for (const std::string& name : split_places(places)) {
        Topic* t = topic(s, name);
        if (!t) return false;
        s.rec.SIndex = SIndex{t->id, number};
        if (Get(s, kSIndex, 0)) continue;
        s.rec.SIndex = SIndex{t->id, number};
        if (!UppDat(s, kSIndex, kAdd, kRollback)) return false;
        ++t->linked;
    }
    return true;
}

bool PlaceLinks::count(Session& s) {
    for (auto& [name, t] : topics_) {
        if (t.linked == 0) continue;
        topic_key(s, name);
        if (!Get(s, kCodes, 0)) continue;  // deleted by the user meanwhile, links and all
        Codes& c = s.rec.Codes;
        c.COUNT += t.linked;
        c.DATE = s.clock.today();
        c.TIME = s.clock.now();
        if (!UppDat(s, kCodes, kUpdate, kRollback)) return false;
        t.linked = 0;
    }
    return true;
}

}  // namespace qs
