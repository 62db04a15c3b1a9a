// SPDX-License-Identifier: MIT
// A message read line by line, as a mailbox reader finds its lines: the header block, then the
// body by its MIME structure, without ever holding the whole message. What comes out is the
// message's own header fields (raw, for the reader to decode and hand over), the message text in
// UTF-8 (at most 64,000 characters) and, through an attachment sink, every part that is not text.
//
// The body of a MIME message (one with a MIME-Version, Content-Type or Content-Transfer-Encoding
// header) is read as its parts say:
//   - multipart of every kind and depth: the boundary lines open and close parts; the preamble
//     and the epilogue are no content; a boundary that never closes leaves the rest of the
//     message in the part; a digest's parts are forwarded messages unless they say otherwise;
//   - of an alternative, the first part that holds text is the text, the others are other
//     renderings of it and are left out;
//   - text parts shown inline (plain, calendars, any text/*, delivery reports) join the text in
//     order, HTML through html_to_text, enriched text through enriched_to_text;
//   - a forwarded message (message/rfc822) gives the text its From, Date and Subject lines and
//     then its own text, read by the same rules;
//   - every other part, a part marked as an attachment, and a uuencoded block inside a text
//     ("begin 644 name" ... "end") goes to the attachment sink with its decoded name and type;
//   - each part is decoded by its Content-Transfer-Encoding and converted from its charset.
// A message without MIME headers keeps the text as its mailbox reader read it (with the reader's
// own escape rules); its 8-bit bytes are Windows-1252 and a text that begins as HTML is
// converted. Header lines are taken as they stand: no escape rule runs over them.
//
// Not thread-safe; one parser per reader, reused from message to message.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/mime/attachment_sink.h"

namespace qs {

// The fields of a header block that the readers hand over or that decide how a body is read,
// with folded lines joined (each line break and the blanks after it become one blank), not yet
// decoded. A field given twice keeps its first value, except Cc, whose values are joined.
struct HeaderFields {
    std::string from, to, cc, subject, date;
    std::string newsgroups, message_id, references, in_reply_to;
    std::string content_type, transfer_encoding, disposition;
    std::string labels;  // X-Gmail-Labels: the labels of a mail of an exported mail account
    bool has_date = false;
    bool has_subject = false;
    bool has_newsgroups = false;  // a news article, whatever its value
    bool mime = false;  // MIME-Version, Content-Type or Content-Transfer-Encoding is given
};

class PartReader;

class MessageParser {
public:
    // Mime: bodies as their MIME headers say. Decoded: bodies stored already decoded by the mail
    // program (Eudora takes transfer encodings off and attachments out as mail arrives): the
    // body is one text, its charset and kind (HTML, enriched) taken from the Content-Type.
    enum class Layout { Mime, Decoded };

    explicit MessageParser(Layout layout = Layout::Mime);
    ~MessageParser();
    MessageParser(const MessageParser&) = delete;
    MessageParser& operator=(const MessageParser&) = delete;

    // Where the attachments of the following messages go; nullptr drops them undecoded. The
    // sink must outlive the messages read.
    void set_sink(AttachmentSink* sink);

    // Starts a message: forgets everything of the one before.
    void begin();
    // One source line without its line end; `eol` is the line end as found ("\r\n", "\n", "\r",
    // empty at the end of the file). A line too long to be held comes in pieces: every piece
    // but the last has `goes_on` set (and no line end).
    void line(std::string_view bytes, std::string_view eol, bool goes_on = false);

    // While a header block is read: the message's own, a part's, or a forwarded message's.
    bool in_header() const;
    // True when `line` (as it stands) is a header line naming a field that the message's own
    // header block already has, and a stray line (no header line) came before it: in a mailbox
    // without separators, the next message begins there, the empty line before it lost.
    bool repeats_after_stray(std::string_view line) const;
    // The message's own header block has ended.
    bool body_started() const { return body_started_; }
    // Whether the next line should reach the parser as it stands in the mailbox: true in header
    // blocks, in MIME bodies and in uuencoded blocks; false where the mailbox's own escape rules
    // apply (the body of a message without MIME headers).
    bool reads_raw() const;

    // The message's own header fields (valid once the header block has ended, or at the end).
    const HeaderFields& header() const { return top_; }
    // Ends the message: closes open parts and attachments and returns the text.
    std::string finish();
    // Remarks for the import log ("unknown charset ..."), valid after finish().
    const std::vector<std::string>& notes() const { return notes_; }
    // True when the sink could not keep an attachment of this message.
    bool attachments_lost() const { return attachments_lost_; }

    // Internal state shared with the part readers.
    struct State;

private:
    enum class Mode { Header, Body, Skip };
    enum class Entity { Top, Part, Embedded };
    struct Frame;

    void header_line(std::string_view bytes, std::string_view eol, bool start, bool goes_on);
    void append_field(std::string_view bytes);
    void end_header();
    void open_flat();
    void open_entity(const HeaderFields& f, bool digest_part);
    bool open_multipart(const std::string& boundary, const std::string& type);
    bool boundary_line(std::string_view bytes);
    bool alternative_allows();
    void end_leaf();
    void note(const std::string& text);

    Layout layout_;
    AttachmentSink* sink_ = nullptr;
    std::unique_ptr<State> state_;
    std::vector<Frame> frames_;
    std::unique_ptr<PartReader> leaf_;
    HeaderFields fields_;           // the header block being read
    std::string* field_ = nullptr;  // the field a continuation line goes on
    unsigned seen_ = 0;             // the fields met in this header block, one bit each
    bool stray_ = false;            // a line that is no header line was met in this block
    HeaderFields top_;
    Mode mode_ = Mode::Header;
    Entity entity_ = Entity::Top;
    bool digest_part_ = false;  // the part whose header is read belongs to a digest
    bool body_started_ = false;
    bool mime_ = false;
    bool in_piece_ = false;    // the last line was a piece: this one goes on with it
    bool skip_piece_ = false;  // the rest of a boundary line too long to be held
    std::vector<std::string> notes_;
    bool attachments_lost_ = false;
};

}  // namespace qs
