// SPDX-License-Identifier: MIT
#include "wordindex/indexer.h"

#include <algorithm>

#include "storage/config.h"
#include "storage/file_access.h"
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
        if (!WSVars(s, kGetSetting, item::kForumFooters + i, nullptr, &v[i])) return false;
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

}  // namespace

Indexer::Indexer(Session& s, const IndexRequest& request, IndexProgress progress)
    : s_(s), request_(request), progress_(std::move(progress)), files_(files_of(request.type)) {
    OP_CLOSE(s_, kOpOpen, files_);
    open_ = true;
    s_.IndexingInProgress = true;
}

Indexer::~Indexer() {
    if (!open_) return;
    if (s_.engine.in_transaction()) s_.engine.rollback();
    end();
}

void Indexer::end() {
    if (!open_) return;
    pass_.reset();
    s_.IndexingInProgress = false;
    OP_CLOSE(s_, kOpClose, files_);
    open_ = false;
}

void Indexer::caption(const std::string& c) const {
    if (progress_.caption) progress_.caption(c);
}

int Indexer::percent() const {
    if (state_ == State::Ending || state_ == State::Ended) return 100;
    return pass_ ? pass_->percent() : 0;
}

Indexer::Result Indexer::step() {
    if (failed_) return Result::Failed;
    if (state_ == State::Ended) return Result::Done;
    if (cancelled_ && state_ != State::Passes && state_ != State::Ending) state_ = State::Ended;
    bool ok = true;
    switch (state_) {
        case State::Start: ok = start(); break;
        case State::Cleanup: ok = cleanup(); break;
        case State::Prepare: ok = prepare(); break;
        case State::Passes: ok = passes(); break;
        case State::Ending: ok = ending(); break;
        case State::Ended: break;
    }
    if (!ok) {
        failed_ = true;
        result_ = kIndexNotFinished;
        end();
        return Result::Failed;
    }
    if (state_ != State::Ended) return Result::More;
    end();
    return Result::Done;
}

// Whether the word list and the master index hold nothing; a count that fails counts as
// something there, so that a rebuild is asked for all the same.
bool Indexer::index_empty() {
    uint64_t words = 0, rows = 0;
    return RecordCount(s_, kWordList, words) && RecordCount(s_, kMasIdx, rows) && words == 0 &&
           rows == 0;
}

bool Indexer::start() {
    Settings set;
    if (!read_settings(s_, request_.type, set)) {
        say(s_, "Index Problem", "Unable to read configuration file.|Indexing Skipped");
        return false;
    }
    auto_stop_ = set.auto_stop;
    keep_footer_ = set.keep_footer;
    if (!read_database(s_)) {
        say(s_, "Disk Error", "Unable to read forum data!|Indexing not possible now.");
        return false;
    }
    index_ = {s_.rec.Forums.LASTMSGID, s_.rec.Forums.RECSLASTTIME,
              s_.rec.Forums.WORDLISTINDEXNEEDSUPDATE};
    if (request_.full && !request_.confirmed && !index_empty() && !s_.quiet() &&
        !s_.dialog.ask("Warning",
                       "This will DELETE the current Wordlist & Master Index.|All messages in "
                       "the file will be indexed.|Are you SURE you want to continue?",
                       false)) {
        state_ = State::Ended;  // declined: nothing is changed
        return true;
    }
    state_ = State::Cleanup;
    return true;
}

bool Indexer::cleanup() {
    const bool full = request_.full;
    // Words marked for deletion go to the stop list even when the index is rebuilt, so that
    // the rebuild does not bring them back.
    auto shown = [this](const std::string& c) {
        caption(c);
    };
    uint64_t pending = 0;
    if (!RecordCount(s_, kPUR, pending)) return false;
    if (pending && !word_delete_cleanup(s_, full, shown)) return false;
    state_ = State::Prepare;
    return true;
}

// Empties the word list, master index and pending deletions and clears the stored position
// together, so that a failure leaves the old index as it was, and an emptied index is never
// taken for a complete one by the next partial run.
bool Indexer::empty_index() {
    if (TransactionCheck(s_, BeginTransaction(s_, {kWordList, kMasIdx, kPUR, kForums})))
        return false;
    bool ok = handle(s_, kWordList).empty() && handle(s_, kMasIdx).empty() &&
              handle(s_, kPUR).empty() && save_index_state(s_, {0, 0, 1});
    if (!ok) Rollback(s_);
    return ok && Commit(s_);
}

bool Indexer::prepare() {
    // Emptied in the step that saves the cleared position: a run cut before it leaves the index
    // and its position as they were.
    if (request_.full && !empty_index()) return false;
    caption("Preparing for Word Indexing");
    const uint8_t type = request_.type;
    PassSetup setup;
    setup.kind = static_cast<Kind>(type == kMailDb ? 2 : type == kForumDb ? 1 : 3);
    setup.auto_stop = auto_stop_;
    setup.keep_footer = keep_footer_;
    setup.per_pass = request_.per_pass > 0 ? request_.per_pass : 4;
    setup.flush_pairs = request_.flush_pairs;
    setup.flush_position_bytes = request_.flush_position_bytes;
    uint64_t texts = 0;
    if (!RecordCount(s_, kMsgText, texts)) return false;
    if (request_.full || index_.position == 0) {
        index_.position = 0;
        index_.count = 0;
        setup.to_go = texts;
    } else {
        setup.to_go = texts > index_.count ? texts - index_.count : 0;
    }
    index_.needs_update = 1;
    if (!save_index_state(s_, index_)) return false;
    pass_ = std::make_unique<IndexPass>(s_, setup, index_, progress_);
    if (!pass_->prepare()) {
        pass_->restore_keys();
        return false;
    }
    caption("Indexing messages");
    state_ = State::Passes;
    return true;
}

bool Indexer::passes() {
    PassResult r = cancelled_ ? pass_->finish() : pass_->step();
    if (r == PassResult::More) return true;
    pass_->fill(outcome_);
    bool keys = pass_->restore_keys();
    // The position reached is kept even after a failure: everything before it was written.
    index_ = pass_->state();
    index_.needs_update = 1;
    if (!save_index_state(s_, index_) || r == PassResult::Failed || !keys) return false;
    state_ = State::Ending;
    return true;
}

bool Indexer::ending() {
    auto shown = [this](const std::string& c) {
        caption(c);
    };
    WordBook& book = pass_->book();
    if (!remove_stopped_words(s_, book.deleted(), book.deleted_total(), shown)) return false;
    state_ = State::Ended;
    // A cancelled run leaves the count key to the word list window (the flag stays set).
    if (cancelled_) return true;
    caption("Indexing finished!");
    if (!handle(s_, kWordList).build_key(kWordCountKey)) return false;
    index_.needs_update = 0;
    if (!save_index_state(s_, index_)) return false;
    result_ = kIndexFinished;
    return true;
}

int messages_per_pass(Session& s) {
    int32_t n = SpeedVal(s, kGetPace, item::kPaceIndexing);
    return n > 0 ? n : 4;
}

std::string index_title(const Session& s) {
    return std::string(s.quiet() ? " Scheduled VEV Word Indexing [" : " VEV Word Indexing [") +
           s.mem.Description + "]";
}

uint8_t INDEXFILE1(Session& s, const IndexRequest& request, const IndexProgress& progress,
                   IndexOutcome* outcome) {
    Indexer run(s, request, progress);
    while (run.step() == Indexer::Result::More) {
    }
    if (outcome) *outcome = run.outcome();
    return run.result();
}

}  // namespace qs::words
