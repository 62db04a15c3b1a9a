// SPDX-License-Identifier: MIT
// HTML to plain text in one pass: text runs between tags are written with collapsed spaces and
// decoded references, a small set of tags becomes line and paragraph breaks, list marks and link
// targets, and every other tag is dropped. The output never grows beyond the text limit.
#include <algorithm>

#include "import/mime/mime.h"
#include "platform/text.h"

namespace qs {

namespace {

constexpr size_t kTagMax = 1000;

// The text under construction; appends beyond the limit are cut off.
class Output {
public:
    void add(char c) {
        if (s_.size() < kTextLimit) {
            s_.push_back(c);
        }
    }
    void add(std::string_view t) { s_.append(t.substr(0, kTextLimit - s_.size())); }
    bool ends_with(std::string_view t) const {
        return s_.size() >= t.size() && std::string_view(s_).substr(s_.size() - t.size()) == t;
    }
    bool empty() const { return s_.empty(); }
    void drop_last() { s_.pop_back(); }

    void space_rule() {
        if (!empty() && !ends_with(" ") && !ends_with("\r\n")) {
            add(' ');
        }
    }
    void line_break() {
        if (ends_with(" ")) {
            drop_last();
            add("\r\n");
        } else if (!empty()) {
            add("\r\n");
        }
    }
    void paragraph_break() {
        if (ends_with("\r\n\r\n") || ends_with("\r\n\r\n ")) {
            return;
        }
        if (ends_with(" ")) {
            drop_last();
            add(ends_with("\r\n") ? "\r\n" : "\r\n\r\n");
        } else if (ends_with("\r\n")) {
            add("\r\n");
        } else {
            add("\r\n\r\n");
        }
    }
    std::string take() { return std::move(s_); }

private:
    std::string s_;
};

// Named references: the first letter picks the row (and capital or small), the rest is compared
// without regard to case. Rows whose letters are both cases of one letter are case-blind.
struct NamedRef {
    std::string_view rest;
    std::string_view letters;
    std::string_view bytes;  // one per letter
};

constexpr NamedRef kNamedRefs[] = {
    {"T", "gG", ">>"},
    {"T", "lL", "<<"},
    {"MP", "aA", "&&"},
    {"EG", "rR", "\xAE\xAE"},
    {"HY", "sS", "--"},
    {"TH", "eE", "\xF0\xD0"},
    {"BSP", "nN", "  "},
    {"OPY", "cC", "\xA9\xA9"},
    {"UOT", "qQ", "\"\""},
    {"UML", "aAeEiIoOuUy", "\xE4\xC4\xEB\xCB\xEF\xCF\xF6\xD6\xFC\xDC\xFF"},
    {"CIRC", "aAeEiIoOuU", "\xE2\xC2\xEA\xCA\xEE\xCE\xF4\xD4\xFB\xDB"},
    {"RING", "aA", "\xE5\xC5"},
    {"ZLIG", "s", "\xDF"},
    {"HORN", "tT", "\xFE\xDE"},
    {"ELIG", "aA", "\xE6\xC6"},
    {"ACUTE", "aAeEiIoOuUyY", "\xE1\xC1\xE9\xC9\xED\xCD\xF3\xD3\xFA\xDA\xFD\xDD"},
    {"GRAVE", "aAeEiIoOuU", "\xE0\xC0\xE8\xC8\xEC\xCC\xF2\xD2\xF9\xD9"},
    {"TILDE", "aAnNoO", "\xE3\xC3\xF1\xD1\xF5\xD5"},
    {"CEDIL", "cC", "\xE7\xC7"},
    {"SLASH", "oO", "\xF8\xD8"},
};

// "#" and three digits; a value that is no printable byte stays as written.
std::optional<char> decimal_ref(std::string_view name) {
    if (name.size() != 4 || name[0] != '#') {
        return std::nullopt;
    }
    int v = 0;
    for (char d : name.substr(1)) {
        if (d < '0' || d > '9') {
            return std::nullopt;
        }
        v = v * 10 + (d - '0');
    }
    if (v < 1 || v > 255) {
        return std::nullopt;
    }
    return static_cast<char>(v);
}

std::optional<char> named_ref(std::string_view name) {
    if (auto d = decimal_ref(name)) {
        return d;
    }
    if (name.size() < 2) {
        return std::nullopt;
    }
    std::string rest = upper1252(name.substr(1));
    for (const NamedRef& r : kNamedRefs) {
        size_t at = r.letters.find(name[0]);
        if (rest == r.rest && at != std::string_view::npos) {
            return r.bytes[at];
        }
    }
    return std::nullopt;
}

struct RefResult {
    char byte = 0;
    size_t used = 0;  // characters after the "&"; 0 when nothing was decoded
};

// `after` is the run from just after the "&".
RefResult char_ref(std::string_view after) {
    std::string_view w = after.substr(0, 7);
    if (w.size() < 3) {
        return {};
    }
    size_t semi = w.find(';');
    if (semi == std::string_view::npos) {
        if (upper1252(w.substr(0, 4)) == "NBSP") {
            return {' ', 4};
        }
        if (auto d = decimal_ref(w.substr(0, 4))) {
            return {*d, 4};
        }
        return {};
    }
    if (auto b = named_ref(w.substr(0, semi))) {
        return {*b, semi + 1};
    }
    return {};
}

enum class Act : uint8_t {
    kNone,
    kLinkStart,
    kLinkEnd,
    kSpace,
    kLineBreak,
    kParagraph,
    kDlStart,
    kDlEnd,
    kIndentOff,
    kIndentOn,
    kEnd,
    kItem,
    kOlStart,
    kOlEnd,
    kUlStart,
    kUlEnd,
    kPreOn,
    kPreOff,
    kTitleOn,
    kTitleOff,
};

struct TagRule {
    std::string_view name;
    Act open;
    Act close;
};

constexpr TagRule kTagRules[] = {
    {"A", Act::kLinkStart, Act::kLinkEnd},    {"B", Act::kSpace, Act::kSpace},
    {"I", Act::kSpace, Act::kSpace},          {"U", Act::kSpace, Act::kSpace},
    {"BR", Act::kLineBreak, Act::kLineBreak}, {"DIV", Act::kNone, Act::kLineBreak},
    {"DL", Act::kDlStart, Act::kDlEnd},       {"DT", Act::kIndentOff, Act::kIndentOff},
    {"DD", Act::kIndentOn, Act::kIndentOn},   {"H1", Act::kNone, Act::kParagraph},
    {"H2", Act::kNone, Act::kParagraph},      {"H3", Act::kNone, Act::kParagraph},
    {"H4", Act::kNone, Act::kParagraph},      {"H5", Act::kNone, Act::kParagraph},
    {"H6", Act::kNone, Act::kParagraph},      {"HTML", Act::kNone, Act::kEnd},
    {"LI", Act::kItem, Act::kNone},           {"OL", Act::kOlStart, Act::kOlEnd},
    {"UL", Act::kUlStart, Act::kUlEnd},       {"P", Act::kParagraph, Act::kParagraph},
    {"PRE", Act::kPreOn, Act::kPreOff},       {"PLAINTEXT", Act::kPreOn, Act::kPreOff},
    {"TITLE", Act::kTitleOn, Act::kTitleOff}, {"TD", Act::kNone, Act::kParagraph},
    {"TR", Act::kNone, Act::kParagraph},
};

// A name stands alone or is followed by white space and attributes ("<br/>" counts too).
bool tag_is(std::string_view tag, std::string_view name) {
    if (tag.substr(0, name.size()) != name) {
        return false;
    }
    if (tag.size() == name.size()) {
        return true;
    }
    char c = tag[name.size()];
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/';
}

// The text between the first two double quotes after HREF.
std::string link_target(std::string_view tag) {
    size_t href = tag.find("HREF");
    if (href == std::string_view::npos) {
        return {};
    }
    size_t q1 = tag.find('"', href + 4);
    if (q1 == std::string_view::npos) {
        return {};
    }
    size_t q2 = tag.find('"', q1 + 1);
    if (q2 == std::string_view::npos) {
        return {};
    }
    return lower1252(tag.substr(q1 + 1, q2 - q1 - 1));
}

class HtmlConverter {
public:
    std::string run(std::string_view html);

private:
    void write_run(std::string_view run);
    void write_text(std::string_view run);
    void write_chars(std::string_view run);
    void handle_tag(std::string_view raw);
    void act(Act a, std::string_view tag);

