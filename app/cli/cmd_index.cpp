// SPDX-License-Identifier: MIT
// quillstow index | index status | words | words mark | stoplist: the word index of a database.
#include <algorithm>
#include <iomanip>
#include <iostream>
#include <memory>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "maintenance/interrupt.h"
#include "storage/database_list.h"
#include "wordindex/index_status.h"
#include "wordindex/indexer.h"
#include "wordindex/word_lists.h"

namespace qs::cli {

namespace {

words::IndexProgress stderr_progress() {
    words::IndexProgress p;
    p.caption = [](const std::string& c) {
        if (c != "Indexing finished!") std::cerr << c << "\n";
    };
    auto last = std::make_shared<int>(-1);
    p.percent = [last](int percent, uint64_t done, uint64_t to_go) {
        if (percent == *last) return;
        *last = percent;
        std::cerr << "  " << percent << "% (" << done << " of " << to_go << ")\n";
    };
    return p;
}

}  // namespace

int cmd_index(Context& c, const std::vector<std::string>& w) {
    Args a(w, {}, {"--full"});
    a.at_most(1);
    if (!current_database(c, a.need(0, "the database"))) return kExitFailed;
    uint8_t status = words::WSIndexFixup(c.s);
    c.out << words::index_status_text(status) << std::endl;
    if (status == words::kIndexUnreadable) return kExitFailed;
    if (status == words::kNothingToIndex && !a.flag("--full")) return kExitOk;
    words::IndexRequest rq;
    rq.type = c.s.mem.ForumType;
    rq.per_pass = words::messages_per_pass(c.s);
    rq.full = a.flag("--full");
    rq.confirmed = rq.full;  // asking for it on the command line is the confirmation
    std::cerr << words::index_title(c.s) << "\n";
    words::Indexer run(c.s, rq, stderr_progress());
    maint::InterruptCatcher catcher;
    bool stopped = false;
    while (run.step() == words::Indexer::Result::More)
        if (maint::interrupted() && !stopped) {
            run.cancel();  // writes what is buffered and keeps the position reached
            stopped = true;
        }
    const words::IndexOutcome& out = run.outcome();
    if (stopped) {
        std::cerr << "quillstow: indexing interrupted after " << out.tokenized
                  << " messages; run quillstow index again to go on from there\n";
        return maint::kExitInterrupted;
    }
    if (run.result() != words::kIndexFinished) {
        std::cerr << "quillstow: indexing did not finish\n";
        return kExitFailed;
    }
    std::cerr << out.tokenized << " messages tokenized, " << out.pairs << " word entries, "
              << out.new_words << " new words, " << out.stopped << " moved to the stop list\n";
    c.out << "Indexing finished!" << std::endl;
    return kExitOk;
}

int cmd_index_status(Context& c, const std::vector<std::string>& w) {
    Args a(w, {}, {});
    a.at_most(1);
    if (!current_database(c, a.need(0, "the database"))) return kExitFailed;
    uint8_t status = words::WSIndexFixup(c.s);
    if (c.json) {
        JsonObject o;
        o.number("STATUS", status);
        o.text("TEXT", words::index_status_text(status));
        c.out << o.str() << "\n";
    } else {
        c.out << words::index_status_text(status) << "\n";
    }
    return status == words::kIndexUnreadable ? kExitFailed : kExitOk;
}

int cmd_words(Context& c, const std::vector<std::string>& w) {
    Args a(w, {"--by", "--limit"}, {});
    a.at_most(1);
    std::string by = a.value("--by", "word");
    if (by != "word" && by != "count") throw UsageError("--by takes word or count");
    size_t limit = SIZE_MAX;
    if (a.has("--limit")) limit = static_cast<size_t>(a.number("--limit", kCount, 0));
    if (!current_database(c, a.need(0, "the database"))) return kExitFailed;
    std::vector<WordList> list;
    auto order = by == "count" ? words::WordOrder::ByCount : words::WordOrder::ByWord;
    if (!words::list_words(c.s, order, limit, list)) return kExitFailed;
    if (c.json) c.out << "[";
    for (size_t i = 0; i < list.size(); ++i) {
        WordList& r = list[i];
        if (c.json) {
            JsonObject o;
            add_fields(o, r);
            c.out << (i ? "," : "") << o.str();
        } else {
            c.out << std::left << pad_to_width(r.THEWORD.trimmed(), 42) << r.WORDCOUNT << "\n";
        }
    }
    if (c.json) c.out << "]\n";
    return kExitOk;
}

int cmd_words_mark(Context& c, const std::vector<std::string>& w) {
    Args a(w, {}, {});
    if (!current_database(c, a.need(0, "the database"))) return kExitFailed;
    a.need(1, "a word");
    int status = kExitOk;
    for (size_t i = 1; i < a.positional().size(); ++i) {
        const std::string& word = a.positional()[i];
        int r = words::toggle_mark(c.s, text_from_input(word));
        if (r < 0) {
            std::cerr << "quillstow: \"" << word << "\" is not in the word list\n";
            status = kExitFailed;
        } else {
            c.out << word << (r ? ": marked for deletion" : ": no longer marked") << "\n";
        }
    }
    return status;
}

int cmd_stoplist(Context& c, const std::vector<std::string>& w) {
    Args a(w, {}, {});
    const std::string& what = a.need(0, "list, add, change or remove");
    if (what == "list") {
        a.at_most(1);
        for (const auto& word : words::stop_words(c.s)) c.out << word << "\n";
        return kExitOk;
    }
    static const std::vector<std::string> kRequests = {"add", "change", "remove"};
    auto it = std::find(kRequests.begin(), kRequests.end(), what);
    if (it == kRequests.end()) throw UsageError("say list, add, change or remove");
    int request = static_cast<int>(it - kRequests.begin()) + 1;
    a.at_most(request == 2 ? 3 : 2);
    std::string word = text_from_input(a.need(1, "the word"));
    std::string changed = request == 2 ? text_from_input(a.need(2, "the new word")) : "";
    c.s.GlobalRequest = request;
    words::StopListForm(c.s, word, changed);
    if (c.s.GlobalResponse == 1) return kExitOk;
    static const char* kRefused[] = {"", "is already in the stop list or empty",
                                     "is not in the stop list, or the new word already is",
                                     "is not in the stop list"};
    std::cerr << "quillstow:" << words::stop_form_title(request) << ": \"" << a.positional()[1]
              << "\" " << kRefused[request] << "\n";
    return kExitFailed;
}

}  // namespace qs::cli
