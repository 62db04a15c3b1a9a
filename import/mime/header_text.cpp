// SPDX-License-Identifier: MIT
// Encoded words and structured header values.
#include "import/mime/header_text.h"

#include <algorithm>

#include "import/mime/charset.h"
#include "import/mime/transfer_encoding.h"

namespace qs {

namespace {

bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = lower(c);
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// One encoded word found in a field: where it lies and its decoded bytes.
struct Word {
    size_t begin = 0, end = 0;  // [begin, end) in the field
    std::string charset;
    std::string bytes;
};

std::string decode_q(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out.push_back(' ');
        } else if (c == '=' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
                   hex_value(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2])));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// The encoded word that starts at `at` ("=?"), if it is well formed.
bool word_at(std::string_view f, size_t at, Word& w) {
    const size_t q1 = f.find('?', at + 2);
    if (q1 == std::string_view::npos || q1 == at + 2 || q1 + 3 >= f.size()) return false;
    const std::string_view charset = f.substr(at + 2, q1 - at - 2);
    if (std::any_of(charset.begin(), charset.end(), space)) return false;
    const char kind = lower(f[q1 + 1]);
    if ((kind != 'q' && kind != 'b') || f[q1 + 2] != '?') return false;
    // The encoded text holds no "?": the first one after it must close the word.
    const size_t close = f.find('?', q1 + 3);
    if (close == std::string_view::npos || close + 1 >= f.size() || f[close + 1] != '=')
        return false;
    const std::string_view text = f.substr(q1 + 3, close - q1 - 3);
    w.begin = at;
    w.end = close + 2;
    w.charset = lowered(charset);
    if (kind == 'q') {
        w.bytes = decode_q(text);
    } else {
        Base64Decoder b;
        b.decode(text, w.bytes);
        b.finish(w.bytes);
    }
    return true;
}

void convert(const std::string& charset, const std::string& bytes, std::string& out,
             std::string* unknown) {
    CharsetDecoder d(charset);
    if (!d.known() && unknown) *unknown = charset;
    d.decode(bytes, out);
    d.finish(out);
}

// A parameter section of the extended forms: "name*0", "name*1*", "name*".
struct Section {
    int index = 0;
    bool encoded = false;
    std::string text;
};

std::string percent_decoded(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 &&
            hex_value(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// A quoted string from `i` (at the opening quote) to its closing quote, or to the end of the
// field when it is never closed; `i` ends after it.
std::string quoted(std::string_view f, size_t& i) {
    std::string out;
    for (++i; i < f.size(); ++i) {
        if (f[i] == '\\' && i + 1 < f.size()) {
            out.push_back(f[++i]);
        } else if (f[i] == '"') {
            ++i;
            break;
        } else {
            out.push_back(f[i]);
        }
    }
    return out;
}

// Splits "name*2*" into the name, the section number and whether it is percent-encoded.
void name_of(std::string name, std::string& base, Section& s) {
    if (!name.empty() && name.back() == '*') {
        s.encoded = true;
        name.pop_back();
    }
    const size_t star = name.find('*');
    base = name.substr(0, star);
    if (star == std::string::npos) return;
    int n = 0;
    for (size_t k = star + 1; k < name.size() && name[k] >= '0' && name[k] <= '9' && n < 1000; ++k)
        n = n * 10 + (name[k] - '0');
    s.index = n;
}

// Joins the sections of one parameter: the extended form names the character set in its first
// section ("utf-8'en'..."), and every encoded section is percent-decoded.
HeaderParameter joined(const std::string& name, std::vector<Section>& sections) {
    std::stable_sort(sections.begin(), sections.end(),
                     [](const Section& a, const Section& b) { return a.index < b.index; });
    HeaderParameter p;
    p.name = name;
    std::string charset;
    bool extended = false;
    for (size_t k = 0; k < sections.size(); ++k) {
        std::string_view text = sections[k].text;
        if (sections[k].encoded) {
            if (k == 0) {
                const size_t q1 = text.find('\'');
                const size_t q2 = q1 == std::string_view::npos ? q1 : text.find('\'', q1 + 1);
                if (q2 != std::string_view::npos) {
                    charset = std::string(text.substr(0, q1));
                    text = text.substr(q2 + 1);
                }
            }
            extended = true;
            p.raw += percent_decoded(text);
        } else {
            p.raw += text;
        }
    }
    if (extended) {
        convert(charset, p.raw, p.value, nullptr);
    } else {
        p.value = decode_header_text(p.raw);
    }
    return p;
}

}  // namespace

std::string decode_header_text(std::string_view f, std::string* unknown) {
    std::string out;
    std::string charset, bytes;  // adjacent words of one charset, converted together
    bool holding = false;
    auto release = [&] {
        if (holding) convert(charset, bytes, out, unknown);
        holding = false;
        bytes.clear();
    };
    size_t at = 0;
    while (at < f.size()) {
        Word w;
        size_t from = f.find("=?", at);
        while (from != std::string_view::npos && !word_at(f, from, w))
            from = f.find("=?", from + 1);
        const std::string_view between =
            f.substr(at, from == std::string_view::npos ? std::string_view::npos : from - at);
        // Blanks and line breaks between two encoded words are not part of the text.
        if (from == std::string_view::npos || !holding || !trimmed(between).empty()) {
            release();
            append_utf8_or_1252(out, between);
        }
        if (from == std::string_view::npos) break;
        if (holding && charset != w.charset) release();
        if (!holding) charset = w.charset;
        holding = true;
        bytes += w.bytes;
        at = w.end;
    }
    release();
    return out;
}

const HeaderParameter* HeaderValue::param(std::string_view name) const {
    for (const HeaderParameter& p : params)
        if (p.name == name) return &p;
    return nullptr;
}

HeaderValue parse_header_value(std::string_view f) {
    HeaderValue v;
    size_t i = f.find(';');
    v.value = lowered(trimmed(f.substr(0, i)));
    // Each parameter's sections, plain and extended, in the order the names first come.
    struct Named {
        std::string name;
        std::vector<Section> plain, extended;
    };
    std::vector<Named> named;
    while (i != std::string_view::npos && i < f.size()) {
        ++i;  // past the ";"
        const size_t eq = f.find('=', i);
        const size_t semi = f.find(';', i);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            i = semi;
            continue;
        }
        std::string name = lowered(trimmed(f.substr(i, eq - i)));
        i = eq + 1;
        while (i < f.size() && space(f[i])) ++i;
        Section s;
        if (i < f.size() && f[i] == '"') {
            s.text = quoted(f, i);
            i = f.find(';', i);
        } else {
            const size_t stop = f.find(';', i);
            s.text = std::string(trimmed(f.substr(i, stop == f.npos ? f.npos : stop - i)));
            i = stop;
        }
        std::string base;
        name_of(name, base, s);
        if (base.empty()) continue;
        auto it = std::find_if(named.begin(), named.end(),
                               [&](const Named& n) { return n.name == base; });
        if (it == named.end()) it = named.insert(named.end(), Named{base, {}, {}});
        (name.find('*') != std::string::npos ? it->extended : it->plain).push_back(std::move(s));
    }
    // The extended form wins over a plain value given beside it for older readers.
    for (Named& n : named)
        v.params.push_back(joined(n.name, n.extended.empty() ? n.plain : n.extended));
    return v;
}

}  // namespace qs
