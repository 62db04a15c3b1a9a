// SPDX-License-Identifier: MIT
#include "wordindex/word_scan.h"

#include <algorithm>
#include <tuple>

#include "platform/fs.h"
#include "platform/text.h"
#include "platform/unicode.h"
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

// The word as a WordList record holds it: the stored text is written trimmed and within the
// field's width, which the two tests below only confirm.
std::string_view list_word(std::string_view stored) {
    using Word = decltype(WordList::THEWORD);
    if (stored.size() > Word::size() || (!stored.empty() && stored.back() == ' '))
        return trim_right(
            stored.substr(0, utf8_prefix_bytes(stored, Word::size(), Word::kMaxBytes)));
    return stored;
}

int field_of(const store::File& f, const char* name) { return f.decl().field_index(name); }

// Beyond this many words found, their ids and counts are read by a second pass over the list
// rather than one look-up each.
constexpr size_t kLookUpFound = 2048;

// The passes read only the words; the words found get their ids and counts here.
Status complete_found(store::File& f, std::vector<std::vector<FoundWord>>& found) {
    std::vector<int64_t> at;
    for (const auto& list : found)
        for (const auto& w : list) at.push_back(w.position);
    if (at.empty()) return Status::ok();
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    std::vector<std::pair<int32_t, int32_t>> values(at.size());  // id, count
    if (at.size() <= kLookUpFound) {
        for (size_t i = 0; i < at.size(); ++i) {
            WordList r;
            if (Status st = f.fetch(at[i], &r); !st) return st;
            values[i] = {r.WORDID, r.WORDCOUNT};
        }
    } else {
        size_t next = 0, filled = 0;
        Status st = f.scan_fields({field_of(f, "WORDID"), field_of(f, "WORDCOUNT")},
                                  [&](const store::FieldRow& row) {
                                      const int64_t pos = row.position();
                                      while (next < at.size() && at[next] < pos) ++next;
                                      if (next < at.size() && at[next] == pos) {
                                          values[next++] = {static_cast<int32_t>(row.number(0)),
                                                            static_cast<int32_t>(row.number(1))};
                                          ++filled;
                                      }
                                      return next < at.size();
                                  });
        if (!st) return st;
        if (filled != at.size()) return Status(Code::NotFound, "a word found has gone");
    }
    for (auto& list : found)
        for (auto& w : list) {
            const size_t i = static_cast<size_t>(
                std::lower_bound(at.begin(), at.end(), w.position) - at.begin());
            std::tie(w.id, w.count) = values[i];
        }
    return Status::ok();
}

// Words read along a key, put in list order, as a pass over the list in file order finds them.
void put_in_list_order(std::vector<FoundWord>& found) {
    std::sort(found.begin(), found.end(),
              [](const FoundWord& a, const FoundWord& b) { return a.position < b.position; });
}

// The list words of the matcher's key ranges, tested against it. The key compares the stored
// (trimmed) bytes, so the words that begin with a prefix follow one another from the prefix on;
// the key's own index holds the words with their positions, so a range reads that alone.
Status look_up_ranges(store::File& f, const WordMatcher& m, std::vector<FoundWord>& found) {
    const std::vector<int> words{field_of(f, "THEWORD")};
    for (const auto& range : m.key_ranges()) {
        WordList from;
        from.THEWORD = range.from;
        Status st = f.scan_fields_from(kTheWordKey, &from, words, [&](const store::FieldRow& row) {
            std::string_view w = list_word(row.text(0));
            if (w.substr(0, range.prefix.size()) != range.prefix) return false;
            if (m.matches(w)) found.push_back({std::string(w), 0, 0, row.position()});
            return true;
        });
        if (!st) return st;
    }
    put_in_list_order(found);
    return Status::ok();
}

// One pass over the words of the whole list; the words found come in list order. Without
// progress to tell, the words are tested as SQLite reads them (from the words' key, which is
// smaller than the list) and only those that match come out of the statement.
Status pass_over_list(store::File& f, const std::vector<WordMatcher>& matchers,
                      std::vector<std::vector<FoundWord>>& found, const ScanProgress& progress,
                      bool& stopped) {
    const int word = field_of(f, "THEWORD");
    auto take = [&](const store::FieldRow& row) {
        std::string_view w = list_word(row.text(0));
        for (size_t i = 0; i < matchers.size(); ++i)
            if (matchers[i].matches(w)) found[i].push_back({std::string(w), 0, 0, row.position()});
    };
    if (!progress) {
        auto any = [&](std::string_view stored) {
            std::string_view w = list_word(stored);
            return std::any_of(matchers.begin(), matchers.end(),
                               [w](const WordMatcher& m) { return m.matches(w); });
        };
        Status st = f.scan_fields_where(word, any, {word}, [&](const store::FieldRow& row) {
            take(row);
            return true;
        });
        for (auto& list : found) put_in_list_order(list);
        return st;
    }
    uint64_t total = 0;
    if (!f.count(total)) total = 0;  // the progress goes without its total
    uint64_t read = 0;
    int shown = -1;
    return f.scan_fields({word}, [&](const store::FieldRow& row) {
        take(row);
        ++read;
        if (total) {
            int percent = static_cast<int>(read * 100 / total);
            if (percent != shown && !progress(shown = percent)) stopped = true;
        }
        return !stopped;
    });
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

// Exact words by key, anchored ones by key ranges, any others by a pass over the whole list.
Status find_words(store::File& f, const std::vector<WordMatcher>& matchers,
                  std::vector<std::vector<FoundWord>>& found, const ScanProgress& progress,
                  bool& stopped) {
    if (all_exact(matchers)) return look_up_exact(f, matchers, found);
    Status st;
    if (all_ranged(matchers)) {
        for (size_t i = 0; i < matchers.size() && st; ++i)
            st = look_up_ranges(f, matchers[i], found[i]);
    } else {
        st = pass_over_list(f, matchers, found, progress, stopped);
    }
    return st ? complete_found(f, found) : st;
}

}  // namespace

ScanResult scan_word_list(Session& s, const std::vector<WordMatcher>& matchers,
                          std::vector<std::vector<FoundWord>>& found,
                          const ScanProgress& progress) {
    found.assign(matchers.size(), {});
    if (!open_word_list(s)) return ScanResult::Failed;
    store::File& f = handle(s, kWordList);
    // The words and then their ids and counts are read in one snapshot of the list (exact words
    // are read whole, one look-up each).
    const bool snapshot = !f.reading() && !all_exact(matchers);
    Status st = snapshot ? f.begin_reading() : Status::ok();
    bool stopped = false;
    if (st) st = find_words(f, matchers, found, progress, stopped);
    if (snapshot) f.end_reading();
    OP_CLOSE(s, kOpClose, {kWordList});
    if (!st) {
        report(s, "Error Reading Header", "Error Reading DAT File header. Aborting");
        return ScanResult::Failed;
    }
    return stopped ? ScanResult::Stopped : ScanResult::Done;
}

}  // namespace qs::words
