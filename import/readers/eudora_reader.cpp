// SPDX-License-Identifier: MIT
// Eudora mailboxes: messages behind "From ???@???" lines, and beside the mailbox its table of
// contents (same name, extension "TOC"), which lists where the messages Eudora still shows
// begin. Messages deleted in Eudora stay in the mailbox until it is compacted; the table of
// contents is how they are told apart, and they are not imported.
#include <set>
#include <vector>

#include "import/readers/eudora_attachments.h"
#include "import/readers/mail_reader.h"
#include "platform/fs.h"

namespace qs {

namespace {

constexpr std::string_view kSeparator = "From ???@???";
// A table of contents entry: six 0xFF bytes, and 38 bytes after the start of that run the
// entry's offset in the mailbox, 32 bits little-endian.
constexpr size_t kFfRun = 6;
constexpr size_t kOffsetAt = 38;
constexpr size_t kEntryReach = kOffsetAt + 4;

bool at_separator(const StreamBuffer& b) {
    return b.looking_at(kSeparator) && (b.previous() < 0 || b.previous() == '\n');
}

// The table of contents beside `path`, found whatever the letter case of its name.
std::string toc_path(const std::string& path) {
    std::string dir = fs::dir_part(path);
    std::string name = path.substr(dir.size());
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4) return {};
    std::string where = dir.empty() ? "." : dir;
    auto found = fs::list_files(where, name.substr(0, dot) + ".TOC");
    return found.empty() ? std::string() : fs::join(where, found.front());
}

bool entry_at(const StreamBuffer& t) {
    for (size_t k = 0; k < kFfRun; ++k)
        if (t.peek(k) != 0xFF) return false;
    return t.peek(kFfRun) != 0xFF;
}

uint32_t offset_at(const StreamBuffer& t) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v |= static_cast<uint32_t>(t.peek(kOffsetAt + k)) << (8 * k);
    return v;
}

std::set<uint64_t> read_toc(const std::string& toc) {
    std::set<uint64_t> offsets;
    StreamBuffer t;
    if (toc.empty() || !t.open(toc)) return offsets;
    while (t.size() - t.position() >= kEntryReach) {
        if (!entry_at(t)) {
            t.advance();
            continue;
        }
        // The first message begins the mailbox, whatever its entry says.
        offsets.insert(offsets.empty() ? 1 : uint64_t{offset_at(t)} + 1);
        t.advance(kFfRun);
    }
    return offsets;
}

// The separator line is read to this many characters (its date stands near its start).
constexpr size_t kSeparatorMax = 200;

class EudoraReader : public MailReader {
public:
    EudoraReader() : MailReader(MessageParser::Layout::Decoded) {}

protected:
    void prepare(ParseContext&, const std::string& path) override {
        path_ = path;
        offsets_ = read_toc(toc_path(path));
    }

    MailOptions options() const override { return {HeaderVariant::Eudora, DateRule::Fixed}; }

    Found read_message(ParseContext& ctx) override {
        while (!buf_.at_end() && !at_separator(buf_)) buf_.advance();
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        if (!offsets_.empty() && !offsets_.count(start_)) {
            buf_.advance();
            ctx.skip_message(SkipReason::NotImported,
                             where() + " (deleted: not in the table of contents)");
            return Found::Nothing;
        }
        // The separator line, which the date of sent mail comes from.
        SourceLine first;
        read_line(buf_, first, kPlainLines, LineStop(), kSeparatorMax);
        separator_ = first.bytes;
        if (first.goes_on) skip_line(buf_);
        const auto separator = [](const StreamBuffer& b) {
            return at_separator(b);
        };
        converted_.clear();
        read_lines(kPlainLines, LineStop::at_line_start(separator));
        return keep_converted(ctx) ? Found::Message : Found::Nothing;
    }

    void line_read(std::string_view line) override {
        if (std::string name = converted_attachment(line); !name.empty())
            converted_.push_back(std::move(name));
    }

private:
    // The files Eudora saved out of the message go with it; one not found is noted (the text
    // still names it), one that cannot be read whole leaves the message unstored.
    bool keep_converted(ParseContext& ctx) {
        if (!importing()) return true;
        for (const std::string& name : converted_) {
            const std::string file = find_converted_attachment(path_, name);
            if (file.empty()) {
                ctx.note(where() + ": the attachment " + name +
                         " was not found in the attachment folder beside the mailbox");
            } else if (!keep_converted_attachment(file, ctx.attachments())) {
                ctx.skip_message(SkipReason::Damaged,
                                 where() + " (its attachment " + file + " could not be kept)");
                return false;
            }
        }
        return true;
    }

    std::set<uint64_t> offsets_;
    std::string path_;                    // the mailbox
    std::vector<std::string> converted_;  // the files the message's text names
};

}  // namespace

std::unique_ptr<Parser> make_eudora_reader() { return std::make_unique<EudoraReader>(); }

}  // namespace qs
