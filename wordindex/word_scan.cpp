// SPDX-License-Identifier: MIT
#include "wordindex/word_scan.h"

#include <algorithm>

#include "platform/fs.h"
#include "storage/file_access.h"
#include "wordindex/index_files.h"

namespace qs::words {

namespace {

void report(Session& s, const char* title, const char* text) {
    if (!s.quiet()) s.dialog.message(title, text);
}

// Opens the word list; false after telling why when there is none to search.
bool open_word_list(Session& s) {
    std::string name = full_name(s, kWordList);
    if (name.empty()) {
        report(s, "Bad File Name", ". must be in file name indicating an extension");
        return false;
    }
    if (!fs::exists(name)) {
        report(s, "No File to Search", "The File to be Searched Does Not Exist!");
        return false;
    }
    OP_CLOSE(s, kOpOpen, {kWordList});
    return true;
}

// Whole words without wildcards are looked up by key: the same words a pass would find, without
// reading the whole list.
Status look_up_exact(store::File& f, const std::vector<WordMatcher>& matchers,
                     std::vector<std::vector<FoundWord>>& found) {
    for (size_t i = 0; i < matchers.size(); ++i) {
        WordList r;
        r.THEWORD = matchers[i].exact_word();
        Status st = f.get(kTheWordKey, &r, &r);
        if (st.code() == Code::NotFound) continue;
        if (!st) return st;
        found[i].push_back({std::string(r.THEWORD.trimmed()), r.WORDID, r.WORDCOUNT, f.position()});
    }
    return Status::ok();
}

// The list words of the matcher's key ranges, tested against it. The key compares the stored
// (trimmed) bytes, so the words that begin with a prefix follow one another from the prefix on.
Status look_up_ranges(store::File& f, const WordMatcher& m, std::vector<FoundWord>& found) {
    for (const auto& range : m.key_ranges()) {
        WordList r;
        r.THEWORD = range.from;
        f.set(kTheWordKey, &r, 1);
        for (;;) {
            Status st = f.next(&r);
            if (st.code() == Code::NotFound) break;
            if (!st) return st;
            std::string_view w = r.THEWORD.trimmed();
            if (w.substr(0, range.prefix.size()) != range.prefix) break;
            if (m.matches(w))
                found.push_back({std::string(w), r.WORDID, r.WORDCOUNT, f.position()});
        }
    }
    // In list order, as a pass over the whole list finds them.
    std::sort(found.begin(), found.end(),
              [](const FoundWord& a, const FoundWord& b) { return a.position < b.position; });
    return Status::ok();
}

bool all_ranged(const std::vector<WordMatcher>& matchers) {
    return !matchers.empty() &&
           std::all_of(matchers.begin(), matchers.end(),
                       [](const WordMatcher& m) { return !m.key_ranges().empty(); });
}

bool all_exact(const std::vector<WordMatcher>& matchers) {
    return !matchers.empty() && std::all_of(matchers.begin(), matchers.end(),
                                            [](const WordMatcher& m) { return m.exact(); });
}

}  // namespace

ScanResult scan_word_list(Session& s, const std::vector<WordMatcher>& matchers,
                          std::vector<std::vector<FoundWord>>& found,
                          const ScanProgress& progress) {
    found.assign(matchers.size(), {});
    if (!open_word_list(s)) return ScanResult::Failed;
    store::File& f = handle(s, kWordList);
    if (all_exact(matchers)) {
        Status st = look_up_exact(f, matchers, found);
        OP_CLOSE(s, kOpClose, {kWordList});
        if (st) return ScanResult::Done;
        report(s, "Error Reading Header", "Error Reading DAT File header. Aborting");
        return ScanResult::Failed;
    }
    if (all_ranged(matchers)) {
        Status st;
        for (size_t i = 0; i < matchers.size() && st; ++i)
            st = look_up_ranges(f, matchers[i], found[i]);
        OP_CLOSE(s, kOpClose, {kWordList});
        if (st) return ScanResult::Done;
        report(s, "Error Reading Header", "Error Reading DAT File header. Aborting");
        return ScanResult::Failed;
    }
    uint64_t total = 0;
    if (progress && !f.count(total)) total = 0;  // the progress goes without its total
    uint64_t read = 0;
    int shown = -1;
    bool stopped = false;
    Status st = f.scan([&](int64_t pos, const void* raw) {
        const auto& r = *static_cast<const WordList*>(raw);
        std::string_view w = r.THEWORD.trimmed();
        for (size_t i = 0; i < matchers.size(); ++i)
            if (matchers[i].matches(w))
                found[i].push_back({std::string(w), r.WORDID, r.WORDCOUNT, pos});
        ++read;
        if (progress && total) {
            int percent = static_cast<int>(read * 100 / total);
            if (percent != shown && !progress(shown = percent)) stopped = true;
        }
        return !stopped;
    });
    OP_CLOSE(s, kOpClose, {kWordList});
    if (!st) {
        report(s, "Error Reading Header", "Error Reading DAT File header. Aborting");
        return ScanResult::Failed;
    }
    return stopped ? ScanResult::Stopped : ScanResult::Done;
}

}  // namespace qs::words
