// SPDX-License-Identifier: MIT
// The news header scan.
#include "import/readers/news_header.h"

#include "platform/text.h"
#include "platform/unicode.h"

namespace qs {

namespace {

// Each line's name is looked for in its first 100 characters.
constexpr size_t kNameReach = 100;
// A folded "References:" is followed this far; the last identifier is what counts.
constexpr size_t kReferenceReach = 800;
// Other values are kept this long: more than any record field holds.
constexpr size_t kValueReach = 1000;
constexpr size_t kIdWidth = 60;

std::string_view trim(std::string_view s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string_view::npos) return {};
    return trim_right(s.substr(a));
}

void append_folded(std::string& to, std::string_view more, size_t reach) {
    more = trim(more);
    if (more.empty() || to.size() >= reach) return;
    if (!to.empty()) to += ' ';
    to.append(more.substr(0, reach - std::min(reach, to.size())));
}

}  // namespace

std::string last_reference(std::string_view value) {
    value = trim(value);
    const size_t blank = value.find_last_of(" \t");
    if (blank != std::string_view::npos) value = value.substr(blank + 1);
    // Read as text before it is cut: 8-bit bytes count as one character each.
    return std::string(cut_chars(text_from_input(value), kIdWidth));
}

NewsClass NewsHeaderScan::kind() const {
    if (has_newsgroups_) return NewsClass::Article;
    return first_subject_ ? NewsClass::Forum : NewsClass::Mail;
}

std::string NewsHeaderScan::reference() const {
    return last_reference(references_.empty() ? in_reply_to_ : references_);
}

bool NewsHeaderScan::line(std::string_view bytes) {
    if (ended_) return true;
    ++count_;
    if (trim_right(bytes).empty()) {
        folding_ = nullptr;
        ended_ = has_newsgroups_ || (has_from_ && has_date_ && has_subject_) || has_to_ ||
                 count_ > kMaxLines;
        return ended_;
    }
    if ((bytes[0] == ' ' || bytes[0] == '\t') && folding_) {
        append_folded(
            *folding_, bytes,
            folding_ == &references_ || folding_ == &in_reply_to_ ? kReferenceReach : kValueReach);
        return false;
    }
    folding_ = nullptr;
    field(ascii_upper(bytes.substr(0, kNameReach)), bytes);
    return false;
}

void NewsHeaderScan::field(std::string_view up, std::string_view bytes) {
    const bool first = count_ == 1;
    struct Rule {
        std::string_view name;
        std::string* value;
        bool* seen;
    };
    bool ignored = false;
    const Rule rules[] = {
        {"NEWSGROUPS:", &newsgroups_, &has_newsgroups_},
        {"MESSAGE-ID:", &message_id_, &ignored},
        {"REFERENCES:", &references_, &ignored},
        {"IN-REPLY-TO:", &in_reply_to_, &ignored},
        {"FROM:", &from_, &has_from_},
        {"DATE:", &date_, &has_date_},
        {"SUBJECT:", &subject_, &has_subject_},
        {"SUBJ:", &subject_, &has_subject_},
        {"TO:", &to_, &has_to_},
    };
    if (up.starts_with("LINES:")) {
        std::string_view n = trim(bytes.substr(6));
        long v = 0;
        size_t k = 0;
        for (; k < n.size() && k < 9 && n[k] >= '0' && n[k] <= '9'; ++k) v = v * 10 + (n[k] - '0');
        lines_ = k > 0 ? v : -1;
        return;
    }
    if (first && up.starts_with("SUBJECT:")) first_subject_ = true;
    // CompuServe's own names: the subject of a reply, and the sender of a forum message.
    if (up.starts_with("REPLY TO:") && !has_newsgroups_ && !has_subject_) {
        subject_ = std::string(trim(bytes.substr(9)));
        has_subject_ = true;
        return;
    }
    if (up.starts_with("FM:") && kind() == NewsClass::Forum && !has_from_) {
        from_ = std::string(trim(bytes.substr(3)));
        has_from_ = true;
        return;
    }
    for (const Rule& r : rules) {
        if (!up.starts_with(r.name)) continue;
        // A field given twice keeps its first value.
        if (r.value->empty()) {
            const size_t reach =
                r.value == &references_ || r.value == &in_reply_to_ ? kReferenceReach : kValueReach;
            append_folded(*r.value, bytes.substr(r.name.size()), reach);
            folding_ = r.value;
        }
        *r.seen = true;
        return;
    }
}

}  // namespace qs
