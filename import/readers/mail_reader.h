// SPDX-License-Identifier: MIT
// The mailbox readers: one shared frame (the reading window, the batch, the hand-over) and one
// way per family of mail programs of finding where a message begins and ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/parser.h"
#include "import/readers/mail_header.h"
#include "import/readers/mail_lines.h"
#include "import/readers/stream_buffer.h"

namespace qs {

class MailReader : public Parser {
public:
    explicit MailReader(MessageParser::Layout layout = MessageParser::Layout::Mime)
        : parser_(layout) {}
    bool open(ParseContext& ctx, const std::string& path) override;
    bool step(ParseContext& ctx, int budget) override;
    ReadProgress progress() const override;

protected:
    enum class Found {
        None,     // the file holds no more messages
        Nothing,  // bytes passed over, or a message the reader reported as not handed over
        Message,  // a message was read into the parser
    };
    // Finds the next message and reads it (through read_lines) into the parser.
    virtual Found read_message(ParseContext& ctx) = 0;
    // Work before the first message (the Eudora table of contents).
    virtual void prepare(ParseContext&, const std::string&) {}
    // Messages per step for the step size the processor gives.
    virtual int batch(int budget) const { return budget; }
    virtual MailOptions options() const { return {}; }

    // Starts a message in the parser and gives it the lines up to `stop` or the end of the
    // file: header lines as they stand, body lines by `rules` where the parser does not want
    // them as they stand (the body of mail without MIME headers). False when there was no line.
    bool read_lines(const LineRules& rules, const LineStop& stop);

    // Each whole line read_lines gives the parser, before it does.
    virtual void line_read(std::string_view) {}
    // Whether the messages read are imported (their attachments kept).
    bool importing() const { return target_.import; }

    // "message at byte 1234": names the message being read in the import log.
    virtual std::string where() const;

    // What open() does besides opening the file: the target database, the attachment sink and
    // the reader's own preparation. For readers that open their files themselves.
    void start(ParseContext& ctx, const std::string& path);

    StreamBuffer buf_;
    uint64_t start_ = 0;  // the 1-based place of the message being read
    MessageParser parser_;
    std::string separator_;  // the line a message began with, when the reader keeps it
    // The folder and marks of the message being read, as its mail program kept them.
    std::vector<std::string> places_;

private:
    MailTarget target_;
    SourceLine line_;
    uint64_t total_ = 0;
    bool finished_ = false;
};

std::unique_ptr<Parser> make_separator_reader();
std::unique_ptr<Parser> make_ie_reader();
std::unique_ptr<Parser> make_netscape_reader();
std::unique_ptr<Parser> make_eudora_reader();
std::unique_ptr<Parser> make_header_run_reader();
std::unique_ptr<Parser> make_pegasus_reader();
std::unique_ptr<Parser> make_unix_mailbox_reader();
std::unique_ptr<Parser> make_maildir_reader();
std::unique_ptr<Parser> make_eml_reader();

}  // namespace qs
