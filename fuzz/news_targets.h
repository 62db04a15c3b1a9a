// SPDX-License-Identifier: MIT
// What the news fuzz targets feed the news header scan and the news readers, shared with the test
// that replays the corpus. The readers hand over to a context that checks every message by its
// kind: an article to the newsgroup it was looked up for, numbered from the run's counter, with
// its identifiers cut to their fields; a forum message with a number and a reference within its
// window; a mail as the mailbox readers hand it over. Each function returns false when a promise
// is broken.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "fuzz/mail_targets.h"
#include "import/readers/news_header.h"

namespace qs::fuzz {

// The input's lines, one after the other, through the scan.
inline bool news_header(std::string_view in) {
    NewsHeaderScan scan;
    bool fed_empty = false;
    size_t at = 0;
    while (at < in.size() && !scan.ended()) {
        const size_t end = std::min(in.find('\n', at), in.size());
        const std::string_view line = in.substr(at, end - at);
        const bool article = scan.has_newsgroups();  // before this line
        scan.line(line);
        fed_empty = fed_empty || (article && line.find_first_not_of(' ') == std::string_view::npos);
        at = end + 1;
    }
    bool ok = (scan.kind() == NewsClass::Article) == scan.has_newsgroups();
    // An article's header ends at its first empty line (blanks only) once it named its groups.
    ok = ok && (!fed_empty || !scan.has_newsgroups() || scan.ended());
    ok = ok && valid_utf8(scan.reference()) && char_count(scan.reference()) <= 60 &&
         scan.lines() >= -1;
    return ok;
}

class NewsCheckingContext : public SessionParseContext {
public:
    explicit NewsCheckingContext(MailHome& home) : SessionParseContext(home.session()) {
        settings_.mailbox = home.mailbox();
    }
    const ImportSettings& settings() const override { return settings_; }
    uint32_t next_id() override { return next_++; }
    DatabaseRef lookup_database(const std::string& name, bool newsgroup) override {
        if (!newsgroup && name == "Home") return {settings_.mailbox, true, kMailDb, 0, {}};
        const uint32_t id = next_id();
        ok = ok && valid_utf8(name) && !name.empty();
        if (newsgroup) groups_.insert(id);
        return {id, true, static_cast<uint8_t>(newsgroup ? kNewsDb : kForumDb), id, name};
    }
    bool imported_before(uint32_t, uint32_t) override { return false; }
    bool add_message(NHR& h, const std::vector<CCT>&, const std::string& id,
                     const std::string& parent) override {
        ok = ok && valid_utf8(h.MSGTEXT.text) && char_count(h.MSGTEXT.text) <= kTextLimit;
        ok = ok && valid_utf8(h.HEADING.trimmed()) && valid_utf8(h.S_NAME.trimmed()) &&
             valid_utf8(h.R_NAME.trimmed()) && valid_utf8(h.FOR_DESCRIPTION.trimmed()) &&
             h.DATE >= 0 && h.TIME >= 0;
        if (h.INTERNAL == settings_.mailbox) {
            ok = ok && h.MSGNUMBER == h.REFNUMBER && h.MSGNUMBER < next_;
        } else if (groups_.count(h.INTERNAL)) {  // an article
            ok = ok && h.MSGNUMBER > h.INTERNAL && h.MSGNUMBER < next_ && h.REFNUMBER == 0;
            ok = ok && valid_utf8(id) && char_count(id) <= 60 && valid_utf8(parent) &&
                 char_count(parent) <= 60;
            ok = ok && h.R_NAME.str() == (parent.empty() ? "All" : "Unknown");
        } else {  // a forum message
            ok = ok && h.MSGNUMBER != 0 &&
                 (h.REFNUMBER == 0 ||
                  (h.REFNUMBER <= h.MSGNUMBER && h.MSGNUMBER - h.REFNUMBER <= 30000));
        }
        return true;
    }
    void skip_message(SkipReason, const std::string&) override {}
    AttachmentSink& attachments() override { return sink; }

    bool ok = true;
    testing::CountingSink sink;

private:
    ImportSettings settings_;
    uint32_t next_ = 300000;
    std::set<uint32_t> groups_;
};

inline bool read_news(const std::string& format, std::string_view in) {
    MailHome& home = MailHome::get();
    if (home.mailbox() == 0) return false;
    const std::string path = home.dir() + "/news.txt";
    const size_t size = write_mailbox(home, in, path);
    NewsCheckingContext ctx(home);
    std::unique_ptr<Parser> p = make_parser(format);
    if (!p) return false;
    // A file of no news style is refused, and that is all.
    if (!p->open(ctx, path)) {
        home.forget_dialogs();
        return true;
    }
    const bool ok = read_to_end(*p, ctx, size);
    home.forget_dialogs();
    return ok && ctx.ok && ctx.sink.sound;
}

// Every news reader on the same input.
inline bool news_readers(std::string_view in) {
    bool ok = true;
    for (const char* f : {"Unix News", "VirtualAccess", "IE News", "Netscape News", "Gravity"})
        ok = read_news(f, in) && ok;
    return ok;
}

}  // namespace qs::fuzz
