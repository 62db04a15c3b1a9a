// SPDX-License-Identifier: MIT
// Where a mail program kept a mail: the folder it lay in, the labels of an exported mail account
// and the marks of its file name. Each place becomes a topic of the mail in the archive, so a
// user finds their folders and labels again among the topics.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qs {

// A place as a topic's name: at most 40 characters; a longer one keeps its end, where a folder
// path is most particular ("…ojects/2023/Quarterly reports").
std::string place_name(std::string_view place);

// The labels of "X-Gmail-Labels:" ("Inbox,Important,\"Work, old\"", encoded words decoded).
std::vector<std::string> mail_labels(std::string_view header);

// The places one per line, each once (case ignored) and as a topic's name, as many whole ones
// as the temporary header holds.
std::string join_places(const std::vector<std::string>& places);

// The folder of a mail program's mailbox file: "Work/Projects" for ".../Work.sbd/Projects" (a
// folder beside its ".msf" index or inside a ".sbd" directory) or for the bundle
// ".../Work.mbox/Projects.mbox/mbox"; empty for any other file, whose name says nothing.
std::string mailbox_folder(const std::string& file);

// The folder and the marks of a Maildir message file ".../.Work.Projects/cur/1234.host:2,FRS":
// "Work/Projects" (the Maildir itself is "Inbox"; names in the folders' modified UTF-7 decoded),
// then "Flagged", "Replied", "Seen" as its flags say.
std::vector<std::string> maildir_places(const std::string& file);

}  // namespace qs
