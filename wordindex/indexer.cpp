// SPDX-License-Identifier: MIT
#include "wordindex/indexer.h"

#include "storage/config.h"
#include "storage/file_access.h"
#include "wordindex/index_files.h"
#include "wordindex/index_pass.h"
#include "wordindex/word_cleanup.h"

namespace qs::words {

namespace {

struct Settings {
    bool auto_stop = false;
    bool keep_footer = false;
};

bool read_settings(Session& s, uint8_t type, Settings& out) {
    if (!s.settings.word_index_loaded) return false;
    uint8_t v[5] = {};  // selectors 51 to 55
    for (int i = 0; i < 5; ++i)
        if (!WSVars(s, 3, 51 + i, nullptr, &v[i])) return false;
    if (type == kForumDb) {
        out.auto_stop = v[53 - 51] == 1;
        out.keep_footer = v[51 - 51] == 1;
    } else if (type == kMailDb) {
        out.auto_stop = v[55 - 51] == 1;
        out.keep_footer = true;  // footers are a forum and newsgroup matter
    } else {
        out.auto_stop = v[54 - 51] == 1;
        out.keep_footer = v[52 - 51] == 1;
    }
    return true;
}

void say(Session& s, const char* title, const std::string& text) {
    if (!s.quiet()) s.dialog.message(title, text);
}

std::vector<int> files_of(uint8_t type) {
    std::vector<int> f = {kForums, kMsgText, kWordList, kMasIdx, kSTO, kPUR};
    if (type == kMailDb) {
        f.push_back(kMail);
    } else {
        f.push_back(kMsgNmbr);
        f.push_back(kThreads);
    }
    return f;
}

// The run itself, with its files open.
uint8_t run_open(Session& s, const IndexRequest& rq, const IndexProgress& progress,
                 IndexOutcome& outcome) {
    auto caption = [&](const std::string& c) {
        if (progress.caption) progress.caption(c);
    };
    Settings set;
    if (!read_settings(s, rq.type, set)) {
        say(s, "Index Problem", "Unable to read configuration file.|Indexing Skipped");
        return 2;
    }
    if (!read_database(s)) {
        say(s, "Disk Error", "Unable to read forum data!|Indexing not possible now.");
        return 2;
    }
    IndexState state{s.rec.Forums.LASTMSGID, s.rec.Forums.RECSLASTTIME,
                     s.rec.Forums.WORDLISTINDEXNEEDSUPDATE};
    bool full = rq.full;
    if (full && !rq.confirmed && (RecordCount(s, kWordList) || RecordCount(s, kMasIdx))) {
        if (!s.quiet() &&
            !s.dialog.ask("Warning",
                          "This will DELETE the current Wordlist & Master Index.|All messages in "
                          "the file will be indexed.|Are you SURE you want to continue?",
                          false))
            return 2;
    }
    // Words marked for deletion go to the stop list even when the index is rebuilt, so that
    // the rebuild does not bring them back.
    if (full && RecordCount(s, kPUR) && !word_delete_cleanup(s, true, caption)) return 2;
    if (full) {
        // Emptied together, so that a failure leaves the old index as it was.
        if (TransactionCheck(s, BeginTransaction(s, {kWordList, kMasIdx, kPUR}))) return 2;
        bool ok =
            handle(s, kWordList).empty() && handle(s, kMasIdx).empty() && handle(s, kPUR).empty();
        if (!ok) Rollback(s);
        if (!ok || !Commit(s)) return 2;
    }
    if (RecordCount(s, kPUR) && !word_delete_cleanup(s, full, caption)) return 2;

    caption("Preparing for Word Indexing");
    PassSetup setup;
    setup.kind = static_cast<Kind>(rq.type == kMailDb ? 2 : rq.type == kForumDb ? 1 : 3);
    setup.auto_stop = set.auto_stop;
    setup.keep_footer = set.keep_footer;
    setup.per_pass = rq.per_pass > 0 ? rq.per_pass : 4;
    uint64_t texts = RecordCount(s, kMsgText);
    if (full || state.position == 0) {
        state.position = 0;
        state.count = 0;
        setup.to_go = texts;
    } else {
        setup.to_go = texts > state.count ? texts - state.count : 0;
    }
    state.needs_update = 1;
    if (!save_index_state(s, state)) return 2;

    IndexPass pass(s, setup, state, progress);
    if (!pass.prepare()) {
        pass.restore_keys();
        return 2;
    }
    caption("Indexing messages");
    PassResult r = PassResult::More;
    while (r == PassResult::More) r = pass.step();
    pass.fill(outcome);
    if (!pass.restore_keys()) r = PassResult::Failed;
    // The position reached is kept even after a failure: everything before it was written.
    state = pass.state();
    state.needs_update = 1;
    if (!save_index_state(s, state) || r == PassResult::Failed) return 2;
    if (!remove_stopped_words(s, pass.book().deleted(), pass.book().deleted_total(), caption))
        return 2;
    caption("Indexing finished!");
    if (!handle(s, kWordList).build_key(kWordCountKey)) return 2;
    state.needs_update = 0;
    return save_index_state(s, state) ? 1 : 2;
}

}  // namespace

int messages_per_pass(Session& s) {
    int32_t n = SpeedVal(s, 3, 28);
    return n > 0 ? n : 4;
}

std::string index_title(const Session& s) {
    return std::string(s.quiet() ? " Scheduled VEV Word Indexing [" : " VEV Word Indexing [") +
           s.mem.Description + "]";
}

uint8_t INDEXFILE1(Session& s, const IndexRequest& request, const IndexProgress& progress,
                   IndexOutcome* outcome) {
    IndexOutcome local;
    std::vector<int> files = files_of(request.type);
    OP_CLOSE(s, kOpOpen, files);
    s.IndexingInProgress = true;
    uint8_t result = 2;
    try {
        result = run_open(s, request, progress, outcome ? *outcome : local);
    } catch (...) {
        s.IndexingInProgress = false;
        s.engine.rollback();
        OP_CLOSE(s, kOpClose, files);
        throw;
    }
    s.IndexingInProgress = false;
    OP_CLOSE(s, kOpClose, files);
    return result;
}

}  // namespace qs::words
