// SPDX-License-Identifier: MIT
// The window through which the mail and news readers see a file: blocks of 64 KiB in a window of
// twice that, so that a mailbox of any size is read with a fixed amount of memory and a reader
// can always look at least 10,000 bytes ahead of its cursor (fewer only near the end). Blocks of
// 10,000 bytes cost a fifth of the parse phase in reads and moves.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

class StreamBuffer {
public:
    static constexpr size_t kBlock = 64 * 1024;
    static constexpr size_t kWindow = 2 * kBlock;

    // Opens the file and reads the first one or two blocks; false when it cannot be read. The
    // file is read up to the size it had here: what a mail program appends meanwhile (a message
    // still being delivered) is left for the next import.
    bool open(const std::string& path);
    void close();

    bool at_end() const { return cursor_ >= filled_; }
    // The byte `ahead` places after the cursor, or -1 past the end of the file (or of the
    // look-ahead). A read error ends the file where it happened.
    int peek(size_t ahead = 0) const {
        size_t i = cursor_ + ahead;
        return i < filled_ ? static_cast<unsigned char>(window_[i]) : -1;
    }
    // The bytes from the cursor to the end of the window: at least 10,000 unless the file ends
    // sooner. Valid until the cursor moves.
    std::string_view ahead() const { return {window_.data() + cursor_, filled_ - cursor_}; }
    // True when the bytes at the cursor are `s`.
    bool looking_at(std::string_view s, size_t ahead = 0) const;
    // Moves the cursor on by `n` bytes (at most to the end).
    void advance(size_t n = 1);
    // Consumes one byte; -1 at the end.
    int get() {
        int c = peek();
        if (c >= 0) advance();
        return c;
    }

    // The last byte consumed, -1 at the start of the file.
    int previous() const { return last_; }

    // Bytes consumed so far; position() + 1 is the 1-based place of the byte at the cursor.
    uint64_t position() const { return window_start_ + cursor_; }
    uint64_t size() const { return size_; }
    // True when the file has been cut shorter than it was at open, by a mail program that
    // compacts or rewrites it in place while it is read: what is read from now on may be
    // another message's bytes. Seen at once when a read comes short of the size the file had,
    // else by its size looked at after every quarter megabyte read.
    bool cut_short();

private:
    void slide();

    std::ifstream in_;
    std::vector<char> window_ = std::vector<char>(kWindow);  // on the heap: readers live on stacks
    size_t filled_ = 0;
    size_t cursor_ = 0;
    uint64_t window_start_ = 0;  // file offset of window_[0]
    uint64_t size_ = 0;
    uint64_t unread() const { return size_ - std::min(size_, window_start_ + filled_); }
    std::string path_;  // empty when the file could not be looked at again
    uint64_t device_ = 0, inode_ = 0;
    static constexpr uint64_t kLookEvery = 256 * 1024;
    uint64_t looked_at_ = 0;   // read to here when the file was last looked at
    bool came_short_ = false;  // a read ended before the size the file had at open
    bool eof_ = true;
    int last_ = -1;
};

}  // namespace qs
