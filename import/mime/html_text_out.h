// SPDX-License-Identifier: MIT
// The text the HTML conversion writes: white space collapsed, line and paragraph breaks merged,
// list marks and table cell separators placed, CR LF line ends, and never more characters than
// the text limit (a character is never cut).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

class HtmlTextOut {
public:
    // True once a character did not fit; nothing more is written.
    bool full() const { return full_; }
    // One character (its UTF-8 bytes), shown as it is; a blank given here is never collapsed.
    void text(std::string_view ch);
    // White space between words: one blank, written only between two characters of a line.
    void space() {
        if (sep_ == Sep::kNone) sep_ = Sep::kSpace;
    }
    // A table cell: a tab before its text unless it starts the line.
    void cell() {
        if (line_has_text()) sep_ = Sep::kTab;
    }
    // A line end that is always written (<br>, a line end in preformatted text), but never at
    // the start of the text.
    void line_end();
    // The next text starts on a new line (1) or after an empty line (2); breaks asked for
    // together merge, and none is written at the start or the end of the text.
    void block(int lines) {
        if (lines > lines_) lines_ = lines;
        sep_ = Sep::kNone;
    }
    // Written before the next text of the line (a list mark, an indent); "" drops it.
    void prefix(std::string p) { prefix_ = std::move(p); }
    // Where the next text will go, and what was written since such a place.
    size_t position() const { return s_.size(); }
    std::string_view since(size_t at) const;
    // The text without trailing blanks and line ends, then one CR LF when it is not empty.
    std::string finish();

private:
    enum class Sep : uint8_t { kNone, kSpace, kTab };
    bool line_has_text() const { return !s_.empty() && newlines_ == 0 && lines_ == 0; }
    bool put(std::string_view bytes);
    void flush_lines();
    void strip_blanks();

    std::string s_;
    size_t chars_ = 0;
    int lines_ = 0;     // the break asked for before the next text
    int newlines_ = 0;  // CR LF pairs that end the text
    Sep sep_ = Sep::kNone;
    std::string prefix_;
    bool full_ = false;
};

// The lists open around the current element: their kind and the next number.
class HtmlListStack {
public:
    size_t depth() const { return depth_; }
    void push(bool ordered);
    void pop() {
        if (depth_ > 0) --depth_;
    }
    // "* ", or "1. ", "2. " ... in a numbered list.
    std::string next_mark();

private:
    static constexpr size_t kKept = 32;  // deeper lists share the innermost kept one's numbers
    struct List {
        bool ordered = false;
        uint32_t next = 1;
    };
    List lists_[kKept];
    size_t depth_ = 0;
};

}  // namespace qs
