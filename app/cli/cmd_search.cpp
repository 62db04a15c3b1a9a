// SPDX-License-Identifier: MIT
// quillstow search: the word index search of a database, from the command line.
#include <algorithm>
#include <charconv>
#include <iostream>
#include <string_view>
#include <tuple>
#include <utility>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "platform/clock.h"
#include "platform/unicode.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "wordindex/search_engine.h"
#include "wordindex/search_expression.h"

namespace qs::cli {

namespace {

words::MatchOptions match_options(const Args& a) {
    words::MatchOptions m;
    m.whole_word = a.flag("--whole-word");
    m.starts_with = a.flag("--starts-with");
    m.soundex = a.flag("--soundex");
    // A word of the list has at most 40 characters: a degree of 40 already matches every one.
    constexpr NumberRule kDegree{"a degree of mismatch", 0, 40};
    m.approximate = static_cast<int>(a.number("--approx", kDegree, -1));
    return m;
}

std::vector<std::string> inputs(const Args& a, const std::string& option) {
    std::vector<std::string> out;
    for (const auto& v : a.values(option)) out.push_back(text_from_input(v));
    return out;
}

words::SearchInput input_of(const Args& a) {
    words::SearchInput in;
    in.all = inputs(a, "--and");
    in.any = inputs(a, "--or");
    in.none = inputs(a, "--not");
    if (a.has("--phrase")) in.phrase = text_from_input(a.value("--phrase"));
    in.match = match_options(a);
    return in;
}

// The expression of the search; false after saying why there is none.
bool expression_of(Context& c, const words::SearchInput& in, words::SearchExpression& e) {
    e = words::build_search_expression(c.s, in);
    switch (e.result) {
        case words::ExpressionResult::Ready: return true;
        case words::ExpressionResult::Stopped: return false;
        case words::ExpressionResult::NoMatch:
            // Nothing can be found: the search runs empty and says "0 found".
            std::cerr << "quillstow: no indexed word matches \"" << e.input << "\"\n";
            return true;
        case words::ExpressionResult::TooOpen:
            std::cerr << "quillstow: \"" << e.input << "\" matches " << e.matches
                      << " indexed words; only one --and word may match several, and only"
                         " without --or\n";
            return false;
    }
    return false;
}

struct Row {
    int32_t date = 0, time = 0;
    uint32_t number = 0;
    std::string sender, subject;
    JsonObject json;
};

Row row_of(Context& c, uint32_t id) {
    Row r;
    r.number = id;
    if (c.s.mem.ForumType == kMailDb) {
        Mail m;
        m.MAILID = id;
        if (!handle(c.s, kMail).get(keys::MaiIdKey, &m, &m)) return r;
        std::tie(r.date, r.time, r.sender, r.subject) =
            std::make_tuple(m.DATE, m.TIME, m.FROMALPHA.str(), m.SUBJECT.str());
        if (c.json) add_fields(r.json, m);
        return r;
    }
    MsgNmbr m;
    m.MSGNUMBER = id;
    if (!handle(c.s, kMsgNmbr).get(keys::MsgIdKey, &m, &m)) return r;
    Threads t;
    t.THREADNUMBER = m.THREADNUMBER;
    std::string heading =
        handle(c.s, kThreads).get(0, &t, &t) ? std::string(trim_right(t.heading())) : "";
    std::tie(r.date, r.sender, r.subject) = std::make_tuple(m.DATE, m.FROMALPHA.str(), heading);
    if (!c.json) return r;
    add_fields(r.json, m);
    r.json.text("SUBJECT", heading);
    return r;
}

// `text` left-aligned in at least `width` bytes, as std::left with std::setw prints it.
void append_left(std::string& out, std::string_view text, size_t width) {
    out += text;
    if (text.size() < width) out.append(width - text.size(), ' ');
}

// A hit of the plain listing. Its sender and subject lie in one buffer shared by all hits, so
// that neither reading nor sorting twenty thousand hits allocates per hit.
struct Line {
    int32_t date = 0, time = 0;
    uint32_t number = 0;
    uint32_t sender = 0, sender_size = 0, subject = 0, subject_size = 0;
};

class Lines {
public:
    explicit Lines(const words::HitQueue& hits) {
        lines_.reserve(hits.size());
        for (uint32_t id : hits) lines_.push_back(Line{.number = id});
        texts_.reserve(hits.size() * 40);
    }
    std::vector<Line>& lines() { return lines_; }
    // The i-th line, in the order of the hits (ascending numbers) until sorted.
    Line& at(size_t i) { return lines_[i]; }
    void set_sender(Line& l, std::string_view t) { keep(t, l.sender, l.sender_size); }
    void set_subject(Line& l, std::string_view t) { keep(t, l.subject, l.subject_size); }
    std::string_view sender(const Line& l) const {
        return {texts_.data() + l.sender, l.sender_size};
    }
    std::string_view subject(const Line& l) const {
        return {texts_.data() + l.subject, l.subject_size};
    }

private:
    void keep(std::string_view t, uint32_t& at, uint32_t& size) {
        at = static_cast<uint32_t>(texts_.size());
        size = static_cast<uint32_t>(t.size());
        texts_ += t;
    }
    std::vector<Line> lines_;
    std::string texts_;
};

// A field as its record would hold it: cut to the field's width and without trailing blanks.
template <class T>
std::string_view as_field(T& field, std::string_view stored) {
    field = stored;
    return field.view();
}

std::vector<int> field_numbers(const store::File& f, std::initializer_list<const char*> names) {
    std::vector<int> out;
    for (const char* n : names) out.push_back(f.decl().field_index(n));
    return out;
}

// Reads the date, sender and subject of every hit, each hit's record only in part: the plain
// listing needs no more. A hit whose header is gone keeps a line with its number alone.
void read_lines(Context& c, const words::HitQueue& hits, Lines& out) {
    std::vector<int64_t> keys(hits.begin(), hits.end());
    // The lines are in the order of the hits; the records come in the order the store reads
    // them, those without a record skipped.
    std::vector<Line>& all = out.lines();
    // Both ways of reading give the records mostly in ascending numbers (a pass goes in file
    // order, which is mostly the order of the numbers): the line after the last one is tried
    // before a search of all of them.
    size_t after_last = 0;
    auto line_of = [&](int64_t id) -> Line& {
        const auto number = static_cast<uint32_t>(id);
        if (after_last < all.size() && all[after_last].number == number) return all[after_last++];
        auto at = std::lower_bound(all.begin(), all.end(), number,
                                   [](const Line& l, uint32_t n) { return l.number < n; });
        after_last = static_cast<size_t>(at - all.begin()) + 1;
        return *at;
    };
    if (c.s.mem.ForumType == kMailDb) {
        store::File& mail = handle(c.s, kMail);
        Mail m;
        static_cast<void>(mail.read_fields(
            keys::MaiIdKey, keys, field_numbers(mail, {"DATE", "TIME", "FROMALPHA", "SUBJECT"}),
            [&](int64_t id, const store::FieldRow& row) {
                Line& l = line_of(id);
                l.date = static_cast<int32_t>(row.number(0));
                l.time = static_cast<int32_t>(row.number(1));
                out.set_sender(l, as_field(m.FROMALPHA, row.text(2)));
                out.set_subject(l, as_field(m.SUBJECT, row.text(3)));
            }));
        return;
    }
    // A forum message lists the heading of its thread, read once for all its thread's hits.
    store::File& msgs = handle(c.s, kMsgNmbr);
    MsgNmbr m;
    std::vector<std::pair<uint32_t, size_t>> threads;  // thread, line
    static_cast<void>(msgs.read_fields(
        keys::MsgIdKey, keys, field_numbers(msgs, {"DATE", "FROMALPHA", "THREADNUMBER"}),
        [&](int64_t id, const store::FieldRow& row) {
            Line& l = line_of(id);
            l.date = static_cast<int32_t>(row.number(0));
            out.set_sender(l, as_field(m.FROMALPHA, row.text(1)));
            threads.emplace_back(static_cast<uint32_t>(row.number(2)),
                                 static_cast<size_t>(&l - all.data()));
        }));
    std::sort(threads.begin(), threads.end());
    Threads t;
    std::string heading;
    for (size_t i = 0; i < threads.size(); ++i) {
        if (i == 0 || threads[i].first != threads[i - 1].first) {
            t.THREADNUMBER = threads[i].first;
            heading = handle(c.s, kThreads).get(0, &t, &t) ? std::string(trim_right(t.heading()))
                                                           : std::string();
        }
        out.set_subject(out.at(threads[i].second), heading);
    }
}

// The listing goes out in large blocks: formatting a stream line by line cost about as much as
// reading the hits' headers, and one block for all of it costs fresh memory (page faults).
void print_lines(Context& c, Lines& lines) {
    std::vector<Line>& all = lines.lines();
    std::sort(all.begin(), all.end(), [](const Line& x, const Line& y) {
        return std::tie(x.date, x.time, x.number) > std::tie(y.date, y.time, y.number);
    });
    constexpr size_t kBlock = 64 * 1024;
    std::string out, date;
    out.reserve(kBlock + 1024);
    int32_t date_of = 0;  // the hits come by date: most lines share the last one's
    for (const Line& l : all) {
        char number[16];
        auto [end, ec] = std::to_chars(number, number + sizeof number, l.number);
        append_left(out, std::string_view(number, static_cast<size_t>(end - number)), 10);
        if (l.date != date_of || date.empty()) date = iso_date(date_of = l.date);
        append_left(out, date, 11);
        std::string_view sender = lines.sender(l);
        out += sender;
        if (size_t width = display_width(sender); width < 12) out.append(12 - width, ' ');
        out += lines.subject(l);
        out += '\n';
        if (out.size() >= kBlock) {
            c.out.write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
        }
    }
    c.out.write(out.data(), static_cast<std::streamsize>(out.size()));
}

void print_json(Context& c, const words::HitQueue& hits, const words::FoundWordsQueue& found) {
    std::vector<Row> rows;
    rows.reserve(hits.size());
    {
        ReadSnapshot snapshot(c.s, words::message_files(c.s.mem.ForumType, false), true);
        for (uint32_t id : hits) rows.push_back(row_of(c, id));  // the message files are open
    }
    std::sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) {
        return std::tie(x.date, x.time, x.number) > std::tie(y.date, y.time, y.number);
    });
    std::string list = "[", wordlist = "[";
    for (size_t i = 0; i < rows.size(); ++i) list += (i ? "," : "") + rows[i].json.str();
    size_t n = 0;
    for (const auto& w : found) wordlist += (n++ ? "," : "") + json_string(w);
    JsonObject o;
    o.raw("HITS", list + "]");
    o.raw("WORDS", wordlist + "]");
    c.out << o.str() << "\n";
}

