// SPDX-License-Identifier: MIT
// The attachments kept in a database. A message links to its attachments in their order
// (Attach: number, file name, type, size, hash); each content is kept once under the SHA-256 of
// its bytes, in chunks of kChunkBytes (AttData), however many messages carry it, and goes when
// the last message linking to it does.
//
// Every call works on the current database with Attach and AttData open. The calls that write
// run their record operations in `mode` (kRollback inside a transaction over both files, so that
// a failure leaves nothing half done: it was told and the transaction rolled back). A read the
// store fails is told and counted (StoreRead).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "storage/session.h"

namespace qs {

// Every chunk of a content holds this many bytes but the last, which holds the rest.
inline constexpr size_t kChunkBytes = kMaxMemo;

// The attachments of a message in their order; false when a read failed.
[[nodiscard]] bool AttachmentsOf(Session& s, uint32_t message, std::vector<Attach>& out);
// Attachment `number` of a message (numbers start at 1); false when there is none.
[[nodiscard]] bool AttachmentOf(Session& s, uint32_t message, uint32_t number, Attach& out);

// Whether the bytes of the content with this hash are kept; an empty content needs none.
[[nodiscard]] bool ContentKept(Session& s, std::string_view hash, uint32_t size);
// Adds chunk `chunk` (from 1) of a content.
[[nodiscard]] bool AddChunk(Session& s, std::string_view hash, uint32_t chunk,
                            std::string_view bytes, int mode);
// Adds the link of a message to an attachment whose content is kept.
[[nodiscard]] bool AddLink(Session& s, const Attach& link, int mode);

// Removes the links of a message and every content that no other message links to; true when
// done, also for a message without attachments. The purge of messages calls it.
[[nodiscard]] bool RemoveAttachments(Session& s, uint32_t message, int mode);
// The two halves of it, for a message whose attachments are replaced: the links go first, with
// the hashes they named in `hashes`; once the new links are there, the contents left without
// any go.
[[nodiscard]] bool RemoveLinks(Session& s, uint32_t message, std::vector<std::string>& hashes,
                               int mode);
[[nodiscard]] bool DropUnlinked(Session& s, const std::vector<std::string>& hashes, int mode);

// Reads the bytes of an attachment in order, a chunk at a time, into `out` (which returns false
// to stop), and checks them against the link. Code::Corrupt (and what is wrong in the text) when
// a chunk is missing or the bytes do not have the link's size and hash, Code::IoError when `out`
// stopped, or the store's failure. The bytes handed out before a failure are not to be trusted.
Status ReadAttachment(Session& s, const Attach& link,
                      const std::function<bool(std::string_view)>& out);

}  // namespace qs
