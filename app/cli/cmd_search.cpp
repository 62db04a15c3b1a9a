// SPDX-License-Identifier: MIT
// quillstow search: the word index search of a database, from the command line.
#include <algorithm>
#include <iomanip>
#include <iostream>
#include <tuple>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "wordindex/search_engine.h"
#include "wordindex/word_lookup.h"

namespace qs::cli {

namespace {

// Answers the block questions of a search by the command line's choice and passes every other
// message on to the session's dialog.
class BlockAnswers : public Dialog {
public:
    BlockAnswers(Dialog& shown, bool all) : shown_(shown), all_(all) {}
    void message(std::string_view title, std::string_view text) override {
        shown_.message(title, text);
    }
    bool ask(std::string_view title, std::string_view, bool) override {
        // Without --all-blocks only the first block is searched: the first thousand of a full
        // scan, the first pause count of index entries otherwise.
        bool yes = all_ || title == "Too Many Matches";
        if (!yes) more_left = true;
        return yes;
    }
    bool more_left = false;

private:
    Dialog& shown_;
    bool all_;
};

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

struct Expression {
    words::SearchLists lists;
    words::Phrase phrase;
};

// Looks up every word option; false when a lookup stopped (its message was shown).
bool build_expression(Context& c, const Args& a, Expression& e) {
    words::MatchOptions m = match_options(a);
    struct Group {
        const char* option;
        bool to_and;
        bool negated;
    };
    bool or_taken = a.has("--or");
    for (const Group& g :
         {Group{"--and", true, false}, Group{"--or", false, false}, Group{"--not", true, true}}) {
        for (const auto& input : a.values(g.option)) {
            words::LookupOutcome out = words::find_indexed_words(c.s, {from_utf8(input), m, false});
            if (!out.ok) return false;
            if (out.found.empty() && g.to_and && !g.negated) {
                std::cerr << "quillstow: no indexed word matches \"" << input << "\"\n";
                e.lists = {};
                return true;
            }
            // A prefix, pattern, soundex or approximate --and word may match several indexed
            // words, any of which will do: they become the OR list, which has room for one such
            // group only.
            bool any_of = g.to_and && !g.negated && out.found.size() > 1;
            if (any_of && or_taken) {
                std::cerr << "quillstow: \"" << input << "\" matches " << out.found.size()
                          << " indexed words; only one --and word may match several, and only"
                             " without --or\n";
                return false;
            }
            or_taken = or_taken || any_of;
            for (const auto& f : out.found) {
                if (g.to_and && !any_of)
                    e.lists.add_and(f, g.negated);
                else
                    e.lists.add_or(f, g.negated);
            }
        }
    }
    if (!a.has("--phrase")) return true;
    words::MatchOptions whole;
    whole.whole_word = true;
    words::LookupOutcome out =
        words::find_indexed_words(c.s, {from_utf8(a.value("--phrase")), whole, true});
    if (!out.ok) return false;
    for (const auto& f : out.found) e.lists.add_and(f);
    e.phrase = {out.words, out.dropped};
    return true;
}

// Whether the master index has a record (without counting them all).
bool indexed(Session& s) {
    bool any = false;
    handle(s, kMasIdx).scan([&](int64_t, const void*) { return !(any = true); });
    return any;
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

void print(Context& c, const words::HitQueue& hits, const words::FoundWordsQueue& found) {
    std::vector<Row> rows;
    {
        ReadSnapshot snapshot(c.s, words::message_files(c.s.mem.ForumType, false), true);
        for (uint32_t id : hits) rows.push_back(row_of(c, id));  // the message files are open
    }
    std::sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) {
        return std::tie(x.date, x.time, x.number) > std::tie(y.date, y.time, y.number);
    });
    if (c.json) {
        std::string list = "[", wordlist = "[";
        for (size_t i = 0; i < rows.size(); ++i) list += (i ? "," : "") + rows[i].json.str();
        size_t n = 0;
        for (const auto& w : found) wordlist += (n++ ? "," : "") + json_string(to_utf8(w));
        JsonObject o;
        o.raw("HITS", list + "]");
        o.raw("WORDS", wordlist + "]");
        c.out << o.str() << "\n";
        return;
    }
    for (const auto& r : rows)
        c.out << std::left << std::setw(10) << r.number << std::setw(11) << iso_date(r.date)
              << std::setw(12) << to_utf8(r.sender) << to_utf8(r.subject) << "\n";
    c.out << rows.size() << " found";
    if (!found.empty()) c.out << "; words:";
    for (const auto& w : found) c.out << " " << to_utf8(w);
    c.out << "\n";
}

int run_search(Context& c, const Args& a);

}  // namespace

int cmd_search(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--and", "--or", "--not", "--phrase", "--approx"},
           {"--starts-with", "--whole-word", "--soundex", "--all-blocks"});
    a.at_most(1);
    const std::string& name = a.need(0, "DB");
    if (!current_database(c, name)) return kExitFailed;
    // Every file of the search stays open for the whole command: the lookups and blocks below
    // open them again only by count.
    std::vector<int> files = words::message_files(c.s.mem.ForumType, a.has("--phrase"));
    files.insert(files.end(), {kSTO, kWordList, kMasIdx, kSearch});
    OP_CLOSE(c.s, kOpOpen, files);
    int status = run_search(c, a);
    OP_CLOSE(c.s, kOpClose, files);
    return status;
}

namespace {

int run_search(Context& c, const Args& a) {
    if (!indexed(c.s)) {
        std::cerr << "quillstow: \"" << a.need(0, "DB") << "\" is not word indexed\n";
        return kExitFailed;
    }
    Expression e;
    if (!build_expression(c, a, e)) return kExitFailed;
    words::HitQueue hits, block;
    words::FoundWordsQueue found;
    if (!e.lists.empty()) {
        BlockAnswers answers(c.s.dialog, a.flag("--all-blocks"));
        words::SearchState st(c.s, c.s.mem.ForumType);
        st.set_questions(answers);
        if (!st.prepare(e.lists, e.phrase)) return kExitFailed;
        do {
            if (st.BUILDSEARCH(block, found) == words::SearchOutcome::Cancelled) break;
            hits.insert(block.begin(), block.end());
        } while (a.flag("--all-blocks") && !st.finished());
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