void print(Context& c, const words::HitQueue& hits, const words::FoundWordsQueue& found) {
    if (c.json) return print_json(c, hits, found);
    Lines lines(hits);
    {
        ReadSnapshot snapshot(c.s, words::message_files(c.s.mem.ForumType, false), true);
        read_lines(c, hits, lines);  // the message files are open
    }
    print_lines(c, lines);
    c.out << hits.size() << " found";
    if (!found.empty()) c.out << "; words:";
    for (const auto& w : found) c.out << " " << w;
    c.out << "\n";
}

int run_search(Context& c, const Args& a, const words::SearchInput& in);

}  // namespace

int cmd_search(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--and", "--or", "--not", "--phrase", "--approx"},
           {"--starts-with", "--whole-word", "--soundex", "--all-blocks"});
    a.at_most(1);
    const std::string& name = a.need(0, "DB");
    words::SearchInput in = input_of(a);
    if (!current_database(c, name)) return kExitFailed;
    // Every file of the search stays open for the whole command: the lookups and blocks below
    // open them again only by count.
    std::vector<int> files = words::message_files(c.s.mem.ForumType, in.phrase.has_value());
    files.insert(files.end(), {kSTO, kWordList, kMasIdx, kSearch});
    OP_CLOSE(c.s, kOpOpen, files);
    int status = run_search(c, a, in);
    OP_CLOSE(c.s, kOpClose, files);
    return status;
}

