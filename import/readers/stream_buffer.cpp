// SPDX-License-Identifier: MIT
// The reading window of the mailbox readers.
#include "import/readers/stream_buffer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace qs {

bool StreamBuffer::open(const std::string& path) {
    close();
    in_.open(path, std::ios::binary);
    if (!in_) return false;
    in_.seekg(0, std::ios::end);
    auto end = in_.tellg();
    in_.seekg(0, std::ios::beg);
    if (end < 0 || !in_) return false;
    size_ = static_cast<uint64_t>(end);
    struct stat st {};
    path_ = ::stat(path.c_str(), &st) == 0 ? path : std::string();
    device_ = st.st_dev;
    inode_ = st.st_ino;
    eof_ = false;
    for (int block = 0; block < 2 && !eof_; ++block) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, unread()));
        in_.read(window_.data() + filled_, static_cast<std::streamsize>(want));
        auto got = static_cast<size_t>(in_.gcount());
        came_short_ = came_short_ || got < want;
        filled_ += got;
        eof_ = got < kBlock;
    }
    return true;
}

bool StreamBuffer::cut_short() {
    if (came_short_) return true;
    // Asked before every message: the file is looked at again only after every quarter
    // megabyte read, which costs nothing beside reading it.
    const uint64_t read_to = window_start_ + filled_;
    if (read_to < looked_at_ + kLookEvery) return false;
    looked_at_ = read_to;
    struct stat st {};
    if (path_.empty() || ::stat(path_.c_str(), &st) != 0) return false;
    // A file written anew under the same name leaves the one being read as it was.
    if (st.st_dev != device_ || st.st_ino != inode_) return false;
    return static_cast<uint64_t>(st.st_size) < size_;
}

void StreamBuffer::close() {
    if (in_.is_open()) in_.close();
    in_.clear();
    filled_ = cursor_ = 0;
    window_start_ = size_ = 0;
    path_.clear();
    came_short_ = false;
    looked_at_ = 0;
    eof_ = true;
    last_ = -1;
}

bool StreamBuffer::looking_at(std::string_view s, size_t ahead) const {
    size_t i = cursor_ + ahead;
    if (i + s.size() > filled_) return false;
    // Most places asked about differ in their first byte; that answer needs no call.
    if (!s.empty() && window_[i] != s.front()) return false;
    return std::memcmp(window_.data() + i, s.data(), s.size()) == 0;
}

void StreamBuffer::advance(size_t n) {
    size_t to = std::min(cursor_ + n, filled_);
    if (to > cursor_) last_ = static_cast<unsigned char>(window_[to - 1]);
    cursor_ = to;
    if (cursor_ >= kBlock && !eof_) slide();
}

// The second half moves to the front and the next block is appended behind it; the cursor keeps
// its byte. A short read (error or end) ends the file there.
void StreamBuffer::slide() {
    std::memmove(window_.data(), window_.data() + kBlock, filled_ - kBlock);
    filled_ -= kBlock;
    cursor_ -= kBlock;
    window_start_ += kBlock;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kWindow - filled_, unread()));
    in_.read(window_.data() + filled_, static_cast<std::streamsize>(want));
    auto got = static_cast<size_t>(in_.gcount());
    came_short_ = came_short_ || got < want;
    filled_ += got;
    eof_ = !in_ || got == 0 || unread() == 0;
}

}  // namespace qs
