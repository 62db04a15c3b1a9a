// SPDX-License-Identifier: MIT
#include "wordindex/word_sets.h"

#include <algorithm>

#include "storage/file_access.h"

namespace qs::words {

namespace {

// WD lives in the word index root, beside no database: its path is taken with the directory
// name of the global files, whichever database is current.
class RootScope {
public:
    explicit RootScope(Session& s) : s_(s), saved_(s.mem.Dirnamn) {
        s_.mem.Dirnamn = "CFG";
        OP_CLOSE(s_, kOpOpen, {kWD});
    }
    ~RootScope() {
        OP_CLOSE(s_, kOpClose, {kWD});
        s_.mem.Dirnamn = saved_;
    }
    RootScope(const RootScope&) = delete;
    RootScope& operator=(const RootScope&) = delete;

private:
    Session& s_;
    std::string saved_;
};

// The default tables, except that a hyphen may stand inside a word (though neither begin nor
// end one) and an underscore may also begin and end one: compound words such as "e-mail" and
// "re-index", and names such as "_start", "max_size" and "rc_", stay whole. Meant for archives
// of programmers' mail and technical forums.
WordRules joined_words() {
    WordRules r = WordRules::defaults();
    r.inside['-'] = 0;
    r.start['_'] = 0;
    r.inside['_'] = 0;
    r.end['_'] = 0;
    return r;
}

bool write_set(Session& s, const ShippedSet& set) {
    for (int c = 0; c < 256; ++c) {
        WD& w = s.rec.WD;
        w = WD{};
        w.SETNAME = set.name;
        w.ID = static_cast<uint8_t>(c);
        w.STARTWORD = set.rules.start[static_cast<size_t>(c)];
        w.INWORD = set.rules.inside[static_cast<size_t>(c)];
        w.ENDWORD = set.rules.end[static_cast<size_t>(c)];
        if (!UppDat(s, kWD, kAdd, kRollback)) return false;
    }
    return true;
}

}  // namespace

std::vector<ShippedSet> shipped_sets() {
    return {{"Standard", WordRules::defaults()}, {"Hyphens and underscores", joined_words()}};
}

bool ShipWordSets(Session& s) {
    RootScope root(s);
    uint64_t sets = 0;
    if (!RecordCount(s, kWD, sets)) return false;
    if (sets > 0) return true;
    if (TransactionCheck(s, BeginTransaction(s, {kWD}))) return false;
    for (const ShippedSet& set : shipped_sets())
        if (!write_set(s, set)) return false;  // rolled back by the failed write
    return Commit(s);
}

SavedSet count_allowed(const WordRules& rules) {
    SavedSet out;
    out.records = 256;
    auto allowed = [](const std::array<uint8_t, 256>& t) {
        return static_cast<int>(std::count(t.begin(), t.end(), uint8_t{0}));
    };
    out.start = allowed(rules.start);
    out.inside = allowed(rules.inside);
    out.end = allowed(rules.end);
    return out;
}

std::vector<SavedSet> ListWordSets(Session& s) {
    ShipWordSets(s);
    RootScope root(s);
    std::vector<SavedSet> sets;
    Set(s, kWD, 0);
    while (Next(s, kWD)) {
        const WD& w = s.rec.WD;
        if (sets.empty() || sets.back().name != w.SETNAME.str()) sets.push_back({w.SETNAME.str()});
        SavedSet& set = sets.back();
        ++set.records;
        set.start += w.STARTWORD == 0;
        set.inside += w.INWORD == 0;
        set.end += w.ENDWORD == 0;
    }
    return sets;
}

WordRules ReadWordSet(Session& s, const std::string& name) {
    const WordRules in_use = WordRules::from(s.settings);
    if (name == kCurrentSelection) return in_use;
    ShipWordSets(s);
    RootScope root(s);
    WordRules rules;
    size_t records = 0;
    s.rec.WD = WD{};
    s.rec.WD.SETNAME = name;
    SetFrom(s, kWD, 0, 1);
    while (Next(s, kWD) && s.rec.WD.SETNAME == name) {
        const WD& w = s.rec.WD;
        rules.start[w.ID] = w.STARTWORD;
        rules.inside[w.ID] = w.INWORD;
        rules.end[w.ID] = w.ENDWORD;
        ++records;
    }
    // The key is unique on (name, character), so 256 records cover every character once.
    return records == 256 ? rules : in_use;
}

}  // namespace qs::words
