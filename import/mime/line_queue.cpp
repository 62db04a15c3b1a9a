// SPDX-License-Identifier: MIT
// Cutting source lines into queue entries, and the quoted-printable rules the mailbox readers
// apply while they read.
#include "import/mime/line_queue.h"

#include "import/mime/mime.h"

namespace qs {

void push_line(LineQueue& q, std::string_view line) {
    if (line.empty()) {
        q.push_back(TQ{});
        return;
    }
    for (size_t off = 0; off < line.size(); off += kQueueLine) {
        TQ e;
        e.LINE.assign(line.substr(off, kQueueLine));
        e.SPLITLINE = off + kQueueLine < line.size() ? 1 : 0;
        q.push_back(std::move(e));
    }
}

void LineCollector::decode_into(std::string_view raw) {
    if (rule_ == QpRule::kNone) {
        pending_.append(raw);
        return;
    }
    size_t i = 0;
    while (i < raw.size()) {
        char c = raw[i];
        if (c == '=' && i + 2 < raw.size()) {
            // "?=" closes an encoded word, so "=20" right after a "?" must survive.
            bool after_q = i > 0 && raw[i - 1] == '?';
            bool space_pair = raw[i + 1] == '2' && raw[i + 2] == '0';
            if (rule_ == QpRule::kJoinDrop20 && !after_q && space_pair) {
                i += 3;
                continue;
            }
            if (auto b = hex_pair(raw[i + 1], raw[i + 2])) {
                pending_.push_back(static_cast<char>(*b));
                i += 3;
                continue;
            }
        }
        pending_.push_back(c);
        ++i;
    }
}

void LineCollector::spill() {
    size_t off = 0;
    while (pending_.size() - off > kQueueLine) {
        q_.push_back(TQ{pending_.substr(off, kQueueLine), 1});
        off += kQueueLine;
    }
    pending_.erase(0, off);
}

void LineCollector::add(std::string_view raw) {
    bool joins = rule_ == QpRule::kJoin || rule_ == QpRule::kJoinDrop20;
    bool soft = joins && !raw.empty() && raw.back() == '=' &&
                (raw.size() < 2 || raw[raw.size() - 2] != '?');
    decode_into(soft ? raw.substr(0, raw.size() - 1) : raw);
    spill();
    open_ = soft;
    if (!soft) {
        q_.push_back(TQ{std::move(pending_), 0});
        pending_.clear();
    }
}

void LineCollector::finish() {
    if (!open_) {
        return;
    }
    q_.push_back(TQ{std::move(pending_), 0});
    pending_.clear();
    open_ = false;
}

}  // namespace qs
