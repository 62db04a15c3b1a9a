// SPDX-License-Identifier: MIT
// The reader of the capture formats: the file kind test when the file is opened, then message by
// message, each from its first line to the line before the next message's first line. A
// message's lines are held at most 2,500 at a time and each line at most 1,200 characters, so a
// capture of any size, with lines of any length, is read in a fixed amount of memory.
#include <algorithm>
#include <deque>

#include "import/address.h"
#include "import/mime/mime.h"
#include "import/readers/capture.h"
#include "import/readers/mail_header.h"
#include "import/readers/stream_buffer.h"
#include "platform/text.h"
#include "platform/unicode.h"
#include "storage/records.h"

namespace qs {

namespace {

constexpr size_t kHeadingWidth = 100;
constexpr int kGoldenCompassMailBatch = 3;

// The lines of the file, converted, with a look at the lines ahead.
class CaptureLines {
public:
    explicit CaptureLines(CaptureFormat f) : format_(f) {}
    bool open(const std::string& path) {
        ahead_.clear();
        line_number_ = 0;
        return buf_.open(path);
    }
    void close() { buf_.close(); }
    // The line `k` places ahead (0: the next), or nullptr past the end of the file.
    const std::string* peek(size_t k = 0) {
        while (ahead_.size() <= k) {
            Line l;
            if (!read_raw(l)) return nullptr;
            ahead_.push_back(std::move(l));
        }
        return &ahead_[k].text;
    }
    // Takes the next line; false at the end. `cut` tells whether the line lost characters.
    bool next(std::string& line, bool* cut = nullptr) {
        if (!peek()) return false;
        line = std::move(ahead_.front().text);
        if (cut) *cut = ahead_.front().cut;
        ahead_.pop_front();
        ++line_number_;
        return true;
    }
    uint64_t line_number() const { return line_number_; }  // lines taken so far
    uint64_t position() const { return buf_.position(); }
    uint64_t size() const { return buf_.size(); }

private:
    struct Line {
        std::string text;
        bool cut = false;
    };
    // One line of the file: its first 1,200 characters kept, the rest passed over.
    bool read_raw(Line& l) {
        if (buf_.at_end()) return false;
        std::string raw;
        for (;;) {
            std::string_view w = buf_.ahead();
            if (w.empty()) break;
            const size_t nl = w.find('\n');
            const std::string_view piece = w.substr(0, nl);
            const size_t room = kCaptureLineKeep + 1 - std::min(raw.size(), kCaptureLineKeep + 1);
            raw.append(piece.substr(0, room));
            l.cut = l.cut || piece.size() > room;
            buf_.advance(nl == std::string_view::npos ? w.size() : nl + 1);
            if (nl != std::string_view::npos) break;
        }
        if (raw.size() > kCaptureLineKeep && raw.back() != '\r') l.cut = true;
        l.text = capture_line(format_, raw);
        return true;
    }

    CaptureFormat format_;
    StreamBuffer buf_;
    std::deque<Line> ahead_;
    uint64_t line_number_ = 0;
};

std::string fit(std::string_view text, size_t width) { return std::string(cut_chars(text, width)); }

// The message text from its lines: an Internet mail header block at its start is dropped and a
// MIME body reduced to its text part.
std::string capture_text(const std::vector<std::string>& lines, size_t from) {
    LineQueue q;
    size_t last = lines.size();
    while (last > from && trim_right(lines[last - 1]).empty()) --last;
    for (size_t i = from; i < last; ++i) push_line(q, lines[i]);
    size_t first = 0;
    while (first < q.size() && !q[first].SPLITLINE && trim_right(q[first].LINE).empty()) ++first;
    if (first < q.size() && is_embedded_mail_header(q[first].LINE)) {
        const ForumBody fb = forum_body_mime(q, first, q.size());
        if (fb.block_ended) return assemble_text(q, fb.first_body, q.size(), fb.kind);
    }
    return assemble_text(q, first, q.size(), kPlainBody);
}

void set_heading(NHR& r, const std::string& subject) {
    r.HEADING = fit(subject, kHeadingWidth);
    if (char_count(subject) > kHeadingWidth) r.LONGHEADING = subject;
}

// NavCIS writes "CIS:" before a CompuServe user number.
std::string without_cis_prefix(std::string value) {
    const size_t at = value.find("CIS:");
    if (at != std::string::npos && (at == 0 || value[at - 1] == ' ')) value.erase(at, 4);
    return value;
}

class CaptureReader : public Parser {
public:
    explicit CaptureReader(CaptureFormat f) : format_(f), lines_(f) {}

