// SPDX-License-Identifier: MIT
// The header scan of the news readers: one header line at a time, it tells what kind of message
// the lines belong to (a forum message inside a mixed file, a mail, a news article), where the
// header ends, and keeps the fields an article is filed by: its newsgroups, its Message-ID, the
// last of its references and the "Lines:" count that bounds its body in the news stores.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

enum class NewsClass : uint8_t { Forum = 1, Mail = 2, Article = 3 };

// The identifier a reply is filed under: the last of the identifiers a "References:" (or
// "In-Reply-To:") value lists, in UTF-8, at most 60 characters; empty when the value is blank.
std::string last_reference(std::string_view value);

class NewsHeaderScan {
public:
    // A header longer than this many lines ends at its next empty line whatever it holds, so
    // that a file of junk never becomes one endless header.
    static constexpr int kMaxLines = 500;

    // Forgets the message before.
    void reset() { *this = NewsHeaderScan(); }
    // Takes the next header line (without its line end, bytes as they stand). Returns true when
    // the line ends the header: an empty line ends an article's header; the header of another
    // message only once it named its sender, date and subject, or its receiver.
    bool line(std::string_view bytes);
    bool ended() const { return ended_; }

    NewsClass kind() const;
    // Values as written, folded lines joined with one blank, not decoded.
    const std::string& newsgroups() const { return newsgroups_; }
    const std::string& message_id() const { return message_id_; }
    std::string reference() const;  // the last identifier referred to, empty for none
    const std::string& from() const { return from_; }
    const std::string& date() const { return date_; }
    const std::string& subject() const { return subject_; }
    const std::string& to() const { return to_; }
    bool has_newsgroups() const { return has_newsgroups_; }
    // The "Lines:" count; -1 when the header gives none (or no number).
    long lines() const { return lines_; }

private:
    void field(std::string_view upper, std::string_view bytes);

    std::string newsgroups_, message_id_, references_, in_reply_to_;
    std::string from_, date_, subject_, to_;
    std::string* folding_ = nullptr;  // the field that a continuation line goes on with
    long lines_ = -1;
    int count_ = 0;
    bool first_subject_ = false;
    bool has_newsgroups_ = false;
    bool has_from_ = false, has_date_ = false, has_subject_ = false, has_to_ = false;
    bool ended_ = false;
};

}  // namespace qs
