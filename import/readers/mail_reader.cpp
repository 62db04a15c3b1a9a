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
    finished_ = false;
    target_ = find_mail_target(ctx);
    prepare(ctx, path);
    return true;
}

bool MailReader::step(ParseContext& ctx, int budget) {
    const int n = std::max(1, batch(budget));
    for (int i = 0; i < n; ++i) {
        LineQueue& q = queue_;
        q.clear();  // its room is kept for the next message
        if (!read_message(ctx, q)) {
            finished_ = true;
            buf_.close();
            LineQueue().swap(queue_);
            return true;
        }
        if (q.empty()) continue;
        hand_over_mail(ctx, target_, q, options(), where());
    }
    return false;
}

ReadProgress MailReader::progress() const {
    return {finished_ ? total_ : std::min(buf_.position(), total_), total_};
}

std::string MailReader::where() const { return "message at byte " + std::to_string(start_); }

}  // namespace qs
