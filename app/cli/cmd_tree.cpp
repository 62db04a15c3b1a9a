// SPDX-License-Identifier: MIT
// quillstow tree: the reply tree of the thread a message belongs to.
#include <iostream>

#include "app/cli/json.h"
#include "app/cli/listings.h"
#include "app/display_date.h"
#include "app/thread_tree.h"

namespace qs::cli {

namespace {

constexpr NumberRule kTreeFormat{"a tree item format", 1, 5};

void print_json(Context& c, const ThreadTree& tree) {
    std::vector<const TreeItem*> shown(tree.lines().size());
    for (const TreeItem& item : tree.items()) shown[item.position] = &item;
    c.out << "[";
    for (size_t i = 0; i < shown.size(); ++i) {
        const TreeItem& item = *shown[i];
        JsonObject o;
        o.number("MSGNUMBER", item.number);
        o.number("PARENT", item.parent);
        o.number("LEVEL", item.level);
        o.raw("REPLIES", item.has_children ? "true" : "false");
        o.text("SENDER", item.sender);
        add_field(o, "DATE", item.date);
        o.text("TEXT", tree.lines()[i].text);
        c.out << (i ? "," : "") << o.str();
    }
    c.out << "]\n";
}

}  // namespace

int cmd_tree(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--format"}, {});
    a.at_most(2);
    const std::string& db = a.need(0, "DB");
    auto number = static_cast<uint32_t>(a.number_at(1, "NUMBER", kMessageNumber));
    auto format = static_cast<int>(a.number("--format", kTreeFormat, kSenderNumberDate));
    if (!current_database(c, db)) return kExitFailed;
    if (c.s.mem.ForumType == kMailDb) {
        std::cerr << "quillstow: a mail database has no threads: its mails go by partner "
                     "(quillstow messages DB --by partner)\n";
        return kExitFailed;
    }
    if (!read_message(c, db, number)) return kExitFailed;
    ThreadTree tree(format, date_preference(c.s));
    tree.load(c.s, c.s.rec.MsgNmbr);
    if (c.json) {
        print_json(c, tree);
        return kExitOk;
    }
    for (const TreeLine& line : tree.lines())
        c.out << std::string(2 * static_cast<size_t>(line.level - 1), ' ') << line.text << "\n";
    return kExitOk;
}

}  // namespace qs::cli
