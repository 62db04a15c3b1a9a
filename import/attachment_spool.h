// SPDX-License-Identifier: MIT
// The attachments of the messages being read, on their way into the temporary import file. A
// reader streams each attachment (AttachmentSink); its bytes go to ATB in chunks as they come,
// its SHA-256 computed on the way, so that no attachment is ever held in memory beyond one chunk.
// The processor ties the attachments streamed since the last hand-over to the message it is
// handed (ATN records under the NHR record's position), or drops them with a message that is not
// handed over. The store phase moves them into the database (import/attachment_store.cpp).
//
// ATN and ATB must be open, inside the parse phase's transaction over the temporary files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/mime/attachment_sink.h"
#include "storage/content_hash.h"
#include "storage/session.h"

namespace qs {

class AttachmentSpool : public AttachmentSink {
public:
    explicit AttachmentSpool(Session& s) : s_(s) {}

    void begin(const AttachmentInfo& info) override;
    void write(std::string_view bytes) override;
    // False when the attachment is not kept: a write of the temporary file failed, it has more
    // bytes than a size field holds, or it was never begun.
    bool end() override;

    // Ties the attachments streamed since the last hand-over to the NHR record at `position`;
    // false when they could not be written (the temporary file failed).
    [[nodiscard]] bool hand_over(int64_t position);
    // Drops the attachments streamed since the last hand-over, and one not ended.
    void drop();
    // True once a write of the temporary files failed: what the run wrote since its last flush
    // may be lost with it.
    bool failed() const { return failed_; }
    // True when attachments wait for the next hand-over.
    bool holding() const { return !kept_.empty(); }

private:
    struct Kept {
        uint32_t serial;
        uint32_t chunks;
        AttachmentInfo info;
        uint32_t size;
        std::string hash;
    };
    bool write_chunk();
    void remove_chunks(uint32_t serial, uint32_t chunks);

    Session& s_;
    uint32_t next_serial_ = 1;
    std::vector<Kept> kept_;  // ended, not handed over yet
    // The attachment being streamed.
    bool open_ = false;
    bool broken_ = false;  // its bytes are not all kept
    bool failed_ = false;
    uint32_t serial_ = 0;
    uint32_t chunks_ = 0;
    uint64_t size_ = 0;
    std::string buffer_;  // at most one chunk
    ContentHash hash_;
    AttachmentInfo info_;
};

}  // namespace qs
