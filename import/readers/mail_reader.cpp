// SPDX-License-Identifier: MIT
// The frame every mailbox reader runs in.
#include "import/readers/mail_reader.h"

#include <algorithm>

namespace qs {

bool MailReader::open(ParseContext& ctx, const std::string& path) {
    if (!buf_.open(path)) {
        ctx.report(" Import Error ", "The file " + path + " cannot be read!");
        return false;
    }
    total_ = buf_.size();
    start(ctx, path);
    return true;
}

void MailReader::start(ParseContext& ctx, const std::string& path) {
    finished_ = false;
    target_ = find_mail_target(ctx);
    // Mail that goes to no database is passed over: its attachments are not decoded either.
    parser_.set_sink(target_.import ? &ctx.attachments() : nullptr);
    prepare(ctx, path);
}

bool MailReader::step(ParseContext& ctx, int budget) {
    const int n = std::max(1, batch(budget));
    for (int i = 0; i < n; ++i) {
        separator_.clear();
        const Found found = read_message(ctx);
        if (found == Found::None) {
            finished_ = true;
            buf_.close();
            line_ = SourceLine();
            return true;
        }
        if (found == Found::Message && buf_.cut_short()) {
            // The mail program compacted the file meanwhile: this message and the ones after it
            // may be made of another message's bytes. A rerun reads the file as it is then.
            ctx.skip_message(SkipReason::Damaged,
                             where() +
                                 " (the file was cut short while it was read; the rest "
                                 "of it is left for the next import)");
            finished_ = true;
            buf_.close();
            return true;
        }
        if (found == Found::Message)
            hand_over_mail(ctx, target_, parser_, options(), where(), separator_, places_);
    }
    return false;
}

bool MailReader::read_lines(const LineRules& rules, const LineStop& stop) {
    parser_.begin();
    line_.goes_on = false;
    bool any = false;
    for (;;) {
        const bool going_on = line_.goes_on;
        const LineEnd end = read_line(buf_, line_, parser_.reads_raw() ? kPlainLines : rules, stop);
        if (end == LineEnd::Newline || end == LineEnd::Piece) {
            if (end == LineEnd::Newline && !going_on) line_read(line_.bytes);
            parser_.line(line_.bytes, line_.eol, end == LineEnd::Piece);
            any = true;
            continue;
        }
        // The last line, ended by the message's end or the file's, or the rest of a long one.
        if (!line_.bytes.empty() || going_on) {
            if (!going_on) line_read(line_.bytes);
            parser_.line(line_.bytes, {});
            any = true;
        }
        return any;
    }
}

ReadProgress MailReader::progress() const {
    return {finished_ ? total_ : std::min(buf_.position(), total_), total_};
}

std::string MailReader::where() const { return "message at byte " + std::to_string(start_); }

}  // namespace qs
