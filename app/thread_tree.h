// SPDX-License-Identifier: MIT
// The thread tree: the reply structure of the thread of the message selected in a forum or
// newsgroup browse, as a display list of one line per message, depth first, roots and the
// children of each message in ascending number.
//
// Levels are given in passes: a message whose parent is not in the thread is a root (level 1),
// one whose parent has a level is one level deeper. Messages whose replies run in a circle never
// reach a root that way; when the passes stop, the lowest-numbered message still without a level
// becomes a root and the passes go on, so every message of the thread is shown exactly once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qs {

// "Format of thread tree items": what a line shows besides the sender's name.
enum TreeItemFormat : int {
    kSenderName = 1,
    kSenderNumber = 2,
    kSenderDate = 3,
    kSenderNumberDate = 4,
    kSenderDateNumber = 5,
};

struct TreeItem {
    uint32_t number = 0;
    uint32_t parent = 0;  // the message replied to; 0 for none (or a reply to itself)
    std::string sender;   // first and last name, at most 35 characters; empty when unknown
    int32_t date = 0;
    int level = 0;  // 0 until known; 1 for a root
    bool displayed = false;
    bool has_children = false;
    size_t position = 0;  // in the display list
};

struct TreeLine {
    std::string text;  // at most 255 characters
    int level = 1;     // for the indentation
    int icon = 1;      // 2 when the message has replies (a folder), 1 otherwise (a file)
    uint32_t number = 0;
};

class ThreadTree {
public:
    // `item_format` is one of TreeItemFormat (any other value shows the name alone),
    // `date_format` a DateFormat.
    ThreadTree(int item_format, int32_t date_format)
        : item_format_(item_format), date_format_(date_format) {}

    // Called on every new selection: loads the tree of the thread of `selected` (a header of the
    // current forum or newsgroup database) unless that thread is the one loaded last. True when
    // the tree was loaded anew. Opens and closes MsgNmbr and Person.
    bool load(Session& s, const MsgNmbr& selected);
    // The next load reads its thread again.
    void forget() { thread_ = 0; }

    const std::vector<TreeItem>& items() const { return items_; }  // by message number
    const std::vector<TreeLine>& lines() const { return lines_; }  // in display order
    int deepest() const { return deepest_; }
    uint32_t thread() const { return thread_; }

    // The text of an item's line in the chosen format.
    std::string line_text(const TreeItem& item) const;

private:
    void read_thread(Session& s, const MsgNmbr& current);
    void assign_levels();
    bool level_pass(std::vector<int>& lookup_level, std::vector<bool>& lookup_children);
    void build_display();

    int item_format_;
    int32_t date_format_;
    uint32_t thread_ = 0;
    std::vector<TreeItem> items_;
    std::vector<TreeLine> lines_;
    int deepest_ = 0;
};

// The sender's name as a tree item shows it.
std::string tree_sender_name(const Person& p);

}  // namespace qs
