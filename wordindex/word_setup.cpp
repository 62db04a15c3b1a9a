// SPDX-License-Identifier: MIT
#include "wordindex/word_setup.h"

#include <vector>

#include "platform/fs.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"

namespace qs::words {

void ToggleStart(WordRules& list, uint8_t c) { list.start[c] ^= 1; }

void ToggleInside(WordRules& list, uint8_t c) {
    list.inside[c] = list.inside[c] ? 0 : 1;
    if (list.inside[c]) list.end[c] = 1;
}

void ClickEnd(WordRules& list, uint8_t c) {
    if (!list.end[c])
        list.end[c] = 1;
    else if (!list.inside[c])
        list.end[c] = 0;
}

namespace {

std::string dir_of(const Forums& f) { return "F" + std::to_string(f.DIRNUMBER); }

// Counted through a handle of its own: the session's MasIdx handle may be open on the current
// database, and a database that was never indexed gets no file made for it.
bool has_index(Session& s, const Forums& f) {
    std::string path = fs::join(fs::join(s.MasIdxPath, dir_of(f)), "IDX029.TPS");
    if (!fs::exists(path)) return false;
    std::unique_ptr<store::File> file;
    Status st;
    store::OpenOptions opts{file_key(kMasIdx), 5000};
    if (s.engine.open(path, file_info(kMasIdx)->decl, opts, file, st) != store::OpenResult::Ok)
        return false;
    uint64_t n = 0;
    return file->count(n) && n > 0;
}

std::vector<Forums> indexed_databases(Session& s) {
    std::vector<Forums> out;
    for (const Forums& f : ListDatabases(s))
        if (has_index(s, f)) out.push_back(f);
    return out;
}

// Empties the database's word index and forgets how far indexing got, so that even a partial
// run starts again at its first message.
void empty_index(Session& s, const Forums& f) {
    const std::string saved = s.mem.Dirnamn;
    s.mem.Dirnamn = dir_of(f);
    OP_CLOSE(s, kOpEmpty, {kWordList, kMasIdx, kPUR});
    s.mem.Dirnamn = saved;
    OP_CLOSE(s, kOpOpen, {kForums});
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = f.ID;
    if (HoldRec(s, kForums, keys::ForumKey, true, 0, 5)) {
        s.rec.Forums.LASTMSGID = 0;
        s.rec.Forums.RECSLASTTIME = 0;
        // Should the position stay (the user was told why), the empty index still reads as one
        // to build in full: the status looks at the index before the position.
        static_cast<void>(UppDat(s, kForums, kUpdate, kReport));
    }
    OP_CLOSE(s, kOpClose, {kForums});
}

bool same_tables(const WordRules& a, const SettingsState& st) {
    return a.start == st.StartWordHash && a.inside == st.InWordHash && a.end == st.EndWordHash;
}

}  // namespace

int CountIndexedDatabases(Session& s) { return static_cast<int>(indexed_databases(s).size()); }

SaveResult SaveAndReindex(Session& s, const WordRules& list, const std::string& set_name) {
    if (same_tables(list, s.settings)) {
        s.dialog.message("No Changes", "Nothing has changed!|No save needed.");
        return SaveResult::NoChanges;
    }
    if (!s.dialog.ask("Save Word Definition",
                      "This will save the set: |" + set_name +
                          "|as your current word definition.|Is that what you want to do?",
                      false))
        return SaveResult::Declined;
    const std::vector<Forums> indexed = indexed_databases(s);
    if (!indexed.empty() &&
        !s.dialog.ask("Save and Reindex",
                      "Are you SURE you want to save and REINDEX?|It may take hours!|Searching "
                      "will not work until you reindex.",
                      false))
        return SaveResult::Declined;
    s.settings.StartWordHash = list.start;
    s.settings.InWordHash = list.inside;
    s.settings.EndWordHash = list.end;
    for (const Forums& f : indexed) empty_index(s, f);
    return SaveResult::Saved;
}

int32_t PauseCount(int32_t entered, int32_t previous) {
    constexpr int32_t kLeast = 1000;
    if (entered >= kLeast) return entered;
    return previous >= kLeast ? previous : kLeast;
}

namespace {

struct Item {
    int selector;
    uint8_t WordIndexSetup::*byte;
};
constexpr Item kByteItems[] = {
    {item::kIndexNumbers, &WordIndexSetup::index_numbers},
    {item::kForumFooters, &WordIndexSetup::forum_footers},
    {item::kNewsFooters, &WordIndexSetup::news_footers},
    {item::kForumStopWords, &WordIndexSetup::forum_stop},
    {item::kNewsStopWords, &WordIndexSetup::news_stop},
    {item::kMailStopWords, &WordIndexSetup::mail_stop},
};
constexpr int kPauseSelector = item::kPauseCount;

}  // namespace

bool OpenSetup(Session& s, WordIndexSetup& out) {
    bool ok = s.settings.word_index_loaded;
    for (const Item& i : kByteItems)
        ok = ok && WSVars(s, kGetSetting, i.selector, nullptr, &(out.*i.byte));
    ok = ok && WSVars(s, kGetSetting, kPauseSelector, nullptr, nullptr, &out.pause_count);
    if (!ok) s.dialog.message("Config Problem", "Unable to read configuration file.");
    return ok;
}

bool FinishSetup(Session& s, const WordIndexSetup& in) {
    WordIndexSetup v = in;
    bool ok = s.settings.word_index_loaded;
    for (const Item& i : kByteItems)
        ok = ok && WSVars(s, kSetSetting, i.selector, nullptr, &(v.*i.byte));
    ok = ok && WSVars(s, kSetSetting, kPauseSelector, nullptr, nullptr, &v.pause_count) &&
         WSVars(s, kSaveSettings);
    if (!ok) s.dialog.message("Not Saved", "Unable to save changes.");
    return ok;
}

}  // namespace qs::words
