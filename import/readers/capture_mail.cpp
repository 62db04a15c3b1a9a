// SPDX-License-Identifier: MIT
// CompuServe mail in capture files, and the labelled blocks of the NavCIS Save format.
//
// TAPCIS, AUTOSIG and GoldenCompass keep mail in the "#:" layout ("/Outbox" on the "#:" line
// marks mail the user sent); OzWin and OzCIS open each mail with "Date:  " followed by "MgTo:"
// (sent) or "From:" (received) and "Subj:". NavCIS writes
//
//   Subject:  #123456#Re: Lenses              Msg Number: 123460
//      From:  Ann Lee 71234,567
//        To:  Bob Ray 72345,678
//     Forum:  PHOTOFORUM  Sec: 5-Lenses       (mail blocks: "   Date:  " here instead)
//      Date:  05-Mar-94 14:22
#include <algorithm>

#include "import/address.h"
#include "import/readers/capture.h"
#include "platform/text.h"

namespace qs {

namespace {

constexpr uint32_t kNumberLimit = 9000000;
constexpr size_t kRefDigits = 7;
// A NavCIS label ends with its colon at the eighth character ("   From:"); the blanks after it
// pad it to ten, but the value is taken after the colon, so that a label padded less does not
// lose the start of its value.
constexpr size_t kNavLabel = 8;

std::string_view skip_blanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

std::string trimmed(std::string_view s) { return std::string(trim_right(skip_blanks(s))); }

bool has_label(const std::vector<std::string>& lines, size_t i, std::string_view label) {
    return i < lines.size() && lines[i].starts_with(label);
}

std::string value_of(const std::vector<std::string>& lines, size_t i, size_t label) {
    return trimmed(std::string_view(lines[i]).substr(std::min(label, lines[i].size())));
}

// The DOS vertical line (U+2502) and its Windows stand-in, byte 0xB3 read as "³" (U+00B3).
bool ends_with_bar(std::string_view s) { return s.ends_with("\u2502") || s.ends_with("\u00B3"); }

std::string name_before(std::string_view s) {
    for (;;) {
        if (!s.empty() && (s.back() == '>' || s.back() == ' ')) {
            s.remove_suffix(1);
        } else if (ends_with_bar(s)) {
            s.remove_suffix(s.ends_with("\u2502") ? 3 : 2);
        } else {
            break;
        }
    }
    s = skip_blanks(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return std::string(s);
}

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

void capture_mail_address(std::string_view value, bool receiver, std::string& address,
                          std::string& name) {
    const size_t at = value.find("INTERNET");
    if (at != std::string_view::npos) {
        const size_t from = at + 8 + (value.substr(at + 8, 1) == ":" ? 1 : 0);
        address = trimmed(value.substr(from));
        name = name_before(value.substr(0, at));
    } else {
        FindCISAdress(2, address, name, value);
    }
    if (!receiver || !trimmed(name).empty()) return;
    // Tried once more on the whole value; kept only when that finds the name.
    std::string again_address, again_name;
    FindCISAdress(2, again_address, again_name, value);
    if (!trimmed(again_name).empty()) {
        address = again_address;
        name = again_name;
    }
}

CaptureHeader read_capture_mail(CaptureFormat f, const std::vector<std::string>& lines) {
    CaptureHeader h;
    if (lines.empty()) {
        h.why = "the header is cut short";
        return h;
    }
    if (lines[0].starts_with("#:")) {
        const bool sent = lines[0].find("/Outbox") != std::string::npos;
        h.mail_type = sent ? 2 : 1;
        const size_t who = sent ? 4 : 3;
        if (!has_label(lines, 2, "Sb:") || !has_label(lines, who, sent ? "To:" : "Fm:")) {
            h.why = "the header is cut short or its lines are missing";
            return h;
        }
        h.date = capture_date(lines[1], f == CaptureFormat::Tapcis5, &h.time);
        h.subject = value_of(lines, 2, 3);
        (sent ? h.to : h.from) = value_of(lines, who, 3);
        h.text_from = who + 2;
        return h;
    }
    // The "Date:  " layout.
    const bool sent = has_label(lines, 1, "MgTo:");
    if ((!sent && !has_label(lines, 1, "From:")) || !has_label(lines, 2, "Subj:")) {
        h.why = "the header is cut short or its lines are missing";
        return h;
    }
    h.mail_type = sent ? 2 : 1;
    h.date = capture_date(value_of(lines, 0, 5), false, &h.time);
    (sent ? h.to : h.from) = value_of(lines, 1, 5);
    h.subject = value_of(lines, 2, 5);
    const bool short_received = f == CaptureFormat::OzCis || f == CaptureFormat::OzWin1;
    h.text_from = sent || short_received ? 4 : 5;
    return h;
}

CaptureHeader read_navcis_block(const std::vector<std::string>& lines, CaptureKind kind) {
    CaptureHeader h;
    const bool forum = kind == kCaptureForum;
    if (!has_label(lines, 0, "Subject:") || !has_label(lines, 1, "   From:") ||
        !has_label(lines, 2, "     To:") || !has_label(lines, 3, forum ? "  Forum:" : "   Date:") ||
        (forum && !has_label(lines, 4, "   Date:"))) {
        h.why = "the header is cut short or its lines are missing";
        return h;
    }
    std::string_view subject = skip_blanks(std::string_view(lines[0]).substr(kNavLabel));
    if (forum) {
        const size_t msg = subject.find("Msg Number:");
        const std::string digits =
            msg == std::string_view::npos ? "" : trimmed(subject.substr(msg + 11));
        const uint32_t number = all_digits(digits) && digits.size() <= 8 ? std::stoul(digits) : 0;
        if (number == 0 || number >= kNumberLimit) {
            h.why = "its message number \"" + digits + "\" is not valid";
            return h;
        }
        h.number = number;
        // NavCIS pads the subject with blanks up to the number: the subject ends before them
        // (cut by bytes, two before the label could fall inside a character).
        subject = trim_right(subject.substr(0, msg));
    }
    if (subject.starts_with("#")) {
        size_t n = 1;
        while (n < subject.size() && n <= kRefDigits && subject[n] >= '0' && subject[n] <= '9') ++n;
        if (n > 1 && forum)
            h.ref = static_cast<uint32_t>(std::stoul(std::string(subject.substr(1, n - 1))));
        if (n > 1) subject = subject.substr(n + (subject.substr(n, 1) == "#" ? 1 : 0));
    }
    h.subject = trimmed(subject);
    h.from = value_of(lines, 1, kNavLabel);
    h.to = value_of(lines, 2, kNavLabel);
    if (forum) {
        std::string_view place = skip_blanks(std::string_view(lines[3]).substr(kNavLabel));
        const size_t sec = place.find("Sec: ");
        std::string name = trimmed(place.substr(0, sec));
        if (name.starts_with("CIS:")) name = trimmed(name.substr(4));
        h.forum = name;
        if (sec != std::string_view::npos) {
            std::string_view s = place.substr(sec + 5);
            const size_t dash = s.find('-');
            const std::string number = trimmed(s.substr(0, dash));
            h.section = all_digits(number) && number.size() <= 8 ? std::stoul(number) : 0;
            if (dash != std::string_view::npos) h.section_name = trimmed(s.substr(dash + 1));
        }
    }
    const size_t date_line = forum ? 4 : 3;
    h.date = capture_date(value_of(lines, date_line, kNavLabel), false, &h.time);
    h.text_from = forum ? 6 : 5;
    return h;
}

}  // namespace qs
