// SPDX-License-Identifier: MIT
// What a capture file holds, forum messages or mail (never both), and where its messages begin.
#include <algorithm>

#include "import/readers/capture.h"
#include "platform/text.h"

namespace qs {

namespace {

bool ozwin_family(CaptureFormat f) {
    return f == CaptureFormat::OzWin1 || f == CaptureFormat::OzWin2 || f == CaptureFormat::OzCis;
}

// OzWin and OzCIS: the first "#:" or "Date:  " line decides, by the lines after it.
CaptureKind ozwin_kind(const NextLine& next) {
    std::string line;
    while (next(line)) {
        if (line.starts_with("#:")) {
            std::string l1, l2;
            return next(l1) && next(l2) && l2.starts_with("Sb:") ? kCaptureForum : kCaptureUnknown;
        }
        if (line.starts_with("Date:  ")) {
            std::string l1;
            return next(l1) && (l1.starts_with("MgTo:") || l1.starts_with("From:"))
                       ? kCaptureMail
                       : kCaptureUnknown;
        }
    }
    return kCaptureUnknown;
}

// NavCIS: a "Subject:  " block with sender and receiver; its fourth line tells the kind.
CaptureKind navcis_kind(const NextLine& next) {
    static constexpr std::string_view kLabels[] = {"Subject:  ", "   From:  ", "     To:  "};
    size_t matched = 0;
    std::string line;
    while (next(line)) {
        if (matched == 3) {
            if (line.starts_with("   Date:  ")) return kCaptureMail;
            if (line.starts_with("  Forum:  ")) return kCaptureForum;
            matched = 0;
        }
        if (line.starts_with(kLabels[matched]))
            ++matched;
        else
            matched = line.starts_with(kLabels[0]) ? 1 : 0;
    }
    return kCaptureUnknown;
}

}  // namespace

CaptureKind capture_file_kind(CaptureFormat f, const NextLine& next, bool mail_target) {
    if (ozwin_family(f)) return ozwin_kind(next);
    if (f == CaptureFormat::NavCis) return navcis_kind(next);
    // TAPCIS, AUTOSIG and GoldenCompass hold both kinds in one layout: the target decides.
    std::string line;
    while (next(line))
        if (line.starts_with("#:")) return mail_target ? kCaptureMail : kCaptureForum;
    return kCaptureUnknown;
}

bool capture_message_start(CaptureFormat f, CaptureKind kind, std::string_view line) {
    if (f == CaptureFormat::NavCis) return line.starts_with("Subject:  ");
    if (kind == kCaptureMail && ozwin_family(f)) return line.starts_with("Date:  ");
    return line.starts_with("#:");
}

namespace {

struct HeadLines {
    std::string_view head;
    size_t at = 0;
    bool next(std::string& line) {
        if (at >= head.size()) return false;
        const size_t nl = std::min(head.find('\n', at), head.size());
        line.assign(head.substr(at, nl - at));
        at = nl + 1;
        return true;
    }
};

// The signs that set one "#:" format apart: OzWin II's "Par:", OzWin's forum name in
// parentheses, GoldenCompass's line markers.
std::vector<std::string> hash_layout_formats(std::string_view head, std::string_view ext) {
    bool par = false, forum_name = false, markers = false, outbox = false;
    HeadLines lines{head};
    for (std::string line; lines.next(line);) {
        if (line.starts_with("#:")) {
            par = par || line.substr(0, 40).find("Par:") != std::string::npos;
            outbox = outbox || line.find("/Outbox") != std::string::npos;
            forum_name = forum_name || std::string_view(trim_right(line)).ends_with(")");
        }
        markers = markers || line.starts_with("@l") || line.ends_with("@b");
    }
    if (par) return {"OzWin II"};
    if (forum_name) return {"OzWin I", "OzWin II"};
    if (markers) return {"GoldenCompass"};
    if (ext == ".ato") return {"AUTOSIG"};
    // Mail the user sent: only the formats that keep mail in this layout.
    if (outbox) return {"TAPCIS 5.x", "TAPCIS 6.x", "AUTOSIG", "GoldenCompass"};
    return {"TAPCIS 5.x", "TAPCIS 6.x", "AUTOSIG", "OzCIS", "GoldenCompass"};
}

}  // namespace

std::vector<std::string> capture_candidates(std::string_view head, std::string_view ext) {
    auto kind = [&](CaptureFormat f, bool mail) {
        HeadLines lines{head};
        return capture_file_kind(
            f, [&](std::string& l) { return lines.next(l); }, mail);
    };
    // The first line that is not empty shows the layout.
    const size_t first = head.find_first_not_of("\r\n ");
    if (first == std::string_view::npos) return {};
    const std::string_view start = head.substr(first);
    if (start.starts_with("Subject:  ") && kind(CaptureFormat::NavCis, false) != kCaptureUnknown)
        return {"NavCIS Save format"};
    if (start.starts_with("Date:  ") && kind(CaptureFormat::OzCis, false) == kCaptureMail)
        return {"OzWin I", "OzWin II", "OzCIS"};
    if (!start.starts_with("#:")) return {};
    // A forum message has its subject two lines down; a mail of the "#:" layout too.
    if (kind(CaptureFormat::OzCis, false) != kCaptureForum) return {};
    return hash_layout_formats(start, ext);
}

}  // namespace qs
