// SPDX-License-Identifier: MIT
// The folders, labels and marks of a mail as its mail program kept them.
#include "import/readers/mail_places.h"

#include <algorithm>
#include <filesystem>

#include "import/mime/charset.h"
#include "import/mime/header_text.h"
#include "platform/text.h"
#include "storage/records.h"

namespace qs {

namespace {

namespace sfs = std::filesystem;

constexpr size_t kNameChars = decltype(Codes::INDEX)::size();
constexpr size_t kPlacesChars = Places::size();

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A name as the folders of a mail program store it: Maildir++ and the mail servers write
// non-ASCII folder names in modified UTF-7 ("Entw&APw-rfe").
std::string folder_text(std::string_view name) {
    if (name.find('&') == std::string_view::npos) return std::string(name);
    CharsetDecoder utf7("UTF-7-IMAP");
    std::string out;
    utf7.decode(name, out);
    utf7.finish(out);
    return utf7.known() ? out : std::string(name);
}

bool ends_with(const std::string& s, std::string_view tail) { return s.ends_with(tail); }

// The names of the directories above `p` that end in `suffix`, outermost first, each without it.
std::string nested_folder(sfs::path dir, std::string name, std::string_view suffix) {
    for (; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
        const std::string d = dir.filename().string();
        if (!ends_with(d, suffix) || d.size() == suffix.size()) break;
        name = d.substr(0, d.size() - suffix.size()) + "/" + name;
    }
    return name;
}

}  // namespace

std::string place_name(std::string_view place) {
    place = trim(place);
    const size_t chars = char_count(place);
    if (chars <= kNameChars) return std::string(place);
    // The tail of kNameChars - 1 characters after an ellipsis.
    size_t skip = chars - (kNameChars - 1);
    return "\u2026" + std::string(place.substr(utf8_prefix_chars(place, skip)));
}

std::vector<std::string> mail_labels(std::string_view header) {
    const std::string text = decode_header_text(header);
    std::vector<std::string> labels;
    std::string label;
    bool quoted = false;
    auto flush = [&] {
        std::string_view t = trim(label);
        if (!t.empty()) labels.emplace_back(t);
        label.clear();
    };
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            flush();
        else
            label.push_back(c);
    }
    flush();
    return labels;
}

std::string join_places(const std::vector<std::string>& places) {
    std::vector<std::string> names;
    size_t chars = 0;
    for (const std::string& p : places) {
        std::string name = place_name(p);
        if (name.empty() || name.find('\n') != std::string::npos) continue;
        const bool known = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return compare_nocase(n, name) == 0;
        });
        const size_t more = char_count(name) + (names.empty() ? 0 : 1);
        if (known || chars + more > kPlacesChars) continue;
        chars += more;
        names.push_back(std::move(name));
    }
    std::string joined;
    for (const std::string& n : names) joined += (joined.empty() ? "" : "\n") + n;
    return joined;
}

std::string mailbox_folder(const std::string& file) {
    std::error_code ec;
    const sfs::path p(file);
    const sfs::path dir = p.parent_path();
    const std::string dir_name = dir.filename().string();
    // A bundle: the mailbox is the file "mbox" of a directory "Name.mbox".
    if (p.filename() == "mbox" && ends_with(dir_name, ".mbox") && dir_name.size() > 5)
        return nested_folder(dir.parent_path(), dir_name.substr(0, dir_name.size() - 5), ".mbox");
    const bool profile_folder =
        sfs::is_regular_file(file + ".msf", ec) || ends_with(dir_name, ".sbd");
    if (!profile_folder) return {};
    return nested_folder(dir, p.filename().string(), ".sbd");
}

std::vector<std::string> maildir_places(const std::string& file) {
    std::vector<std::string> places;
    const sfs::path p(file);
    const sfs::path folder = p.parent_path().parent_path();  // above "cur" or "new"
    const std::string name = folder.filename().string();
    // A Maildir++ sub-folder lies in the Maildir it belongs to; the Maildir itself, even one
    // named ".maildir", is the inbox.
    std::error_code ec;
    const sfs::path parent = folder.parent_path();
    const bool sub_folder =
        name.starts_with(".") && name.size() > 1 &&
        (sfs::is_directory(parent / "cur", ec) || sfs::is_directory(parent / "new", ec));
    if (!sub_folder) {
        places.push_back("Inbox");
    } else {
        std::string path = name.substr(1);
        std::replace(path.begin(), path.end(), '.', '/');
        places.push_back(folder_text(path));
    }
    // The flags after ":2," in the file name, in the order the names are listed.
    const std::string base = p.filename().string();
    const size_t info = base.rfind(":2,");
    if (info == std::string::npos) return places;
    const std::string flags = base.substr(info + 3);
    for (auto [flag, mark] : {std::pair{'F', "Flagged"}, {'R', "Replied"}, {'S', "Seen"}})
        if (flags.find(flag) != std::string::npos) places.push_back(mark);
    return places;
}

}  // namespace qs
