// SPDX-License-Identifier: MIT
// The standard text search: finds the next message of the list the user sees whose subject or
// text holds a string, without the word index. It walks the list a few records per step so that
// the window that drives it from a timer stays responsive; the command line steps it in a loop.
//
//   start ---> step: N records (SpeedVal 29) ---> More ----+
//                 ^                                         |
//                 +-----------------------------------------+
//              step ---> Found (message made current; the next step goes on after it)
//              step ---> Done: the end of the list (" End of File!"), or cancelled; sticky
//   start (the current message is not in the list) ---> Failed; sticky
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qs {

// The list as the view shows it.
struct ListContext {
    enum class Source : uint8_t {
        KeyOrder,   // the Mail or MsgNmbr file in the order of `key`
        Topic,      // the messages linked to topic or key word `topic` (SIndex)
        ResultSet,  // the current search result (the Search file)
    };
    Source source = Source::KeyOrder;
    int key = 0;           // a key of Mail or MsgNmbr, for KeyOrder
    uint32_t topic = 0;    // COD:ID, for Topic
    uint32_t current = 0;  // the current message; 0 starts at the list's first (or last) entry
};

struct SearchOptions {
    std::string text;           // cut to kMaxSearchText characters
    bool backward = false;      // towards the list's start
    bool match_case = false;    // "Text with matching character case only"
    bool whole_words = false;   // "Matching words only"
    bool subject_only = false;  // the subject (or thread heading) alone
    int32_t from_date = 0;      // date range a message must lie in; 0 leaves that end open
    int32_t to_date = 0;
};

inline constexpr size_t kMaxSearchText = 20;

struct SearchHit {
    uint32_t number = 0;      // MAI:MAILID or MSG:MSGNUMBER
    bool in_subject = false;  // else found in the text
    size_t position = 0;      // 1-based, in the subject or in the text
};

class StandardSearch {
public:
    enum class Result { More, Found, Done, Failed };

    // `mail` chooses Mail headers and subjects, else MsgNmbr headers and thread headings. The
    // files of the current database are opened here and closed by the destructor.
    StandardSearch(Session& s, bool mail, const ListContext& list, const SearchOptions& options);
    ~StandardSearch();
    StandardSearch(const StandardSearch&) = delete;
    StandardSearch& operator=(const StandardSearch&) = delete;

    // Examines at most the pace's number of list entries. Found makes the message current in the
    // header's record buffer; the next step continues after it ("Find next occurance of text").
    // Done at the end of the list reports it to the user (with the time taken when the timing
    // setting is on); Failed means the current message is not in the list.
    Result step();
    // The user stopped the search: the next step returns Done without a message.
    void cancel() { cancelled_ = true; }

    const SearchHit& hit() const { return hit_; }
    uint64_t examined() const { return examined_; }  // list entries looked at so far
    const std::string& pattern() const { return pattern_; }

    class Cursor;

private:
    bool examine(uint32_t number, const void* header);
    bool matches(std::string_view field, size_t& position) const;
    void report_end();

    Session& s_;
    bool mail_;
    SearchOptions options_;
    std::string pattern_;  // cut, and case-folded unless the case must match
    std::unique_ptr<Cursor> cursor_;
    std::vector<int> files_;
    SearchHit hit_;
    Result sticky_ = Result::More;
    bool cancelled_ = false;
    uint64_t examined_ = 0;
    int32_t start_date_ = 0, start_time_ = 0;
};

// The search of mail databases and of forum and newsgroup databases.
std::unique_ptr<StandardSearch> MailFind(Session& s, const ListContext& list,
                                         const SearchOptions& options);
std::unique_ptr<StandardSearch> FindText(Session& s, const ListContext& list,
                                         const SearchOptions& options);

}  // namespace qs
