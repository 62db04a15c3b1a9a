// SPDX-License-Identifier: MIT
// What the listings of messages show beyond their headers: topics and key words named on the
// command line, the lists a listing walks (a file in the order of a key, the messages with one
// status mark, or those of one topic), and the marks of a message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/cli/command.h"
#include "storage/records.h"

namespace qs::cli {

// The topic (and, with `key_words`, else the key word) that `name` names: the one of exactly
// that name (case ignored), else the only one whose name starts with it. A UsageError says why
// there is none: no such name, or several that start with it.
Codes code_named(Context& c, const std::string& name, bool key_words);

// The names of the topics and key words linked to a message or mail, in name order.
std::vector<std::string> code_names_of(Context& c, uint32_t number);

// The headers a listing prints, read one by one into the file's record buffer (Mail or MsgNmbr).
class MessageRows {
public:
    enum class Kind { KeyOrder, Status, Numbers };
    // In the order of `key`.
    MessageRows(Context& c, int file, int key);
    // The headers whose status mark is `mark`.
    static MessageRows with_status(Context& c, int file, uint8_t mark);
    // The headers of these numbers, in this order; numbers with no header are passed over.
    static MessageRows of_numbers(Context& c, int file, std::vector<uint32_t> numbers);

    bool next();

private:
    MessageRows(Context& c, int file, Kind kind) : c_(c), file_(file), kind_(kind) {}

    Context& c_;
    int file_;
    Kind kind_;
    uint8_t mark_ = 0;
    std::vector<uint32_t> numbers_;
    size_t at_ = 0;
};

// What a listing of messages shows: every message in the order of `key`, those with status
// `mark`, or those numbered in `numbers` (the messages of a topic).
struct Listing {
    MessageRows::Kind kind = MessageRows::Kind::KeyOrder;
    int key = 0;
    uint8_t mark = 0;
    std::vector<uint32_t> numbers;
};
// The rows of a listing over `file`, which must be open.
MessageRows rows_of(Context& c, int file, const Listing& l);
// The listing the options --by KEY, --topic NAME and --status MARK (one of them) ask for.
Listing listing_of(Context& c, const Args& a, bool mail);

// The status of a message or mail in words, with the mark of its thread (or the mail's partner)
// when that is not normal: "normal (thread: delete)". Reads Threads or Person.
std::string status_words(Context& c, const MsgNmbr* message, const Mail* mail);

// Reads message or mail `number` of the current database (named `db`) into the MsgNmbr or Mail
// record buffer; false after saying there is none.
bool read_message(Context& c, const std::string& db, uint32_t number);

// A status mark by its word: normal, keep or delete; a UsageError naming `option` otherwise.
uint8_t mark_of(const std::string& word, const std::string& option);

}  // namespace qs::cli
