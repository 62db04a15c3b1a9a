// SPDX-License-Identifier: MIT
#include "import/attachment_spool.h"

#include <algorithm>

#include "import/mime/utf8_text.h"
#include "storage/attachments.h"
#include "storage/file_access.h"

namespace qs {

namespace {

bool valid_utf8(std::string_view s) {
    for (size_t at = 0; at < s.size();) {
        size_t len = utf8_length(s.substr(at, 4));
        if (len == 0) return false;
        at += len;
    }
    return true;
}

// A name as the field keeps it: UTF-8 (a name that is not is read as Windows-1252, as texts are
// at the hand-over), cut to the field's width without cutting a character.
template <size_t N>
void assign_utf8(Text<N>& field, std::string_view text) {
    std::string utf8 = valid_utf8(text) ? std::string(text) : to_utf8(text);
    size_t keep = 0;
    for (size_t at = 0; at < utf8.size();) {
        size_t len = std::max<size_t>(1, utf8_length(std::string_view(utf8).substr(at, 4)));
        if (at + len > N) break;
        at += len;
        keep = at;
    }
    field = std::string_view(utf8).substr(0, keep);
}

}  // namespace

void AttachmentSpool::begin(const AttachmentInfo& info) {
    if (open_) remove_chunks(serial_, chunks_);  // the one before was never ended
    open_ = true;
    broken_ = false;
    serial_ = next_serial_++;
    chunks_ = 0;
    size_ = 0;
    buffer_.clear();
    hash_ = ContentHash();
    info_ = info;
}

void AttachmentSpool::write(std::string_view bytes) {
    if (!open_ || broken_) return;
    size_ += bytes.size();
    if (size_ > UINT32_MAX) {
        broken_ = true;  // larger than any message the readers take
        return;
    }
    hash_.update(bytes);
    while (!bytes.empty()) {
        size_t take = std::min(bytes.size(), kChunkBytes - buffer_.size());
        buffer_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (buffer_.size() == kChunkBytes && !write_chunk()) return;
    }
}

bool AttachmentSpool::end() {
    if (!open_) return false;
    open_ = false;
    if (!broken_ && !buffer_.empty()) write_chunk();
    if (broken_) {
        remove_chunks(serial_, chunks_);
        return false;
    }
    kept_.push_back({serial_, chunks_, info_, static_cast<uint32_t>(size_), hash_.hex()});
    return true;
}

bool AttachmentSpool::write_chunk() {
    ATB& rec = s_.rec.ATB;
    rec.SERIAL = serial_;
    rec.CHUNK = ++chunks_;
    rec.DATA.text.swap(buffer_);  // moved, not copied
    const bool ok = UppDat(s_, kATB, kAdd, kReport);
    rec.DATA.text.swap(buffer_);
    buffer_.clear();
    if (!ok) broken_ = failed_ = true;
    return ok;
}

void AttachmentSpool::remove_chunks(uint32_t serial, uint32_t chunks) {
    // Left over, the chunks would only take room in the temporary directory: a removal that
    // fails is of no consequence.
    store::File& h = handle(s_, kATB);
    ATB probe;
    probe.SERIAL = serial;
    for (uint32_t chunk = 1; chunk <= chunks; ++chunk) {
        probe.CHUNK = chunk;
        if (h.get(0, &probe, &s_.rec.ATB)) static_cast<void>(h.remove());
    }
    s_.rec.ATB = ATB{};
}

bool AttachmentSpool::hand_over(int64_t position) {
    if (open_) {
        remove_chunks(serial_, chunks_);
        open_ = false;
    }
    bool ok = position > 0 && position <= UINT32_MAX;
    uint32_t number = 0;
    for (const Kept& k : kept_) {
        if (!ok) break;
        ATN& rec = s_.rec.ATN;
        rec = ATN{};
        rec.POSITION = static_cast<uint32_t>(position);
        rec.NUMBER = ++number;
        rec.SERIAL = k.serial;
        assign_utf8(rec.FILENAME, k.info.file_name);
        assign_utf8(rec.CONTENTTYPE, k.info.content_type);
        rec.SIZE = k.size;
        rec.HASH = k.hash;
        ok = UppDat(s_, kATN, kAdd, kReport);
    }
    kept_.clear();
    if (!ok) failed_ = true;
    return ok;
}

void AttachmentSpool::drop() {
    for (const Kept& k : kept_) remove_chunks(k.serial, k.chunks);
    kept_.clear();
    if (open_) remove_chunks(serial_, chunks_);
    open_ = false;
}

}  // namespace qs
