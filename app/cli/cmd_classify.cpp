// SPDX-License-Identifier: MIT
// quillstow classify: tag a message with topics or take them off, as the classification window
// does, and show the topics it has.
#include <iostream>

#include "app/cli/json.h"
#include "app/cli/listings.h"
#include "app/topics.h"

namespace qs::cli {

namespace {

// Tags (or untags) the entry of `topic` unless it already is; false after a failure (told).
bool set_tag(Classification& window, const Codes& topic, bool tagged) {
    const auto& entries = window.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].topic.ID != topic.ID) continue;
        if (entries[i].tagged == tagged) {
            std::cerr << "quillstow: message " << window.selected()
                      << (tagged ? " has topic \"" : " has no topic \"") << topic.INDEX.str()
                      << "\" already\n";
            return true;
        }
        return window.toggle(i);
    }
    std::cerr << "quillstow: the topic \"" << topic.INDEX.str() << "\" is gone\n";
    return false;
}

}  // namespace

int cmd_classify(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--add", "--remove"}, {});
    a.at_most(2);
    const std::string& db = a.need(0, "DB");
    auto number = static_cast<uint32_t>(a.number_at(1, "NUMBER", kMessageNumber));
    if (!current_database(c, db) || !read_message(c, db, number)) return kExitFailed;
    std::vector<std::pair<Codes, bool>> changes;
    for (const auto& name : a.values("--add"))
        changes.emplace_back(code_named(c, name, false), true);
    for (const auto& name : a.values("--remove"))
        changes.emplace_back(code_named(c, name, false), false);
    Classification window(c.s);
    window.reload();
    window.select(number);
    bool all = true;
    for (const auto& [topic, tagged] : changes) all = set_tag(window, topic, tagged) && all;
    std::vector<std::string> names;
    for (const auto& e : window.entries())
        if (e.tagged) names.push_back(e.topic.INDEX.str());
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < names.size(); ++i) c.out << (i ? "," : "") << json_string(names[i]);
        c.out << "]\n";
    } else {
        for (const auto& n : names) c.out << n << "\n";
    }
    return all ? kExitOk : kExitFailed;
}

}  // namespace qs::cli
