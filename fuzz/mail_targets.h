// SPDX-License-Identifier: MIT
// What the mailbox fuzz targets feed the readers, shared with the test that replays the corpus:
// the input is written as a mailbox file (the bytes after a line "@@TOC@@" become its table of
// contents), read to its end by the reader of a format and handed over to a context that keeps
// nothing but checks every message. The archive home with its mail database is made once per
// process. Each function returns false when the reader breaks a promise: a message out of its
// bounds, a reader that does not finish, progress that runs backwards or past the file.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "import/address.h"
#include "import/catalogue.h"
#include "import/mime/charset.h"
#include "import/mime/mime.h"
#include "import/parser.h"
#include "import/readers/format_detect.h"
#include "import/readers/registry.h"
#include "import/session_context.h"
#include "import/store_places.h"
#include "platform/fs.h"
#include "platform/sqlite_db.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "storage/session.h"
#include "tests/support/counting_sink.h"
#include "tests/support/test_home.h"

namespace qs::fuzz {

class MailHome {
public:
    static MailHome& get() {
        static MailHome home;
        return home;
    }
    Session& session() { return s_; }
    uint32_t mailbox() const { return mailbox_; }
    const std::string& dir() const { return dir_; }
    // The dialogs of the readers are forgotten after each input.
    void forget_dialogs() { dialog_.clear(); }
    ~MailHome() {
        s_.engine.rollback();
        for (auto& slot : s_.slots) slot.file.reset();
    }

private:
    MailHome() {
        // The home is thrown away at the end: its store need not wait for the disk.
        store::set_disk_syncs(false);
        if (StartUp(s_, dir_).ok)
            mailbox_ = AddMailDatabase(s_, {"Home", "me@example.org", {"me@work.example"}});
        if (mailbox_) CheckOwnAddress(s_, mailbox_);
        // Held open, the database list is not opened again for every input.
        if (mailbox_) OP_CLOSE(s_, kOpOpen, {kForums});
    }

    testing::HomeDir home_;
    const std::string& dir_ = home_.dir;
    RecordingDialog dialog_;
    FixedClock clock_{80000, 1};
    Session s_{dialog_, clock_};
    uint32_t mailbox_ = 0;
};

// Checks what a reader hands over and keeps only counts.
class CheckingContext : public SessionParseContext {
public:
    explicit CheckingContext(MailHome& home) : SessionParseContext(home.session()) {
        settings_.mailbox = home.mailbox();
    }
    const ImportSettings& settings() const override { return settings_; }
    uint32_t next_id() override { return next_++; }
    DatabaseRef lookup_database(const std::string&, bool) override {
        return {settings_.mailbox, true, kMailDb, 0, {}};
    }
    bool imported_before(uint32_t, uint32_t) override { return false; }
    bool add_message(NHR& h, const std::vector<CCT>& copies, const std::string&,
                     const std::string&) override {
        ok = ok && h.INTERNAL == settings_.mailbox && h.MSGNUMBER == h.REFNUMBER;
        ok = ok && h.MSGNUMBER < next_ && h.DATE >= 0 && h.TIME >= 0;
        ok = ok && (h.MAILTYPE == 1 || h.MAILTYPE == 2);
        ok = ok && valid_utf8(h.MSGTEXT.text) && char_count(h.MSGTEXT.text) <= kTextLimit;
        for (const std::string& place : split_places(h.PLACES.view()))
            ok = ok && valid_utf8(place) && char_count(place) <= 40;
        ok = ok && valid_utf8(h.HEADING.trimmed()) && valid_utf8(h.S_NAME.trimmed()) &&
             valid_utf8(h.R_NAME.trimmed()) && valid_utf8(h.S_CISADRESS.trimmed());
        for (const CCT& c : copies)
            ok = ok && c.MAILID == h.MSGNUMBER && (c.RECIPTYPE == "CC" || c.RECIPTYPE == "TO") &&
                 !c.R_CISADRESS.str().empty() && valid_utf8(c.R_NAME.trimmed());
        ++handed;
        return true;
    }
    void skip_message(SkipReason, const std::string&) override { ++skipped; }
    AttachmentSink& attachments() override { return sink; }