    Output out_;
    std::string target_;
    bool link_ = false;
    bool title_ = false;
    bool dl_ = false;
    bool indent_ = false;
    bool ul_ = false;
    bool ol_ = false;
    bool item_ = false;
    bool pre_ = false;
    bool ended_ = false;
};

std::string HtmlConverter::run(std::string_view html) {
    size_t tag_at = html.find('<');
    if (tag_at == std::string_view::npos) {
        return {};
    }
    size_t run_at = tag_at;
    bool in_tag = true;
    for (size_t i = tag_at + 1; i < html.size() && !ended_; ++i) {
        char c = html[i];
        if (!in_tag) {
            if (c == '<') {
                write_run(html.substr(run_at, i - run_at));
                tag_at = i;
                in_tag = true;
            }
        } else if (c == '<') {
            // A "<" that no ">" closed before the next one was text after all.
            write_run(html.substr(tag_at, i - tag_at));
            tag_at = i;
        } else if (c == '>') {
            handle_tag(html.substr(tag_at + 1, std::min(i - tag_at - 1, kTagMax)));
            in_tag = false;
            run_at = i + 1;
        }
    }
    return out_.take();
}

void HtmlConverter::write_run(std::string_view run) {
    if (run.empty() || title_) {
        return;
    }
    if (link_ && !out_.ends_with("\r\n")) {
        out_.add(' ');
    }
    write_text(run);
    if (link_) {
        out_.add(" [");
        out_.add(target_);
        out_.add("] ");
    }
}

void HtmlConverter::write_text(std::string_view run) {
    while (!run.empty() && run.back() == ' ') {
        run.remove_suffix(1);
    }
    if (run.empty()) {
        return;  // a pending list mark waits for text
    }
    if (dl_ && indent_) {
        out_.add("   ");
    }
    if (item_) {
        if (ul_ != ol_) {
            out_.add("* ");
        }
        item_ = false;
    }
    write_chars(run);
}

void HtmlConverter::write_chars(std::string_view run) {
    size_t i = 0;
    size_t n = run.size();
    while (i + 1 < n) {
        char c = run[i];
        if (!pre_) {
            if (c == '\r' && run[i + 1] == '\n') {
                out_.space_rule();
                i += 2;
                continue;
            }
            if (c == ' ' || c == '\n') {
                out_.space_rule();
                ++i;
                continue;
            }
            if (c == '\r' || c == '\t') {
                ++i;
                continue;
            }
            if (c == '&') {
                RefResult r = char_ref(run.substr(i + 1));
                out_.add(r.used > 0 ? r.byte : '&');
                i += 1 + r.used;
                continue;
            }
        }
        if (c == '=' && i + 2 < n) {
            if (auto b = hex_pair(run[i + 1], run[i + 2])) {
                out_.add(static_cast<char>(*b));
                i += 3;
                continue;
            }
        }
        out_.add(c);
        ++i;
    }
    if (i + 1 == n) {
        out_.add(run[i]);
    }
}

void HtmlConverter::handle_tag(std::string_view raw) {
    std::string tag = upper1252(raw);
    bool closing = !tag.empty() && tag[0] == '/';
    std::string_view t = tag;
    if (closing) {
        t.remove_prefix(1);
    }
    if (!t.empty() && t[0] == '!') {
        return;
    }
    for (const TagRule& r : kTagRules) {
        if (tag_is(t, r.name)) {
            act(closing ? r.close : r.open, t);
            return;
        }
    }
}

void HtmlConverter::act(Act a, std::string_view tag) {
    switch (a) {
        case Act::kNone: break;
        case Act::kLinkStart:
            link_ = true;
            target_ = link_target(tag);
            break;
        case Act::kLinkEnd: link_ = false; break;
        case Act::kSpace: out_.space_rule(); break;
        case Act::kLineBreak: out_.line_break(); break;
        case Act::kParagraph: out_.paragraph_break(); break;
        case Act::kDlStart: dl_ = true; break;
        case Act::kDlEnd:
            dl_ = false;
            indent_ = false;
            break;
        case Act::kIndentOff: indent_ = indent_ && !dl_; break;
        case Act::kIndentOn: indent_ = indent_ || dl_; break;
        case Act::kEnd: ended_ = true; break;
        case Act::kItem:
            if (ul_ || ol_) {
                out_.paragraph_break();
                item_ = true;
            }
            break;
        case Act::kOlStart: ol_ = true; break;
        case Act::kOlEnd:
            ol_ = false;
            item_ = false;
            break;
        case Act::kUlStart: ul_ = true; break;
        case Act::kUlEnd:
            ul_ = false;
            item_ = false;
            break;
        case Act::kPreOn: pre_ = true; break;
        case Act::kPreOff: pre_ = false; break;
        case Act::kTitleOn: title_ = true; break;
        case Act::kTitleOff: title_ = false; break;
    }
}

}  // namespace

std::string html_to_text(std::string_view html) { return HtmlConverter().run(html); }

}  // namespace qs
