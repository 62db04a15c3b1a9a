// SPDX-License-Identifier: MIT
// What one import run is asked to do: the format, the files, the target and the kinds of
// messages. Filled from the import dialog, the command line or a saved import definition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

enum SelectionMethod : uint8_t { kDirectoryTree = 0, kOneDirectory = 1, kSelectedFiles = 2 };

struct ImportSettings {
    std::string format;  // the catalogue name, e.g. "Generic Mail Type 2"
    uint8_t selection = kSelectedFiles;
    std::string path;                // top directory or directory
    std::string masks;               // "*.MBX;*.TXT"
    std::vector<std::string> files;  // selected files
    uint32_t database = 0;           // BAT:DATABASE, a database chosen for forum messages
    uint32_t mailbox = 0;            // BAT:MAILBOX, the mail database that receives mail
    std::string forum_name;          // the forum named in the dialog, for forum formats
    bool mail = true;                // BAT:MAILMSG
    bool forum = true;               // BAT:FORUMMSG
    bool news = true;                // BAT:NEWSGROUPMSG
    uint8_t filter = 0;              // BAT:MSGFILTER
    bool reimport = false;           // BAT:ALLOWREIMP
    uint32_t mail_topic = 0;         // BAT:MAILTOPIC
};

}  // namespace qs
