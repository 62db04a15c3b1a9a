// SPDX-License-Identifier: MIT
// Finding the boundary of a multipart body and keeping its first plain or HTML part.
#include <algorithm>

#include "import/mime/mime.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace qs {

namespace {

constexpr std::string_view kBoundaryKey = "BOUNDARY=";

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

void mark_removed(TQ& line) {
    line.LINE = kRemoveMarker;
    line.SPLITLINE = 0;
}

// A quoted boundary loses its quotes and a ";" that ends the parameter.
std::string unquote(std::string b) {
    if (b.size() > 2 && b.front() == '"') {
        b.erase(0, 1);
        while (b.size() > 2 && (b.back() == '"' || b.back() == ';')) {
            b.pop_back();
        }
    }
    if (b.size() > kBoundaryMax) {
        b.resize(kBoundaryMax);
    }
    return b;
}

bool holds_boundary(std::string_view line, std::string_view boundary) {
    if (line.size() == boundary.size()) {
        return line == boundary;
    }
    return line.size() > boundary.size() && line.find(boundary) != std::string_view::npos;
}

enum class PartType { kNone, kPlain, kHtml, kNested };

struct TypeWord {
    std::string_view word;
    PartType type;
};

constexpr TypeWord kTypeWords[] = {
    {"TEXT/PLAIN", PartType::kPlain},
    {"TEXT/HTML", PartType::kHtml},
    {"MULTIPART/ALTERNATIVE", PartType::kNested},
    {"MULTIPART/RELATED", PartType::kNested},
};

// The type named in a part's Content-Type line, looked for from the 13th to the 35th character;
// `after` is the 1-based position right after the word found.
PartType part_type(std::string_view upper, size_t& after) {
    for (size_t pos = 12; pos <= 34 && pos < upper.size(); ++pos) {
        for (const TypeWord& t : kTypeWords) {
            if (upper.compare(pos, t.word.size(), t.word) == 0) {
                after = pos + t.word.size() + 1;
                return t.type;
            }
        }
    }
    return PartType::kNone;
}

struct Selection {
    std::string boundary;
    bool in_header = false;
    bool removing = false;
    bool search_pending = false;
    PartType chosen = PartType::kNone;
    bool done = false;
};

void take_boundary(Selection& s, const BoundaryResult& r) {
    s.search_pending = r.go_on;
    if (!r.go_on) {
        s.boundary = r.boundary;
    }
}

void part_header_line(Selection& s, TQ& line) {
    std::string text = std::move(line.LINE);
    mark_removed(line);
    std::string upper = ascii_upper(text);
    if (starts_with(upper, "CONTENT-TYPE")) {
        size_t after = 0;
        PartType t = part_type(upper, after);
        if (t == PartType::kPlain || t == PartType::kHtml) {
            s.chosen = t;
            s.removing = false;
        } else if (t == PartType::kNested) {
            take_boundary(s, find_boundary(text, after));
        }
        return;
    }
    if (text.empty()) {
        // A nested boundary that never came must not swallow the parts that follow.
        s.search_pending = false;
        s.in_header = false;
    } else if (s.search_pending && text.size() > 9) {
        take_boundary(s, find_boundary(text, 1));
    }
}

void body_line(Selection& s, TQ& line) {
    if (!holds_boundary(line.LINE, s.boundary)) {
        if (s.removing) {
            mark_removed(line);
        }
        return;
    }
    mark_removed(line);
    if (s.chosen != PartType::kNone) {
        s.done = true;
    } else {
        s.in_header = true;
        s.removing = true;
    }
}

}  // namespace

BoundaryResult find_boundary(std::string_view line, size_t start) {
    BoundaryResult r;
    r.go_on = true;
    if (line.size() < 10) {
        return r;
    }
    std::string upper = ascii_upper(line);
    size_t from = start > 0 ? start - 1 : 0;
    // The key must leave at least one character of boundary after it.
    for (size_t pos = from; pos + 10 <= upper.size(); ++pos) {
        if (upper.compare(pos, kBoundaryKey.size(), kBoundaryKey) == 0) {
            r.boundary = unquote(std::string(line.substr(pos + kBoundaryKey.size())));
            r.go_on = false;
            break;
        }
    }
    return r;
}

bool is_removed(const TQ& line) { return starts_with(line.LINE, kRemoveMarker); }

bool select_part(LineQueue& q, size_t first, size_t last, const std::string& boundary) {
    Selection s;
    s.boundary = boundary.substr(0, kBoundaryMax);
    if (s.boundary.empty()) {
        return false;  // an empty boundary would match every line
    }
    last = std::min(last, q.size());
    for (size_t i = first; i < last; ++i) {
        if (s.done) {
            mark_removed(q[i]);
        } else if (s.in_header) {
            part_header_line(s, q[i]);
        } else {
            body_line(s, q[i]);
        }
    }
    return s.chosen == PartType::kHtml;
}

}  // namespace qs
