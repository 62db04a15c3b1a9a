// SPDX-License-Identifier: MIT
#include "app/standard_search.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "platform/text.h"
#include "platform/unicode.h"
#include "storage/config.h"
#include "storage/file_access.h"

namespace qs {

namespace {

constexpr size_t kHeadingWidth = 100;
constexpr int kPaceItem = item::kPaceStandardSearch;
constexpr int kTimingItem = item::kShowCompletionTime;

uint32_t number_of(const Mail& r) { return r.MAILID; }
uint32_t number_of(const MsgNmbr& r) { return r.MSGNUMBER; }
uint32_t number_of(const SIndex& r) { return r.MSGNUMBER; }
uint32_t number_of(const Search& r) { return r.ID; }

// Key-order lists hand out their headers; the link and result files only message numbers.
const void* header_of(const Mail& r) { return &r; }
const void* header_of(const MsgNmbr& r) { return &r; }
const void* header_of(const SIndex&) { return nullptr; }
const void* header_of(const Search&) { return nullptr; }

// The text as a search without regard to case compares it: every character folded to one
// character, so that a hit keeps its place; `from` gets the byte of the text each byte of the
// folded form came from.
std::string folded(std::string_view text, std::vector<uint32_t>* from) {
    std::string out;
    if (is_ascii(text)) {
        out.assign(text);
        for (char& c : out) c = ascii_lower(c);
        return out;
    }
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        append_utf8(out, simple_fold(next_code_point(text, i)));
        if (from) from->resize(out.size(), static_cast<uint32_t>(start));
    }
    return out;
}

}  // namespace

// Walks one key of one file from an anchor, one entry at a time. Every step starts again from
// the last entry handed out, so a view that moved the file's handle in between does no harm.
class StandardSearch::Cursor {
public:
    virtual ~Cursor() = default;
    // Places the anchor at the list's start (or end) or at the current message; false when the
    // current message cannot be placed.
    virtual bool start(uint32_t current) = 0;
    // The next entry in the search's direction; false at the end of the list.
    virtual bool step(uint32_t& number, const void*& header) = 0;
    // Called before each search step's first entry.
    virtual void resume() = 0;
};

namespace {

template <class R>
class KeyCursor : public StandardSearch::Cursor {
public:
    KeyCursor(Session& s, int file, int key, bool backward, uint32_t topic = 0)
        : s_(s), file_(file), key_(key), backward_(backward), topic_(topic) {}

    bool start(uint32_t current) override {
        anchor_ = R{};
        parts_ = 0;
        skip_ = current;
        if constexpr (std::is_same_v<R, SIndex>) {
            // Messages of one topic, newest first: the list runs from (topic, highest number)
            // down to (topic, 0).
            anchor_.ID = topic_;
            anchor_.MSGNUMBER = current ? current : (backward_ ? 0 : UINT32_MAX);
            parts_ = 2;
        } else if constexpr (std::is_same_v<R, Search>) {
            anchor_.ID = current;
            parts_ = current ? 1 : 0;
        } else if (current) {
            // A header list starts at the current message's own place in the key order.
            R values{};
            set_number(values, current);
            if (!handle(s_, file_).get(0, &values, &anchor_)) return false;
            parts_ = all_parts();
        }
        return true;
    }

    void resume() override {
        store::File& h = handle(s_, file_);
        if (parts_ == 0)
            h.set(key_);
        else
            h.set(key_, &anchor_, parts_);
    }

    bool step(uint32_t& number, const void*& header) override {
        store::File& h = handle(s_, file_);
        for (;;) {
            Status st = backward_ ? h.previous(&record_) : h.next(&record_);
            if (!st) return false;
            if constexpr (std::is_same_v<R, SIndex>) {
                if (record_.ID != topic_) return false;
            }
            uint32_t n = number_of(record_);
            if (skip_ && n == skip_) {
                skip_ = 0;
                continue;
            }
            anchor_ = record_;
            parts_ = all_parts();
            skip_ = n;
            number = n;
            header = header_of(record_);
            return true;
        }
    }

private:
    int all_parts() const {
        return static_cast<int>(
            handle(s_, file_).decl().keys.at(static_cast<size_t>(key_)).parts.size());
    }
    static void set_number(Mail& r, uint32_t n) { r.MAILID = n; }
    static void set_number(MsgNmbr& r, uint32_t n) { r.MSGNUMBER = n; }
    template <class T>
    static void set_number(T&, uint32_t) {}

    Session& s_;
    int file_, key_;
    bool backward_;
    uint32_t topic_;
    R anchor_{}, record_{};
    int parts_ = 0;
    uint32_t skip_ = 0;  // the anchor itself, passed over when the list meets it again
};

std::unique_ptr<StandardSearch::Cursor> make_cursor(Session& s, bool mail, const ListContext& l,
                                                    bool backward) {
    using Src = ListContext::Source;
    switch (l.source) {
        case Src::Topic:
            return std::make_unique<KeyCursor<SIndex>>(s, kSIndex, 0, backward, l.topic);
        case Src::ResultSet: return std::make_unique<KeyCursor<Search>>(s, kSearch, 0, backward);
        case Src::KeyOrder: break;
    }
    if (mail) return std::make_unique<KeyCursor<Mail>>(s, kMail, l.key, backward);
    return std::make_unique<KeyCursor<MsgNmbr>>(s, kMsgNmbr, l.key, backward);
}

std::vector<int> files_for(bool mail, ListContext::Source source) {
    std::vector<int> files{mail ? kMail : kMsgNmbr, kMsgText};
    if (!mail) files.push_back(kThreads);
    if (source == ListContext::Source::Topic) files.push_back(kSIndex);
    if (source == ListContext::Source::ResultSet) files.push_back(kSearch);
    return files;
}

}  // namespace

