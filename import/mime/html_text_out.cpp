// SPDX-License-Identifier: MIT
// Writing the converted HTML text: breaks and separators wait until the next character shows
// whether they are needed, so that runs of block elements give one empty line at most.
#include "import/mime/html_text_out.h"

#include <algorithm>

#include "import/mime/mime.h"

namespace qs {

bool HtmlTextOut::put(std::string_view bytes) {
    if (full_) return false;
    size_t chars = bytes == "\r\n" ? 2 : 1;
    if (chars_ + chars > kTextLimit) {
        full_ = true;
        return false;
    }
    s_.append(bytes);
    chars_ += chars;
    newlines_ = bytes == "\r\n" ? newlines_ + 1 : 0;
    return true;
}

// A line does not end in blanks; a line of blanks ("<p>&nbsp;</p>") is an empty line.
void HtmlTextOut::strip_blanks() {
    if (newlines_ > 0) return;
    while (!s_.empty() && (s_.back() == ' ' || s_.back() == '\t')) {
        s_.pop_back();
        --chars_;
    }
    // Breaks ask for two line ends at most, so two is all that needs counting.
    for (size_t end = s_.size(); newlines_ < 2 && end >= 2 && s_.compare(end - 2, 2, "\r\n") == 0;
         end -= 2) {
        ++newlines_;
    }
}

void HtmlTextOut::flush_lines() {
    if (lines_ > 0 && !s_.empty()) {
        strip_blanks();
        while (newlines_ < lines_ && put("\r\n")) {
        }
    }
    lines_ = 0;
}

void HtmlTextOut::text(std::string_view ch) {
    bool separate = line_has_text();
    flush_lines();
    if (!prefix_.empty()) {
        for (char c : prefix_) put(std::string_view(&c, 1));
        prefix_.clear();
        separate = false;
    }
    if (separate && sep_ != Sep::kNone) put(sep_ == Sep::kTab ? "\t" : " ");
    sep_ = Sep::kNone;
    put(ch);
}

void HtmlTextOut::line_end() {
    sep_ = Sep::kNone;
    if (s_.empty()) {
        lines_ = 0;
        return;
    }
    flush_lines();
    strip_blanks();
    put("\r\n");
}

std::string_view HtmlTextOut::since(size_t at) const {
    return std::string_view(s_).substr(std::min(at, s_.size()));
}

std::string HtmlTextOut::finish() {
    while (!s_.empty() &&
           (s_.back() == ' ' || s_.back() == '\t' || s_.back() == '\r' || s_.back() == '\n')) {
        s_.pop_back();
        --chars_;
    }
    if (!s_.empty() && chars_ + 2 <= kTextLimit) s_.append("\r\n");
    return std::move(s_);
}

void HtmlListStack::push(bool ordered) {
    if (depth_ < kKept) lists_[depth_] = List{ordered, 1};
    ++depth_;
}

std::string HtmlListStack::next_mark() {
    if (depth_ == 0) return "* ";
    List& l = lists_[std::min(depth_, kKept) - 1];
    if (!l.ordered) return "* ";
    return std::to_string(l.next++) + ". ";
}

}  // namespace qs
