// SPDX-License-Identifier: MIT
// The news readers: one frame that reads a message's lines through the news header scan into the
// message parser and hands the message over by its kind (a news article to the database of its
// first accepted newsgroup, a mail to the mail database, a forum message to its forum), and one
// way per news program of finding where a message begins and ends.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "import/mime/message_parser.h"
#include "import/parser.h"
#include "import/readers/mail_header.h"
#include "import/readers/mail_lines.h"
#include "import/readers/news_header.h"
#include "import/readers/stream_buffer.h"

namespace qs {

class NewsReader : public Parser {
public:
    NewsReader();
    bool open(ParseContext& ctx, const std::string& path) override;
    bool step(ParseContext& ctx, int budget) override;
    ReadProgress progress() const override;

    // A line at least this long makes its message damaged: no text holds it.
    static constexpr size_t kLongLine = 64000;

protected:
    enum class Found { None, Skipped, Message };
    // Moves past what comes before the next message (its separator) to its first line; None at
    // the end of the file, Skipped when a message was found and reported as not handed over.
    virtual Found find_message(ParseContext& ctx) = 0;
    // Asked at every line start of a message: true where the next message begins.
    virtual bool ends_here(const StreamBuffer& b) const = 0;
    // False when the file is not one of the format (the reader has told the user why).
    virtual bool prepare(ParseContext&, const std::string&) { return true; }
    virtual LineRules rules() const { return kQuotedLines; }
    // How the sender of an article is split: the mail address splitter, or the mail mode of
    // the forum and mail splitter.
    virtual bool splits_like_mail() const { return false; }
    // Every whole line of the message, for the readers that look for lines of their own.
    virtual void saw_line(std::string_view) {}
    // Whether the files hold forum messages (the mixed files); the other readers take a
    // message that looks like one as mail.
    virtual bool reads_forum() const { return false; }
    // Hands over a forum message once its lines are read (parser_.finish() gives its text).
    virtual void hand_over_forum(ParseContext&, const std::string&) {}

    // The lines after the header's end read so far (the "Lines:" count bounds them).
    long body_lines() const { return body_lines_; }
    bool in_header() const { return phase_ == Phase::Header; }
    std::string where() const { return "article at byte " + std::to_string(start_); }
    void skip_damaged(ParseContext& ctx, const std::string& why);

    StreamBuffer buf_;
    uint64_t start_ = 0;  // the 1-based place of the message being read
    NewsHeaderScan scan_;
    MessageParser parser_;

private:
    enum class Phase { Header, Gap, Body };
    void read_message();
    void take(std::string_view bytes, std::string_view eol, bool piece);
    void header_line(std::string_view eol);
    void hand_over(ParseContext& ctx);
    void hand_over_article(ParseContext& ctx, const std::string& what);
    std::string damage() const;

    std::function<bool(const StreamBuffer&)> stop_test_;
    LineStop stop_;
    SourceLine line_;
    Phase phase_ = Phase::Header;
    std::string header_;  // the header line being read, up to kLongLine bytes
    size_t length_ = 0;   // the length of the line being read
    size_t longest_ = 0;  // of the message's lines
    bool nul_ = false;    // a NUL byte stands in the message
    long body_lines_ = 0;
    MailTarget target_;
    uint64_t total_ = 0;
    bool finished_ = false;
};

std::unique_ptr<Parser> make_unix_news_reader();  // "Unix News" and "Agent News"
std::unique_ptr<Parser> make_virtual_access_reader();
std::unique_ptr<Parser> make_ie_news_reader();  // "IE News" and "Outlook Express 4 News"
std::unique_ptr<Parser> make_netscape_news_reader();
std::unique_ptr<Parser> make_gravity_reader();

}  // namespace qs
