// SPDX-License-Identifier: MIT
// The rules of format detection, from the most telling sign to the least.
#include "import/readers/format_detect.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>

#include "import/readers/capture.h"
#include "import/readers/mail_header.h"
#include "import/readers/mbox_envelope.h"

namespace qs {

namespace {

namespace sfs = std::filesystem;

constexpr size_t kLook = 64 * 1024;    // bytes of a file looked at
constexpr size_t kFolderHeader = 511;  // the last byte of a Pegasus folder's leading block

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool is_dir(const sfs::path& p) {
    std::error_code ec;
    return sfs::is_directory(p, ec);
}

bool all_digits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "Name: value": a header line of an Internet message.
bool header_line(std::string_view line) {
    size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    return std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char c) { return c > ' ' && c < 127; });
}

bool has_header(std::string_view head, std::string_view name) {
    const std::string l = lower(std::string(head.substr(0, head.find("\n\n"))));
    return l.starts_with(name) || l.find("\n" + std::string(name)) != std::string::npos;
}

// Whether `head`, the whole file, holds a single message: after its header block no line
// that follows an empty line begins a header block of two known header lines.
bool single_message(std::string_view head) {
    size_t body = head.find("\n\n");
    if (body == std::string_view::npos) return true;
    for (size_t at = head.find("\n\n", body); at != std::string_view::npos;
         at = head.find("\n\n", at + 1)) {
        std::string_view rest = head.substr(at + 2);
        std::string_view first = first_line(rest);
        if (known_header(first) == kNotHeader || first.size() + 1 >= rest.size()) continue;
        if (header_line(first_line(rest.substr(first.size() + 1)))) return false;
    }
    return true;
}

// The mailbox beside an index file: "IN.TOC" of "IN.MBX", "Inbox.msf" of "Inbox".
std::string indexed_mailbox(const sfs::path& path, const std::string& ext) {
    std::error_code ec;
    sfs::path box = path;
    if (ext == ".msf")
        box.replace_extension();
    else if (ext == ".toc")
        box.replace_extension(path.extension() == ".TOC" ? ".MBX" : ".mbx");
    else
        return {};
    return sfs::is_regular_file(box, ec) ? box.string() : std::string();
}

Detection one(const char* name, bool tree = false) { return {{name}, tree}; }

Detection detect_directory(const sfs::path& dir) {
    if (is_dir(dir / "cur") || is_dir(dir / "new")) return one("Maildir");
    std::error_code ec;
    if (sfs::is_regular_file(dir / "mbox", ec)) return one("Unix Mailbox");
    bool subfolders = false, indexes = false, messages = false, others = false;
    for (sfs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string l = lower(name);
        if (is_dir(it->path())) {
            if (name.size() > 1 && name[0] == '.' &&
                (is_dir(it->path() / "cur") || is_dir(it->path() / "new")))
                subfolders = true;
            if (l.ends_with(".sbd")) indexes = true;
        } else if (l.ends_with(".msf")) {
            indexes = true;
        } else if (all_digits(name) || l.ends_with(".eml")) {
            messages = true;
        } else if (!name.starts_with(".")) {
            others = true;
        }
    }
    if (subfolders) return one("Maildir");
    if (indexes) return one("Unix Mailbox", true);
    if (messages && !others) return one("EML Files");
    return {};
}

std::string head_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(kLook, '\0');
    in.read(head.data(), static_cast<std::streamsize>(kLook));
    head.resize(in ? kLook : static_cast<size_t>(std::max<std::streamsize>(0, in.gcount())));
    // Line ends as LF, so that the rules below see one kind.
    std::string out;
    for (size_t i = 0; i < head.size(); ++i)
        if (!(head[i] == '\r' && i + 1 < head.size() && head[i + 1] == '\n')) out += head[i];
    return out;
}

// News files, by their separators and record markers; nothing when the file shows none.
std::optional<Detection> detect_news(std::string_view head, const std::string& ext) {
    constexpr size_t kMarkerReach = 22;  // "<" stands this far after a record marker
    const std::string_view first = first_line(head);
    const size_t marker = head.find('\xBC');
    if (marker != std::string_view::npos && marker + kMarkerReach < head.size() &&
        head[marker + kMarkerReach] == '<' && has_header(head.substr(marker), "newsgroups:"))
        return Detection{{"IE News", "Outlook Express 4 News"}};
    if (first.starts_with("==========")) {
        std::string_view rest = head.substr(std::min(head.size(), first.size() + 1));
        for (int k = 0; k < 3 && !rest.empty(); ++k) {
            const std::string_view line = first_line(rest);
            if (line.starts_with("----------")) return Detection{{"VirtualAccess"}};
            rest.remove_prefix(std::min(rest.size(), line.size() + 1));
        }
    }
    if (first == "========") return Detection{{"Agent News"}};
    const bool news =
        has_header(head.substr(std::min(head.size(), first.size() + 1)), "newsgroups:");
    if (mbox_envelope(first, true) && news) return Detection{{"Unix News"}};
    if (!header_line(first) || !has_header(head, "newsgroups:")) return std::nullopt;
    if (ext == ".snm") return Detection{{"Netscape News"}};
    if (ext == ".nch") return Detection{{"IE News", "Outlook Express 4 News"}};
    return Detection{{"Gravity", "Netscape News"}};
}

Detection detect_file(const std::string& path) {
    std::error_code ec;
    const std::string head = head_of(path);
    const std::string ext = lower(sfs::path(path).extension().string());
    if (std::string box = indexed_mailbox(path, ext); !box.empty()) {
        Detection d;
        d.index_of = box;
        return d;
    }
    if (head.empty()) return {};
    if (auto news = detect_news(head, ext)) return *news;
    // Eudora keeps a table of contents beside each mailbox.
    if (head.starts_with("From ???@???") ||
        (ext == ".mbx" && (sfs::exists(sfs::path(path).replace_extension(".toc"), ec) ||
                           sfs::exists(sfs::path(path).replace_extension(".TOC"), ec))))
        return one("Eudora");
    if (head.find(std::string("\x7F\0\x7F", 3)) != std::string::npos)
        return {{"IE Mail", "Outlook Express 4 Mail"}};
    if (auto capture = capture_candidates(head, ext); !capture.empty()) return {capture};
    if (mbox_envelope(first_line(head), true)) return one("Unix Mailbox");
    if (ext == ".pmm") return one("Pegasus");
    // A folder file opens with its name in a block padded with zero bytes; the first message
    // follows the padding.
    if (head[0] == '\0') {
        const size_t pad = head.find_last_of('\0', kFolderHeader);
        if (header_line(first_line(head.substr(pad + 1)))) return one("Pegasus");
    }
    if (!header_line(first_line(head))) return {};
    const std::string name = sfs::path(path).filename().string();
    if (ext == ".eml" || ext == ".msg" || all_digits(name)) return one("EML Files");
    if (head.size() < kLook && single_message(head)) return one("EML Files");
    return {{"EML Files", "Generic Mail Type 1", "Becky Mail", "Agent Mail"}};
}

}  // namespace

Detection detect_format(const std::string& path) {
    if (is_dir(path)) return detect_directory(path);
    std::error_code ec;
    if (!sfs::exists(path, ec)) {
        Detection d;
        d.missing = true;
        return d;
    }
    if (!sfs::is_regular_file(path, ec)) return {};
    return detect_file(path);
}

}  // namespace qs
