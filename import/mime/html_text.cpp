// SPDX-License-Identifier: MIT
// HTML to plain text in one pass, close to what a mail program shows: the head, styles, scripts
// and comments go; every character reference is decoded; blocks, list items and table rows
// become lines; links keep their target in brackets. Input and output are UTF-8 (a byte that is
// not UTF-8 is read as Windows-1252), and the output never holds more than the text limit.
#include <algorithm>
#include <cctype>

#include "import/mime/html_refs.h"
#include "import/mime/html_text_out.h"
#include "import/mime/mime.h"
#include "import/mime/utf8_text.h"
#include "platform/text.h"

namespace qs {

namespace {

// What an element does to the text around it.
enum class Kind : uint8_t {
    kInline,  // nothing: <b>, <span>, <font> and every element not listed
    kBreak,   // <br>: a line end
    kLine,    // a block on lines of its own
    kPara,    // a block with an empty line before and after
    kPre,     // preformatted text: white space and line ends kept
    kList,
    kOrderedList,
    kItem,
    kTerm,        // <dt>
    kDefinition,  // <dd>: indented
    kRow,
    kCell,
    kLink,
    kHead,
    kBody,
    kHidden,  // <script>, <style>, <title>, <template>: their content is never shown
};

struct Element {
    std::string_view name;
    Kind kind;
};

constexpr Element kElements[] = {
    {"a", Kind::kLink},         {"address", Kind::kLine},    {"article", Kind::kLine},
    {"aside", Kind::kLine},     {"blockquote", Kind::kPara}, {"body", Kind::kBody},
    {"br", Kind::kBreak},       {"caption", Kind::kLine},    {"center", Kind::kLine},
    {"dd", Kind::kDefinition},  {"details", Kind::kLine},    {"dir", Kind::kList},
    {"div", Kind::kLine},       {"dl", Kind::kPara},         {"dt", Kind::kTerm},
    {"fieldset", Kind::kLine},  {"figcaption", Kind::kLine}, {"figure", Kind::kPara},
    {"footer", Kind::kLine},    {"form", Kind::kLine},       {"h1", Kind::kPara},
    {"h2", Kind::kPara},        {"h3", Kind::kPara},         {"h4", Kind::kPara},
    {"h5", Kind::kPara},        {"h6", Kind::kPara},         {"head", Kind::kHead},
    {"header", Kind::kLine},    {"hgroup", Kind::kLine},     {"hr", Kind::kPara},
    {"legend", Kind::kLine},    {"li", Kind::kItem},         {"listing", Kind::kPre},
    {"main", Kind::kLine},      {"menu", Kind::kList},       {"nav", Kind::kLine},
    {"ol", Kind::kOrderedList}, {"p", Kind::kPara},          {"plaintext", Kind::kPre},
    {"pre", Kind::kPre},        {"script", Kind::kHidden},   {"section", Kind::kLine},
    {"style", Kind::kHidden},   {"summary", Kind::kLine},    {"table", Kind::kLine},
    {"tbody", Kind::kLine},     {"td", Kind::kCell},         {"template", Kind::kHidden},
    {"tfoot", Kind::kLine},     {"th", Kind::kCell},         {"thead", Kind::kLine},
    {"title", Kind::kHidden},   {"tr", Kind::kRow},          {"ul", Kind::kList},
    {"xmp", Kind::kPre},
};

Kind kind_of(std::string_view name) {
    for (const Element& e : kElements) {
        if (e.name == name) return e.kind;
    }
    return Kind::kInline;
}

// Elements that may stand in the head without ending it; Office's own ("o:p", "w:...") too.
bool belongs_in_head(std::string_view name) {
    static constexpr std::string_view kHeadOnes[] = {"base",     "basefont", "bgsound", "link",
                                                     "meta",     "noscript", "script",  "style",
                                                     "template", "title",    "xml"};
    return name.find(':') != std::string_view::npos ||
           std::find(std::begin(kHeadOnes), std::end(kHeadOnes), name) != std::end(kHeadOnes);
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool is_alpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equals_nocase(std::string_view a, std::string_view lower_b) {
    if (a.size() != lower_b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (lower(a[k]) != lower_b[k]) return false;
    }
    return true;
}

size_t find_or_end(std::string_view s, std::string_view what, size_t from) {
    size_t at = s.find(what, from);
    return at == std::string_view::npos ? s.size() : at;
}

constexpr size_t kNone = std::string_view::npos;
constexpr size_t kNameMax = 16;
// A link target longer than this is not written: a cut address would lead nowhere.
constexpr size_t kTargetMax = 2000;

// A tag as the parser met it: its name in lower case (empty when longer than any we act on) and
// the one attribute we use.
struct Tag {
    std::string name;
    bool self_closing = false;
    bool has_href = false;
    std::string_view href;
};

// Reads the attributes of a tag up to its ">", quoted values that hold ">" included. Returns
// where reading goes on, or kNone when the input ends inside the tag.
size_t read_attributes(std::string_view s, size_t i, Tag& tag) {
    while (true) {
        for (; i < s.size() && (is_space(s[i]) || s[i] == '/'); ++i) tag.self_closing = s[i] == '/';
        if (i >= s.size()) return kNone;
        if (s[i] == '>') return i + 1;
        tag.self_closing = false;
        size_t name_at = i++;  // a first "=" belongs to the name
        while (i < s.size() && !is_space(s[i]) && s[i] != '/' && s[i] != '>' && s[i] != '=') ++i;
        std::string_view name = s.substr(name_at, i - name_at);
        size_t eq = i;
        while (eq < s.size() && is_space(s[eq])) ++eq;
        if (eq >= s.size() || s[eq] != '=') {
            i = eq;
            continue;
        }
        for (i = eq + 1; i < s.size() && is_space(s[i]);) ++i;
        std::string_view value;
        if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
            size_t close = s.find(s[i], i + 1);
            if (close == kNone) return kNone;
            value = s.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            size_t from = i;
            while (i < s.size() && !is_space(s[i]) && s[i] != '>') ++i;
            value = s.substr(from, i - from);
        }
        if (!tag.has_href && equals_nocase(name, "href")) {  // the first one counts
            tag.href = value;
            tag.has_href = true;
        }
    }
}

// Reads a tag from its name on (just after "<" or "</").
size_t read_tag(std::string_view s, size_t i, Tag& tag) {
    size_t from = i;
    while (i < s.size() && !is_space(s[i]) && s[i] != '/' && s[i] != '>') ++i;
    if (i - from <= kNameMax) {
        for (size_t k = from; k < i; ++k) tag.name.push_back(lower(s[k]));
    }
    return read_attributes(s, i, tag);
}

// The target of a link, references decoded, line ends and tabs removed, blanks trimmed; empty
// when it is too long to be written whole.
std::string link_target(std::string_view raw) {
    std::string out;
    for (size_t i = 0; i < raw.size() && out.size() <= kTargetMax;) {
        if (raw[i] == '&') {
            CharRef r = decode_char_ref(raw.substr(i), true);
            if (r.used > 0) {
                out += r.text;
                i += r.used;
                continue;
            }
        }
        size_t len = utf8_length(raw.substr(i, 4));
        if (len == 0) {
            out += to_utf8(raw.substr(i, 1));
            len = 1;
        } else if (raw[i] != '\t' && raw[i] != '\n' && raw[i] != '\r') {
            out.append(raw.substr(i, len));
        }
        i += len;
    }
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos || out.size() > kTargetMax) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

class HtmlConverter {
public:
    explicit HtmlConverter(std::string_view html) : in_(html) {}
    std::string run();

private:
    size_t markup(size_t i);
    size_t comment(size_t i);
    size_t element(size_t i, bool end);
    size_t hidden_content(size_t i, std::string_view name);
    size_t reference(size_t i);
    size_t character(size_t i);
    void show(std::string_view ch);
    void start(const Tag& tag, Kind kind);
    void finish(Kind kind);
    void open_list(bool ordered);
    void close_list();
    void list_item();
    void open_link(const Tag& tag);
    void close_link();