namespace {

int run_search(Context& c, const Args& a, const words::SearchInput& in) {
    if (!words::has_index_entries(c.s)) {
        std::cerr << "quillstow: \"" << a.need(0, "DB") << "\" is not word indexed\n";
        return kExitFailed;
    }
    words::SearchExpression e;
    if (!expression_of(c, in, e)) return kExitFailed;
    const bool all_blocks = a.flag("--all-blocks");
    words::HitQueue hits, block;
    words::FoundWordsQueue found;
    if (!e.lists.empty()) {
        words::SearchState st(c.s, c.s.mem.ForumType);
        // Without --all-blocks only the first block is searched: the first thousand of a full
        // scan, the first pause count of index entries otherwise.
        st.set_questions({[] { return true; },
                          [all_blocks](size_t) {
                              return all_blocks;
                          }});
        if (!st.prepare(e.lists, e.phrase)) return kExitFailed;
        do {
            if (st.BUILDSEARCH(block, found) == words::SearchOutcome::Cancelled) break;
            if (hits.empty())
                std::swap(hits, block);  // the usual single block, without a copy
            else
                hits.insert(block.begin(), block.end());
        } while (all_blocks && !st.finished());
        if (!st.finished())
            std::cerr
                << "quillstow: only the first block was searched; --all-blocks searches all\n";
    }
    if (!words::write_result_set(c.s, hits)) return kExitFailed;
    print(c, hits, found);
    return kExitOk;
}

}  // namespace
}  // namespace qs::cli
