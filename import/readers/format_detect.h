// SPDX-License-Identifier: MIT
// Telling the format of a mail source from what it holds, so that an import needs no format
// name: a Maildir by its cur/new/tmp directories, a profile directory by its folder indexes, a
// file by its first bytes (the separators of the mailboxes, the markers of the marker formats,
// a single message). Only the start of a file is read.
#pragma once

#include <string>
#include <vector>

namespace qs {

struct Detection {
    // The catalogue names that fit: one when the format is known, several when the path could
    // be any of them, none when no format fits.
    std::vector<std::string> candidates;
    // The path is a directory of mailbox files, to be read as a tree with the format's masks.
    bool tree = false;
    bool missing = false;  // there is no such file or directory
    // The path is the index of a mailbox beside it (a table of contents, a folder index), read
    // with that mailbox and never on its own: the mailbox's path.
    std::string index_of;
    bool known() const { return candidates.size() == 1; }
};

// Never fails: a path that cannot be read gives no candidates. A file that holds one message
// is told from a mailbox of the header-run formats only when the whole of it is looked at
// (up to 64 KB).
Detection detect_format(const std::string& path);

}  // namespace qs