    std::string_view in_;
    HtmlTextOut out_;
    bool head_ = false;
    int pre_ = 0;                // open preformatted elements
    bool skip_newline_ = false;  // the line end right after <pre> is not content
    HtmlListStack lists_;
    bool link_ = false;
    std::string target_;
    size_t link_text_ = 0;
};

std::string HtmlConverter::run() {
    size_t i = 0;
    while (i < in_.size() && !out_.full()) {
        char c = in_[i];
        bool skip_newline = skip_newline_;
        skip_newline_ = false;
        if (c == '<') {
            i = markup(i);
        } else if (c == '&') {
            i = reference(i);
        } else if (skip_newline && (c == '\n' || c == '\r')) {
            i += in_.substr(i, 2) == "\r\n" ? 2 : 1;
        } else {
            i = character(i);
        }
    }
    close_link();
    return out_.finish();
}

// "<" starts markup only before a letter, "/", "!" or "?"; otherwise it is text ("a < b").
size_t HtmlConverter::markup(size_t i) {
    size_t n = in_.size();
    char next = i + 1 < n ? in_[i + 1] : '\0';
    if (in_.substr(i, 4) == "<!--") return comment(i + 4);
    if (next == '!' || next == '?') {
        return std::min(n, find_or_end(in_, ">", i + 2) + 1);  // <!DOCTYPE>, <![if]>, <?xml?>
    }
    if (is_alpha(next)) return element(i + 1, false);
    if (next == '/' && i + 2 < n) {
        if (is_alpha(in_[i + 2])) return element(i + 2, true);
        return std::min(n, find_or_end(in_, ">", i + 2) + 1);  // "</>", "</ x>": nothing
    }
    return character(i);
}

// From just after "<!--" to the end of the comment: "-->", "--!>", or the end of the input.
size_t HtmlConverter::comment(size_t i) {
    if (in_.substr(i, 1) == ">") return i + 1;
    if (in_.substr(i, 2) == "->") return i + 2;
    for (size_t at = in_.find("--", i); at != kNone; at = in_.find("--", at + 1)) {
        if (in_.substr(at + 2, 1) == ">") return at + 3;
        if (in_.substr(at + 2, 2) == "!>") return at + 4;
    }
    return in_.size();
}

size_t HtmlConverter::element(size_t i, bool end) {
    Tag tag;
    i = read_tag(in_, i, tag);
    if (i == kNone) return in_.size();  // the input ends inside the tag: it never was one
    Kind kind = kind_of(tag.name);
    if (head_ && (end ? kind == Kind::kHead || kind == Kind::kBody || tag.name == "html"
                      : !belongs_in_head(tag.name))) {
        head_ = false;
    }
    if (end) {
        finish(kind);
        return i;
    }
    start(tag, kind);
    return kind == Kind::kHidden && !tag.self_closing ? hidden_content(i, tag.name) : i;
}

// The content of <script>, <style> and the like runs to its own end tag and holds no markup.
size_t HtmlConverter::hidden_content(size_t i, std::string_view name) {
    size_t n = in_.size();
    for (size_t at = in_.find("</", i); at != kNone; at = in_.find("</", at + 2)) {
        size_t after = at + 2 + name.size();
        if (after > n || !equals_nocase(in_.substr(at + 2, name.size()), name)) continue;
        if (after == n || is_space(in_[after]) || in_[after] == '>' || in_[after] == '/') {
            return at;
        }
    }
    return n;
}

size_t HtmlConverter::reference(size_t i) {
    CharRef r = decode_char_ref(in_.substr(i), false);
    if (r.used == 0) return character(i);
    if (r.text == "\xC2\xA0") {
        head_ = false;
        out_.text(" ");  // a no-break space is a blank that white space rules leave alone
    } else {
        for (size_t at = 0; at < r.text.size();) {
            size_t len = std::max<size_t>(1, utf8_length(std::string_view(r.text).substr(at)));
            show(std::string_view(r.text).substr(at, len));
            at += len;
        }
    }
    return i + r.used;
}

size_t HtmlConverter::character(size_t i) {
    if (in_[i] == '\r' && in_.substr(i, 2) == "\r\n") {
        show("\n");  // CR LF, a lone CR and a lone LF are one line end
        return i + 2;
    }
    size_t len = utf8_length(in_.substr(i, 4));
    if (len == 0) {
        show(to_utf8(in_.substr(i, 1)));
        return i + 1;
    }
    show(in_.substr(i, len));
    return i + len;
}

// One character of the text, by the white space rules; the head shows nothing but ends at the
// first character that is not white space (it was never closed).
void HtmlConverter::show(std::string_view ch) {
    bool white = ch.size() == 1 && is_space(ch[0]);
    if (head_) {
        if (white) return;
        head_ = false;
    }
    if (!white) {
        out_.text(ch);
    } else if (pre_ == 0) {
        out_.space();
    } else if (ch[0] == '\n' || ch[0] == '\r') {
        out_.line_end();
    } else {
        out_.text(ch[0] == '\t' ? "\t" : " ");
    }
}

void HtmlConverter::start(const Tag& tag, Kind kind) {
    switch (kind) {
        case Kind::kInline:
        case Kind::kHidden: break;
        case Kind::kBreak: out_.line_end(); break;
        case Kind::kLine:
        case Kind::kTerm:
        case Kind::kRow: out_.block(1); break;
        case Kind::kPara: out_.block(2); break;
        case Kind::kPre:
            out_.block(2);
            ++pre_;
            skip_newline_ = true;
            break;
        case Kind::kList: open_list(false); break;
        case Kind::kOrderedList: open_list(true); break;
        case Kind::kItem: list_item(); break;
        case Kind::kDefinition:
            out_.block(1);
            out_.prefix("   ");
            break;
        case Kind::kCell: out_.cell(); break;
        case Kind::kLink: open_link(tag); break;
        case Kind::kHead: head_ = true; break;
        case Kind::kBody: head_ = false; break;
    }
}

void HtmlConverter::finish(Kind kind) {
    switch (kind) {
        case Kind::kInline:
        case Kind::kHidden:
        case Kind::kCell:
        case Kind::kHead:
        case Kind::kBody: break;
        case Kind::kBreak: out_.line_end(); break;  // "</br>" is read as "<br>"
        case Kind::kLine:
        case Kind::kTerm:
        case Kind::kRow: out_.block(1); break;
        case Kind::kPara: out_.block(2); break;
        case Kind::kPre:
            out_.block(2);
            pre_ = std::max(0, pre_ - 1);
            break;
        case Kind::kList:
        case Kind::kOrderedList: close_list(); break;
        case Kind::kItem:
        case Kind::kDefinition:
            out_.block(1);
            out_.prefix("");  // an item without text gets no mark
            break;
        case Kind::kLink: close_link(); break;
    }
}

void HtmlConverter::open_list(bool ordered) {
    out_.block(lists_.depth() == 0 ? 2 : 1);
    lists_.push(ordered);
}

void HtmlConverter::close_list() {
    lists_.pop();
    out_.prefix("");
    out_.block(lists_.depth() == 0 ? 2 : 1);
}

// "* " in a list, "1. ", "2. " in a numbered one, indented by two blanks per outer list.
void HtmlConverter::list_item() {
    out_.block(1);
    size_t depth = lists_.depth();
    std::string mark(depth > 1 ? 2 * std::min<size_t>(depth - 1, 8) : 0, ' ');
    out_.prefix(mark + lists_.next_mark());
}

void HtmlConverter::open_link(const Tag& tag) {
    close_link();
    link_ = true;
    target_ = tag.has_href ? link_target(tag.href) : std::string();
    link_text_ = out_.position();
}

// The link text is followed by its target, unless it says the same, there is no text, or the
// target is a place in the same text ("#top").
void HtmlConverter::close_link() {
    if (!link_) return;
    link_ = false;
    std::string_view text = out_.since(link_text_);
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
    std::string_view target = target_;
    if (target.empty() || target[0] == '#' || text.empty() || text == target ||
        (target.substr(0, 7) == "mailto:" && text == target.substr(7))) {
        return;
    }
    out_.space();
    out_.text("[");
    for (size_t at = 0; at < target.size();) {
        size_t len = std::max<size_t>(1, utf8_length(target.substr(at, 4)));
        out_.text(target.substr(at, len));
        at += len;
    }
    out_.text("]");
}

}  // namespace

std::string html_to_text(std::string_view html) { return HtmlConverter(html).run(); }

}  // namespace qs