    bool open(ParseContext& ctx, const std::string& path) override {
        path_ = path;
        done_ = false;
        if (!lines_.open(path)) {
            ctx.report(" Import Error ", "The file " + path + " cannot be read!");
            return false;
        }
        target_ = find_mail_target(ctx);
        const bool mail_target = ctx.settings().forum_name.empty() &&
                                 !ctx.mail_database_name(ctx.settings().mailbox).empty();
        kind_ = capture_file_kind(
            format_, [this](std::string& l) { return lines_.next(l); }, mail_target);
        lines_.close();
        if (kind_ == kCaptureUnknown) {
            ctx.report("Warning!", kNotCaptureFile);
            return false;
        }
        if (!lines_.open(path)) return false;
        total_ = lines_.size();
        return true;
    }

    bool step(ParseContext& ctx, int budget) override {
        int n = std::max(1, budget);
        if (format_ == CaptureFormat::GoldenCompass && kind_ == kCaptureMail)
            n = std::min(n, kGoldenCompassMailBatch);
        for (int i = 0; i < n; ++i) {
            if (!read_message(ctx)) {
                done_ = true;
                lines_.close();
                return true;
            }
        }
        return false;
    }

    ReadProgress progress() const override {
        return {done_ ? total_ : std::min(lines_.position(), total_), total_};
    }

private:
    bool starts_message(const std::string& line, size_t k) {
        if (!capture_message_start(format_, kind_, line)) return false;
        if (format_ != CaptureFormat::NavCis) return true;
        const std::string* from = lines_.peek(k + 1);
        return from && from->starts_with("   From:  ");
    }

    // Reads the next message into msg_; false when the file holds no more.
    bool collect(ParseContext& ctx) {
        msg_.clear();
        std::string line;
        bool cut = false, cuts = false;
        for (const std::string* l; (l = lines_.peek()) && !starts_message(*l, 0);)
            lines_.next(line);
        if (!lines_.next(line, &cut)) return false;
        start_line_ = lines_.line_number();
        msg_.push_back(std::move(line));
        cuts = cut;
        uint64_t dropped = 0;
        for (const std::string* l; (l = lines_.peek()) && !starts_message(*l, 0);) {
            lines_.next(line, &cut);
            cuts = cuts || cut;
            if (msg_.size() < kCaptureQueueLines)
                msg_.push_back(std::move(line));
            else
                ++dropped;
        }
        if (cuts) ctx.note(where() + ": lines longer than 1200 characters were cut");
        if (dropped)
            ctx.note(where() + ": " + std::to_string(dropped) +
                     " lines past the 2500th were left out");
        return true;
    }

    bool read_message(ParseContext& ctx) {
        if (!collect(ctx)) return false;
        if (kind_ == kCaptureForum)
            hand_over_forum(ctx);
        else
            hand_over_mail(ctx);
        return true;
    }

    std::string where() const { return path_ + " line " + std::to_string(start_line_); }
    std::string what(const CaptureHeader& h) const {
        return where() + " \"" + fit(h.subject, kHeadingWidth) + "\"";
    }

