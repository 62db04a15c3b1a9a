// SPDX-License-Identifier: MIT
// What the capture fuzz target feeds the CompuServe capture readers, shared with the test that
// replays the corpus: the input is written as a capture file and read to its end by the reader of
// every capture format, into a forum (the forum formats) and into the mail database (TAPCIS and
// OzCIS mail). False when a reader breaks a promise: a message out of its bounds, a reader that
// does not finish, progress that runs backwards or past the file.
#pragma once

#include <string>
#include <string_view>

#include "fuzz/mail_targets.h"
#include "import/readers/capture.h"

namespace qs::fuzz {

// Checks the forum messages and mail a capture reader hands over and keeps only counts.
class CaptureContext : public SessionParseContext {
public:
    CaptureContext(MailHome& home, bool mail) : SessionParseContext(home.session()) {
        settings_.mailbox = home.mailbox();
        if (!mail) settings_.forum_name = "Photo";
    }
    const ImportSettings& settings() const override { return settings_; }
    // The home's one mail database, without reading the database list for every input.
    std::string mail_database_name(uint32_t id) override {
        return id == settings_.mailbox ? "Home" : "";
    }
    uint32_t next_id() override { return next_++; }
    DatabaseRef lookup_database(const std::string& name, bool) override {
        if (name == "Home") return {settings_.mailbox, true, kMailDb, 0, {}};
        return {kForum, true, kForumDb, 0, {}};
    }
    bool imported_before(uint32_t, uint32_t) override { return false; }
    bool add_message(NHR& h, const std::vector<CCT>& copies, const std::string&,
                     const std::string&) override {
        if (h.INTERNAL == kForum) {
            ok = ok && h.MSGNUMBER >= 1 && h.MSGNUMBER < 9000000 && h.MAILTYPE == 0;
        } else {
            ok = ok && h.INTERNAL == settings_.mailbox && h.MSGNUMBER == h.REFNUMBER &&
                 (h.MAILTYPE == 1 || h.MAILTYPE == 2);
        }
        ok = ok && copies.empty() && h.DATE >= 0 && h.TIME >= 0;
        ok = ok && valid_utf8(h.MSGTEXT.text) && char_count(h.MSGTEXT.text) <= kTextLimit;
        ok = ok && valid_utf8(h.HEADING.trimmed()) && valid_utf8(h.S_NAME.trimmed()) &&
             valid_utf8(h.R_NAME.trimmed()) && valid_utf8(h.S_CISADRESS.trimmed()) &&
             valid_utf8(h.R_CISADRESS.trimmed()) && valid_utf8(h.SEC_DESCRIPTION.trimmed());
        ++handed;
        return true;
    }
    void skip_message(SkipReason, const std::string&) override { ++skipped; }
    AttachmentSink& attachments() override { return sink; }

    static constexpr uint32_t kForum = 7;
    bool ok = true;
    size_t handed = 0;
    size_t skipped = 0;
    testing::CountingSink sink;

private:
    ImportSettings settings_;
    uint32_t next_ = 300000;
};

inline bool read_capture(const std::string& format, bool mail, const std::string& path,
                         size_t size) {
    MailHome& home = MailHome::get();
    CaptureContext ctx(home, mail);
    std::unique_ptr<Parser> p = make_parser(format);
    if (!p) return false;
    if (!p->open(ctx, path)) return true;  // not a file of the format: said so, and skipped
    const bool ok = read_to_end(*p, ctx, size);
    home.forget_dialogs();
    return ok && ctx.ok;
}

inline bool capture(std::string_view in) {
    MailHome& home = MailHome::get();
    if (home.mailbox() == 0) return false;
    const std::string path = home.dir() + "/capture.MSG";
    const size_t size = write_mailbox(home, in, path);
    bool ok = true;
    for (const char* format : {"OzWin I", "OzWin II", "OzCIS", "TAPCIS 5.x", "TAPCIS 6.x",
                               "AUTOSIG", "GoldenCompass", "NavCIS Save format"})
        ok = read_capture(format, false, path, size) && ok;
    for (const char* format : {"TAPCIS 6.x", "OzCIS", "NavCIS Save format"})
        ok = read_capture(format, true, path, size) && ok;
    return ok;
}

}  // namespace qs::fuzz
