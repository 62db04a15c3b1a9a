// SPDX-License-Identifier: MIT
#include "wordindex/word_cleanup.h"

#include <algorithm>

#include "storage/file_access.h"
#include "wordindex/index_files.h"

namespace qs::words {

namespace {

bool find_word(Session& s, int32_t id) {
    s.rec.WordList = WordList{};
    s.rec.WordList.WORDID = id;
    return Get(s, kWordList, 0);
}

// Removes every entry of the word through the word-id key.
bool delete_entries(Session& s, int32_t id) {
    store::File& h = handle(s, kMasIdx);
    MasIdx key{0, static_cast<uint32_t>(id)};
    MasIdx rec;
    for (;;) {
        Status st = h.get(1, &key, &rec);
        if (st.code() == Code::NotFound) return true;
        if (!st || !h.remove()) return false;
    }
}

// Reads the master index once and writes back the entries of the words that stay.
bool purge_entries(Session& s, const std::vector<int32_t>& sorted_ids, const Caption& caption) {
    store::File& h = handle(s, kMasIdx);
    std::vector<MasIdx> keep;
    MasIdx rec;
    h.set(0);
    while (h.next(&rec))
        if (!std::binary_search(sorted_ids.begin(), sorted_ids.end(),
                                static_cast<int32_t>(rec.WORDID)))
            keep.push_back(rec);
    caption("Rebuilding index file");
    if (!h.empty()) return false;
    for (const MasIdx& m : keep)
        if (!h.add(&m)) return false;
    caption("Rebuilding index keys");
    return true;
}

void report(Session& s, const std::string& what) {
    if (s.quiet()) return;
    s.dialog.message("Unexpected Error", "Unexpected file error:" + what + "||on Message#");
}

bool finish(Session& s, bool ok) {
    if (ok) return Commit(s);
    if (!s.quiet()) s.dialog.message("Rollback", "Will try to rollback changes.");
    Rollback(s);
    if (!s.quiet()) s.dialog.message("Rollback Complete", "Rollback was sucessfull.");
    return false;
}

}  // namespace

bool take_pending_deletions(Session& s, std::vector<int32_t>& ids, int64_t& total,
                            const Caption& caption) {
    caption("Moving deleted index words to Ignore list");
    for (int32_t id : pending_deletions(s)) {
        if (!find_word(s, id)) continue;  // gone meanwhile
        total += s.rec.WordList.WORDCOUNT;
        ids.push_back(id);
        if (!add_stop_record(s, s.rec.WordList.THEWORD.trimmed(), kReport)) return false;
    }
    return handle(s, kPUR).empty().is_ok();
}

bool remove_words(Session& s, const std::vector<int32_t>& ids, int64_t total, bool words_only,
                  const Caption& caption) {
    uint64_t entries = 0;
    if (!RecordCount(s, kMasIdx, entries)) return false;
    if (total != 0 && entries != 0 && !words_only) {
        std::vector<int32_t> sorted = ids;
        std::sort(sorted.begin(), sorted.end());
        bool keyed = total * 100 / static_cast<int64_t>(entries) <= kKeyedDeletePercent;
        if (keyed) {
            caption("Deleting orphaned word indexes");
            for (int32_t id : sorted)
                if (!delete_entries(s, id)) return report(s, "MASIDX"), false;
        } else {
            caption("Purging orphaned word indexes");
            if (!purge_entries(s, sorted, caption)) return report(s, "MASIDX(Build)"), false;
        }
        caption(keyed ? "Deleting index words" : "Purging deleted index words");
    } else {
        caption("Deleting index words");
    }
    for (int32_t id : ids) {
        if (!find_word(s, id)) continue;
        if (!handle(s, kWordList).remove()) return report(s, "Wordlist"), false;
    }
    return true;
}

bool word_delete_cleanup(Session& s, bool full, const Caption& caption) {
    caption("Word delete cleanup process");
    if (TransactionCheck(s, BeginTransaction(s, {kWordList, kMasIdx, kSTO, kPUR}))) return false;
    std::vector<int32_t> ids;
    int64_t total = 0;
    bool ok = take_pending_deletions(s, ids, total, caption) &&
              remove_words(s, ids, total, full, caption);
    return finish(s, ok);
}

bool remove_stopped_words(Session& s, const std::vector<int32_t>& ids, int64_t total,
                          const Caption& caption) {
    if (ids.empty()) return true;
    if (TransactionCheck(s, BeginTransaction(s, {kWordList, kMasIdx}))) return false;
    return finish(s, remove_words(s, ids, total, false, caption));
}

}  // namespace qs::words
