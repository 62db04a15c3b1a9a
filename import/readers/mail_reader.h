// SPDX-License-Identifier: MIT
// The mailbox readers: one shared frame (the reading window, the batch, the hand-over) and one
// way per family of mail programs of finding where a message begins and ends.
#pragma once

#include <memory>
#include <string>

#include "import/parser.h"
#include "import/readers/mail_header.h"
#include "import/readers/mail_lines.h"
#include "import/readers/stream_buffer.h"

namespace qs {

class MailReader : public Parser {
public:
    bool open(ParseContext& ctx, const std::string& path) override;
    bool step(ParseContext& ctx, int budget) override;
    ReadProgress progress() const override;

protected:
    // Reads the next message's lines into `q`; false when the file holds no more. A message
    // that is passed over leaves `q` empty after the reader has reported it.
    virtual bool read_message(ParseContext& ctx, LineQueue& q) = 0;
    // Work before the first message (the Eudora table of contents).
    virtual void prepare(ParseContext&, const std::string&) {}
    // Messages per step for the step size the processor gives.
    virtual int batch(int budget) const { return budget; }
    virtual MailOptions options() const { return {}; }

    // "message 3 at byte 1234": names the message being read in the import log.
    std::string where() const;

    StreamBuffer buf_;
    uint64_t start_ = 0;  // the 1-based place of the message being read

private:
    MailTarget target_;
    LineQueue queue_;
    uint64_t total_ = 0;
    bool finished_ = false;
};

std::unique_ptr<Parser> make_separator_reader();
std::unique_ptr<Parser> make_ie_reader();
std::unique_ptr<Parser> make_netscape_reader();
std::unique_ptr<Parser> make_eudora_reader();
std::unique_ptr<Parser> make_header_run_reader();
std::unique_ptr<Parser> make_pegasus_reader();

}  // namespace qs