    void hand_over_forum(ParseContext& ctx) {
        const CaptureHeader h = format_ == CaptureFormat::NavCis ? read_navcis_block(msg_, kind_)
                                                                 : read_forum_header(format_, msg_);
        if (!ctx.settings().forum)
            return ctx.skip_message(SkipReason::KindNotSelected, what(h) + " (a forum message)");
        if (!h.why.empty())
            return ctx.skip_message(SkipReason::Damaged, what(h) + " (" + h.why + ")");
        const std::string forum = h.forum.empty() ? ctx.settings().forum_name : h.forum;
        if (forum.empty())
            return ctx.skip_message(SkipReason::NotImported,
                                    what(h) + " (no forum was named for the import)");
        const DatabaseRef db = ctx.lookup_database(forum, false);
        if (!db.import || db.type != kForumDb)
            return ctx.skip_message(SkipReason::NotImported,
                                    what(h) + " (\"" + forum + "\" takes no forum messages)");
        if (!ctx.settings().reimport && ctx.imported_before(db.id, h.number))
            return ctx.skip_message(SkipReason::Duplicate, what(h));
        NHR r;
        r.INTERNAL = db.id;
        r.MSGNUMBER = h.number;
        r.REFNUMBER = h.ref;
        r.FOR_DESCRIPTION = forum;
        r.SECTIONNUMBER = h.section;
        r.SEC_DESCRIPTION = h.section_name;
        set_heading(r, h.subject);
        std::string address, name;
        FindCISAdress(1, address, name, without_cis_prefix(h.from));
        r.S_CISADRESS = address;
        r.S_NAME = name;
        FindCISAdress(1, address, name, without_cis_prefix(h.to));
        r.R_CISADRESS = address;
        r.R_NAME = name;
        r.DATE = h.date;
        r.TIME = h.time;
        r.MSGTEXT.text = capture_text(msg_, h.text_from);
        ctx.add_message(r);
    }

    void hand_over_mail(ParseContext& ctx) {
        const CaptureHeader h = format_ == CaptureFormat::NavCis ? read_navcis_block(msg_, kind_)
                                                                 : read_capture_mail(format_, msg_);
        if (!target_.import)
            return ctx.skip_message(
                ctx.settings().mail ? SkipReason::NotImported : SkipReason::KindNotSelected,
                what(h) + " (" + target_.why_not + ")");
        if (!h.why.empty())
            return ctx.skip_message(SkipReason::Damaged, what(h) + " (" + h.why + ")");
        NHR r;
        r.INTERNAL = target_.id;
        r.FOR_DESCRIPTION = ctx.owner_name();
        r.RECIPTYPE = "TO";
        r.MSGNUMBER = r.REFNUMBER = ctx.next_id();
        set_heading(r, h.subject);
        r.DATE = h.date;
        r.TIME = h.time;
        std::string s_address, s_name, r_address, r_name;
        capture_mail_address(without_cis_prefix(h.from), false, s_address, s_name);
        capture_mail_address(without_cis_prefix(h.to), true, r_address, r_name);
        // NavCIS blocks do not say who sent them: the owner's addresses tell.
        const uint8_t type = h.mail_type ? h.mail_type : ctx.own_address(s_address) ? 2 : 1;
        r.MAILTYPE = type;
        if (type == 2) {
            s_address = ctx.owner_address();
            s_name = ctx.owner_name();
        } else {
            r_address = ctx.owner_address();
            r_name = ctx.owner_name();
        }
        r.S_CISADRESS = s_address;
        r.S_NAME = s_name;
        r.R_CISADRESS = r_address;
        r.R_NAME = r_name;
        r.MSGTEXT.text = capture_text(msg_, h.text_from);
        ctx.add_message(r);
    }

    CaptureFormat format_;
    CaptureLines lines_;
    CaptureKind kind_ = kCaptureUnknown;
    MailTarget target_;
    std::string path_;
    std::vector<std::string> msg_;
    uint64_t start_line_ = 0;
    uint64_t total_ = 0;
    bool done_ = false;
};

}  // namespace

std::unique_ptr<Parser> make_capture_reader(const std::string& format) {
    const std::optional<CaptureFormat> f = capture_format(format);
    return f ? std::make_unique<CaptureReader>(*f) : nullptr;
}

}  // namespace qs