    bool ok = true;
    size_t handed = 0;
    size_t skipped = 0;
    testing::CountingSink sink;

private:
    ImportSettings settings_;
    uint32_t next_ = 300000;
};

// Writes the mailbox and its table of contents (removed when the input has none); returns the
// mailbox's size.
inline size_t write_mailbox(MailHome& home, std::string_view in, const std::string& box) {
    constexpr std::string_view kTocLine = "@@TOC@@\n";
    const std::string toc = home.dir() + "/box.TOC";
    const size_t cut = in.find(kTocLine), size = std::min(cut, in.size());
    std::ofstream(box, std::ios::binary | std::ios::trunc)
        .write(in.data(), static_cast<std::streamsize>(size));
    std::error_code ignored;
    if (cut == std::string_view::npos) {
        std::filesystem::remove(toc, ignored);
    } else {
        std::string_view rest = in.substr(cut + kTocLine.size());
        std::ofstream(toc, std::ios::binary | std::ios::trunc)
            .write(rest.data(), static_cast<std::streamsize>(rest.size()));
    }
    return size;
}

// Reads an opened file to its end, one message per step; false when the progress runs
// backwards or past the file of `size` bytes, or the reader does not finish.
inline bool read_to_end(Parser& p, ParseContext& ctx, size_t size) {
    bool ok = true;
    uint64_t last = 0;
    size_t steps = 0;
    for (bool done = false; !done && ok; ++steps) {
        done = p.step(ctx, 1);
        const ReadProgress now = p.progress();
        ok = now.done >= last && now.done <= now.total && now.total == size &&
             (!done || now.done == now.total);
        // Every step reads a message or ends the file, and every message takes a byte.
        ok = ok && steps <= size + 2;
        last = now.done;
    }
    return ok;
}

// Reads the mailbox with the reader of `format`, one message per step.
inline bool read_mailbox(const std::string& format, std::string_view in) {
    MailHome& home = MailHome::get();
    if (home.mailbox() == 0) return false;
    const std::string path = home.dir() + "/box.mbx";
    const size_t size = write_mailbox(home, in, path);
    CheckingContext ctx(home);
    std::unique_ptr<Parser> p = make_parser(format);
    if (!p || !p->open(ctx, path)) return false;
    const bool ok = read_to_end(*p, ctx, size);
    home.forget_dialogs();
    return ok && ctx.ok && ctx.sink.sound;
}

inline bool eudora(std::string_view in) { return read_mailbox("Eudora", in); }
inline bool marker(std::string_view in) {
    bool ok = read_mailbox("IE Mail", in);
    return read_mailbox("Netscape Mail", in) && ok;
}
inline bool separator(std::string_view in) { return read_mailbox("Generic Mail Type 2", in); }
inline bool header_run(std::string_view in) { return read_mailbox("Generic Mail Type 1", in); }
inline bool pegasus(std::string_view in) { return read_mailbox("Pegasus", in); }
inline bool unix_mailbox(std::string_view in) { return read_mailbox("Unix Mailbox", in); }

// A path component made of the input's bytes: no separator, no NUL, not empty, not "." or "..".
inline std::string component(std::string_view bytes) {
    std::string name(bytes.substr(0, 100));
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    return name.empty() || name == "." || name == ".." ? "x" + name : name;
}

// One message file in a Maildir++ sub-folder: the input's first line names the folder, its second
// the file (with the flags after ":2,"), the rest is the message. Read by "Maildir" through the
// Maildir and by "EML Files" as a single file.
inline bool message_files(std::string_view in) {
    MailHome& home = MailHome::get();
    if (home.mailbox() == 0) return false;
    const size_t first = std::min(in.find('\n'), in.size());
    const size_t second = std::min(in.find('\n', std::min(first + 1, in.size())), in.size());
    const std::string folder = "." + component(in.substr(0, first));
    const std::string name = component(in.substr(std::min(first + 1, in.size()), second - first));
    const std::string top = home.dir() + "/md";
    std::error_code ignored;
    std::filesystem::remove_all(top, ignored);
    std::filesystem::create_directories(top + "/cur");
    std::filesystem::create_directories(top + "/" + folder + "/cur", ignored);
    const std::string file = top + "/" + folder + "/cur/" + name;
    write_mailbox(home, in.substr(std::min(second + 1, in.size())), file);
    bool ok = true;
    for (const char* format : {"Maildir", "EML Files"}) {
        CheckingContext ctx(home);
        std::unique_ptr<Parser> p = make_parser(format);
        if (!p || !p->open(ctx, format[0] == 'M' ? top : file)) return false;
        size_t steps = 0;
        for (bool done = false; !done && ok && steps < 10; ++steps) done = p->step(ctx, 1);
        const ReadProgress now = p->progress();
        ok = ok && ctx.ok && ctx.sink.sound && now.done == now.total &&
             ctx.handed + ctx.skipped <= 1;
    }
    home.forget_dialogs();
    return ok;
}

// The detector on a file of the input: every format it names is in the catalogue, and a
// format it is sure of has a reader or is a news format.
inline bool detect(std::string_view in) {
    MailHome& home = MailHome::get();
    const std::string path = home.dir() + "/box.mbx";
    write_mailbox(home, in, path);
    const Detection d = detect_format(path);
    bool ok = !d.missing && (d.index_of.empty() || d.candidates.empty());
    for (const auto& name : d.candidates) ok = ok && format_by_name(name) != nullptr;
    if (d.known()) {
        const Format* f = format_by_name(d.candidates[0]);
        ok = ok && f && (f->family == Family::News || make_parser(f->name) != nullptr);
    }
    return ok;
}

}  // namespace qs::fuzz
