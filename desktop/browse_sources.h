// SPDX-License-Identifier: MIT
// The lists of the browses: the mail browse ("BrowseMail"), the forum and newsgroup message
// browse ("BrowseMsgNmbr") and the person browse ("BrowsePerson"), each a choice of views. A key
// view reads its file in the order of one key, a page at a time, going on after the last record
// it read (so other windows may read the same file meanwhile); a filter view lists the messages
// of an indexed word, of a topic, of the current search result or with one status mark.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "desktop/browse_model.h"
#include "storage/session.h"

namespace qs::desktop {

enum class BrowseKind { Mail, Messages, Persons };

enum class ViewKind { Key, Word, Topic, ResultSet, Status };

struct BrowseView {
    const char* name;  // "By Date", "Filter Topic", ...
    ViewKind kind;
    int key;           // the key of a key view
    const char* hint;  // what the locator takes; empty for a view without one
};

const std::vector<BrowseView>& views_of(BrowseKind kind);

// What a filter view shows: the topic's identifier, the status mark or the indexed word.
struct ViewChoice {
    size_t view = 0;
    uint32_t topic = 0;
    uint8_t mark = 0;
    std::string word;
};

// The list of a view over the current database; it opens the files it reads and closes them
// when it goes.
std::unique_ptr<RowSource> make_source(Session& s, BrowseKind kind, const ViewChoice& choice);

// The status mark in a list's words: "", "Keep" or "Delete".
QString mark_text(uint8_t mark);

}  // namespace qs::desktop
