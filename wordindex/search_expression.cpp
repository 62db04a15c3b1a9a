// SPDX-License-Identifier: MIT
#include "wordindex/search_expression.h"

#include "storage/file_access.h"
#include "wordindex/postings.h"

namespace qs::words {

namespace {

struct Group {
    const std::vector<std::string>* inputs;
    bool to_and;
    bool negated;
};

// Adds the words one input found; false (with the reason in `e`) when the expression cannot
// take them.
bool take(const Group& g, const std::string& input, const LookupOutcome& out, bool& or_taken,
          SearchExpression& e) {
    if (out.found.empty() && g.to_and && !g.negated) {
        e.result = ExpressionResult::NoMatch;
        e.input = input;
        return false;
    }
    bool any_of = g.to_and && !g.negated && out.found.size() > 1;
    if (any_of && or_taken) {
        e.result = ExpressionResult::TooOpen;
        e.input = input;
        e.matches = out.found.size();
        return false;
    }
    or_taken = or_taken || any_of;
    for (const auto& f : out.found) {
        if (g.to_and && !any_of)
            e.lists.add_and(f, g.negated);
        else
            e.lists.add_or(f, g.negated);
    }
    return true;
}

}  // namespace

SearchExpression build_search_expression(Session& s, const SearchInput& in,
                                         const ScanProgress& progress) {
    SearchExpression e;
    bool or_taken = !in.any.empty();
    for (const Group& g :
         {Group{&in.all, true, false}, Group{&in.any, false, false}, Group{&in.none, true, true}}) {
        for (const auto& input : *g.inputs) {
            LookupOutcome out = find_indexed_words(s, {input, in.match, false}, progress);
            if (!out.ok) return {};
            if (!take(g, input, out, or_taken, e)) {
                e.lists = {};
                return e;
            }
        }
    }
    if (in.phrase) {
        MatchOptions whole;
        whole.whole_word = true;
        LookupOutcome out = find_indexed_words(s, {*in.phrase, whole, true}, progress);
        if (!out.ok) return {};
        for (const auto& f : out.found) e.lists.add_and(f);
        e.phrase = {out.words, out.dropped};
    }
    e.result = ExpressionResult::Ready;
    return e;
}

bool has_index_entries(Session& s) {
    bool any = false;
    return any_entries(s, any) && any;
}

}  // namespace qs::words
