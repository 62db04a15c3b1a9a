// SPDX-License-Identifier: MIT
#include "wordindex/search_lists.h"

#include <algorithm>

namespace qs::words {

bool SearchLists::add(std::vector<SearchEntry>& list, const FoundWord& w, bool negated) {
    for (const auto& e : list)
        if (e.WORDID == w.id) return false;
    SearchEntry e;
    e.CONDITION = negated ? "NOT" : "";
    e.THEWORD = w.word;
    e.WORDCOUNT = w.count;
    e.WORDID = w.id;
    list.push_back(e);
    return true;
}

bool SearchLists::delete_marked(Session& s) {
    auto marked = [](const SearchEntry& e) {
        return e.MARKFLAG != 0;
    };
    size_t before = ANDQ.size() + ORQ.size();
    std::erase_if(ANDQ, marked);
    std::erase_if(ORQ, marked);
    if (ANDQ.size() + ORQ.size() < before) return true;
    if (!s.quiet())
        s.dialog.message("Pick One First",
                         "Please Pick an Entry in one of the Lists Above to Delete and Try Again.");
    return false;
}

}  // namespace qs::words
