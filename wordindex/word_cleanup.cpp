// SPDX-License-Identifier: MIT
#include "wordindex/word_cleanup.h"

#include <algorithm>

#include "storage/file_access.h"
#include "wordindex/index_files.h"
#include "wordindex/postings.h"

namespace qs::words {

namespace {

bool find_word(Session& s, int32_t id) {
    s.rec.WordList = WordList{};
    s.rec.WordList.WORDID = id;
    return Get(s, kWordList, 0);
}

// Removes every entry of the word: its blocks, found by its id.
bool delete_entries(Session& s, int32_t id) {
    uint64_t n = 0;
    return MasList(handle(s, kMasIdx), kWordMessages, static_cast<uint32_t>(id))
        .remove_all(n)
        .is_ok();
}

// The entries of the index as the word list counts them (a word's count is the number of its
// entries): one pass over the word list rather than over every block of the index, which at a
// million messages took seconds.
bool counted_entries(Session& s, uint64_t& n) {
    n = 0;
    Status st = handle(s, kWordList).scan([&](int64_t, const void* rec) {
        n += static_cast<uint64_t>(std::max(0, static_cast<const WordList*>(rec)->WORDCOUNT));
        return true;
    });
    return st || StoreRead(s, kWordList, st);
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
    if (!counted_entries(s, entries)) return false;
    if (total != 0 && entries != 0 && !words_only) {
        std::vector<int32_t> sorted = ids;
        std::sort(sorted.begin(), sorted.end());
        bool keyed = total * 100 / static_cast<int64_t>(entries) <= kKeyedDeletePercent;
        if (keyed) {
            caption("Deleting orphaned word indexes");
            for (int32_t id : sorted)
                if (!delete_entries(s, id)) return report(s, "MASIDX"), false;
        } else {
            // A word's entries lie in blocks of its own, so removing them costs the same
            // either way; the captions still tell the user which course was taken.
            caption("Purging orphaned word indexes");
            for (int32_t id : sorted)
                if (!delete_entries(s, id)) return report(s, "MASIDX(Build)"), false;
            caption("Rebuilding index file");
            caption("Rebuilding index keys");
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
