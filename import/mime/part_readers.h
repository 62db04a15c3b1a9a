// SPDX-License-Identifier: MIT
// The readers of the message parser's leaf parts (a text, an attachment) and the message text
// they write to. Used by import/mime/message_parser.cpp only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/mime/attachment_sink.h"
#include "import/mime/message_parser.h"
#include "import/mime/transfer_encoding.h"

namespace qs {

// The message text under construction: lines in UTF-8 joined with CR LF, at most 64,000
// characters. A line that would reach the limit is cut (never inside a character) so that the
// text ends with 63,998 characters and CR LF, and nothing more is taken. Each block (a part, a
// forwarded message) loses its leading empty lines and stands one empty line after the text
// before it.
class MessageText {
public:
    void new_block();
    // A line, or a piece of one when `line_end` is false (the next piece goes on with it).
    void add(std::string_view utf8, bool line_end);
    // A converted text (HTML, enriched) with CR LF or LF line ends.
    void add_text(std::string_view utf8);
    bool full() const { return full_; }
    std::string take();

private:
    size_t chars();

    std::string text_;
    size_t chars_ = 0;  // the characters of text_'s first counted_ bytes
    size_t counted_ = 0;
    bool full_ = false;
    bool gap_ = false;     // an empty line is due before the next line with text
    bool leading_ = true;  // no line with text in this block yet
    bool mid_line_ = false;
};

struct MessageParser::State {
    MessageText text;
    AttachmentSink* sink = nullptr;
    std::vector<std::string>* notes = nullptr;
    bool* attachments_lost = nullptr;
    void note(const std::string& text);
};

// Reads the lines of one leaf part. finish() is called once, at the part's end.
class PartReader {
public:
    virtual ~PartReader() = default;
    virtual void line(std::string_view bytes, std::string_view eol, bool goes_on) = 0;
    virtual void finish() {}
    // True while the lines must reach it as they stand in the mailbox (a uuencoded block).
    virtual bool raw_lines() const { return false; }
};

enum class TextKind { Plain, Html, Enriched };

struct TextPartOptions {
    TransferEncoding encoding = TransferEncoding::Identity;
    std::string charset;  // as declared; empty when none is
    TextKind kind = TextKind::Plain;
    bool sniff_html = false;  // a plain text whose first line holds "HTML" is converted as HTML
};

std::unique_ptr<PartReader> make_text_reader(MessageParser::State& st,
                                             const TextPartOptions& options);
// `sink` must not be null.
std::unique_ptr<PartReader> make_attachment_reader(MessageParser::State& st,
                                                   const AttachmentInfo& info,
                                                   TransferEncoding encoding);
// Drops every line.
std::unique_ptr<PartReader> make_discarding_reader();

}  // namespace qs