StandardSearch::StandardSearch(Session& s, bool mail, const ListContext& list,
                               const SearchOptions& options)
    : s_(s), mail_(mail), options_(options), files_(files_for(mail, list.source)) {
    pattern_ = cut_chars(options.text, kMaxSearchText);
    if (!options.match_case) pattern_ = folded(pattern_, nullptr);
    OP_CLOSE(s_, kOpOpen, files_);
    cursor_ = make_cursor(s_, mail_, list, options.backward);
    if (!cursor_->start(list.current)) sticky_ = Result::Failed;
    start_date_ = s_.clock.today();
    start_time_ = s_.clock.now();
}

StandardSearch::~StandardSearch() { OP_CLOSE(s_, kOpClose, files_); }

StandardSearch::Result StandardSearch::step() {
    if (sticky_ == Result::Done || sticky_ == Result::Failed) return sticky_;
    if (cancelled_) return sticky_ = Result::Done;
    const int32_t n = std::max<int32_t>(1, SpeedVal(s_, kGetPace, kPaceItem));
    cursor_->resume();
    for (int32_t i = 0; i < n; ++i) {
        uint32_t number = 0;
        const void* header = nullptr;
        if (trim_right(pattern_).empty() || !cursor_->step(number, header)) {
            report_end();
            return sticky_ = Result::Done;
        }
        ++examined_;
        if (examine(number, header)) return sticky_ = Result::Found;
    }
    return sticky_ = Result::More;
}

bool StandardSearch::matches(std::string_view field, size_t& position) const {
    if (options_.match_case) {
        position = AISINB(options_.whole_words, field, pattern_);
        return position != 0;
    }
    std::vector<uint32_t> from;
    const std::string compared = folded(field, &from);
    position = AISINB(options_.whole_words, compared, pattern_);
    if (position != 0 && !from.empty()) position = from[position - 1] + 1;
    return position != 0;
}

namespace {

template <class R>
bool load_header(Session& s, int file, uint32_t number, const void*& header, R& out) {
    R values{};
    if constexpr (std::is_same_v<R, Mail>)
        values.MAILID = number;
    else
        values.MSGNUMBER = number;
    if (!handle(s, file).get(0, &values, &out)) return false;
    header = &out;
    return true;
}

std::string heading_of(Session& s, uint32_t thread) {
    Threads values{}, t{};
    values.THREADNUMBER = thread;
    if (!handle(s, kThreads).get(0, &values, &t)) return {};
    std::string h(trim_right(t.heading()));
    return std::string(cut_chars(h, kHeadingWidth));
}

}  // namespace

bool StandardSearch::examine(uint32_t number, const void* header) {
    Mail mail;
    MsgNmbr msg;
    if (!header) {
        bool found = mail_ ? load_header(s_, kMail, number, header, mail)
                           : load_header(s_, kMsgNmbr, number, header, msg);
        if (!found) return false;  // a link or result entry whose message is gone
    }
    const Mail* m = mail_ ? static_cast<const Mail*>(header) : nullptr;
    const MsgNmbr* h = mail_ ? nullptr : static_cast<const MsgNmbr*>(header);
    const int32_t date = m ? m->DATE : h->DATE;
    if (options_.from_date && date < options_.from_date) return false;
    if (options_.to_date && date > options_.to_date) return false;

    std::string subject = m ? m->SUBJECT.str() : heading_of(s_, h->THREADNUMBER);
    hit_ = SearchHit{number, true, 0};
    bool found = matches(subject, hit_.position);
    if (!found && !options_.subject_only) {
        MsgText values{}, text{};
        values.MSGNUMBER = number;
        if (handle(s_, kMsgText).get(0, &values, &text)) {
            std::string_view body = trim_right(text.MSGTEXT.text);
            body = cut_chars(body, kMaxMemo);
            hit_.in_subject = false;
            found = matches(body, hit_.position);
        }
    }
    if (!found) return false;
    if (m)
        s_.rec.Mail = *m;
    else
        s_.rec.MsgNmbr = *h;
    return true;
}

void StandardSearch::report_end() {
    if (s_.quiet()) return;
    int32_t timing = 0;
    if (s_.settings.display_loaded && Konfig(s_, kGetDisplay, kTimingItem, &timing) && timing) {
        int64_t hundredths = int64_t(s_.clock.today() - start_date_) * kHundredthsPerDay +
                             (s_.clock.now() - start_time_);
        s_.dialog.message(" Standard Search  ",
                          "The time for completion was: " +
                              std::to_string(std::max<int64_t>(0, hundredths) / 100) + " seconds");
    }
    s_.dialog.message(" End of File!", "No more messages in this direction!");
}

std::unique_ptr<StandardSearch> MailFind(Session& s, const ListContext& list,
                                         const SearchOptions& options) {
    return std::make_unique<StandardSearch>(s, true, list, options);
}

std::unique_ptr<StandardSearch> FindText(Session& s, const ListContext& list,
                                         const SearchOptions& options) {
    return std::make_unique<StandardSearch>(s, false, list, options);
}

}  // namespace qs
