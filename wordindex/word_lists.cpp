// SPDX-License-Identifier: MIT
#include "wordindex/word_lists.h"

#include "storage/file_access.h"
#include "wordindex/index_files.h"
#include "wordindex/tokenizer.h"

namespace qs::words {

namespace {

std::string upper(const std::string& w) { return indexed_form(w); }

// Builds the count key when the database's flag asks for it.
bool count_key_ready(Session& s) {
    OP_CLOSE(s, kOpOpen, {kForums, kWordList});
    bool ok = read_database(s);
    if (ok && s.rec.Forums.WORDLISTINDEXNEEDSUPDATE == 1) {
        ok = rebuild_count_key(s);
        if (!ok && !s.quiet())
            s.dialog.message("Index Problem", "Unable to rebuild the word count index.");
        if (ok) ok = save_index_state(s, {s.rec.Forums.LASTMSGID, s.rec.Forums.RECSLASTTIME, 0});
    }
    OP_CLOSE(s, kOpClose, {kForums, kWordList});
    return ok;
}

}  // namespace

bool list_words(Session& s, WordOrder order, size_t limit, std::vector<WordList>& out) {
    if (order == WordOrder::ByCount && !count_key_ready(s)) return false;
    OP_CLOSE(s, kOpOpen, {kWordList});
    store::File& h = handle(s, kWordList);
    bool by_count = order == WordOrder::ByCount;
    h.set(by_count ? kWordCountKey : kTheWordKey);
    WordList rec;
    while (out.size() < limit && (by_count ? h.previous(&rec) : h.next(&rec))) out.push_back(rec);
    OP_CLOSE(s, kOpClose, {kWordList});
    return true;
}

std::set<int32_t> marked_words(Session& s) {
    OP_CLOSE(s, kOpOpen, {kPUR});
    std::set<int32_t> ids = pending_deletions(s);
    OP_CLOSE(s, kOpClose, {kPUR});
    return ids;
}

bool save_marks(Session& s, const std::set<int32_t>& ids) {
    OP_CLOSE(s, kOpOpen, {kPUR});
    bool ok = !TransactionCheck(s, BeginTransaction(s, {kPUR}));
    if (ok) {
        ok = handle(s, kPUR).empty().is_ok();
        for (int32_t id : ids) {
            if (!ok) break;
            s.rec.PUR = PUR{0, id};
            ok = UppDat(s, kPUR, kAdd, kReport);
        }
        if (ok) {
            ok = Commit(s);
        } else {
            Rollback(s);
        }
    }
    OP_CLOSE(s, kOpClose, {kPUR});
    return ok;
}

int toggle_mark(Session& s, const std::string& word) {
    OP_CLOSE(s, kOpOpen, {kWordList});
    s.rec.WordList = WordList{};
    s.rec.WordList.THEWORD = upper(word);
    bool found = Get(s, kWordList, kTheWordKey);
    int32_t id = s.rec.WordList.WORDID;
    OP_CLOSE(s, kOpClose, {kWordList});
    if (!found) return -1;
    std::set<int32_t> ids = marked_words(s);
    bool marked = ids.insert(id).second;
    if (!marked) ids.erase(id);
    if (!save_marks(s, ids)) return -1;
    return marked ? 1 : 0;
}

void StopListForm(Session& s, const std::string& word, const std::string& changed) {
    s.GlobalResponse = 2;
    std::string w = upper(word);
    OP_CLOSE(s, kOpOpen, {kSTO});
    bool there = !w.empty() && is_stop_record(s, w);
    switch (s.GlobalRequest) {
        case 1:
            if (w.empty() || there) break;
            if (add_stop_record(s, w, kReport)) s.GlobalResponse = 1;
            break;
        case 2: {
            std::string to = upper(changed);
            if (!there || to.empty() || is_stop_record(s, to)) break;
            is_stop_record(s, w);  // the record to change becomes current again
            s.rec.STO.THEWORD = to;
            if (UppDat(s, kSTO, kUpdate, kReport)) s.GlobalResponse = 1;
            break;
        }
        case 3:
            if (there && UppDat(s, kSTO, kDelete, kReport)) s.GlobalResponse = 1;
            break;
        default: break;
    }
    OP_CLOSE(s, kOpClose, {kSTO});
}

std::vector<std::string> stop_words(Session& s) {
    std::vector<std::string> out;
    OP_CLOSE(s, kOpOpen, {kSTO});
    Set(s, kSTO, 0);
    while (Next(s, kSTO)) out.push_back(s.rec.STO.THEWORD.str());
    OP_CLOSE(s, kOpClose, {kSTO});
    return out;
}

std::string stop_form_title(int request) {
    static const char* kTitles[] = {"", " Add New Non Index Word", " Update Non Index Word",
                                    " Delete Non Index Word"};
    return request >= 1 && request <= 3 ? kTitles[request] : "";
}

std::string stop_form_hint(int request) {
    static const char* kHints[] = {"", "Add a new non index word",
                                   "Update highlighted non index word",
                                   "Delete highlighted non index word"};
    return request >= 1 && request <= 3 ? kHints[request] : "";
}

std::string word_list_title(const Session& s) { return " Word List [" + s.mem.Description + "]"; }

std::string ignore_list_title(const Session& s) {
    return " Ignore List [" + s.mem.Description + "]";
}

}  // namespace qs::words
