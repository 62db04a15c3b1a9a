// SPDX-License-Identifier: MIT
// The store phase's part of the attachments: those of a stored message move from the temporary
// import file into the database, in the batch's transaction. A content kept already is only
// linked; the bytes of a new one stream over chunk by chunk.
#include <algorithm>

#include "import/import_run.h"
#include "storage/attachments.h"
#include "storage/file_access.h"

namespace qs {

namespace {

// The attachments of the temporary record at `position`, in their order.
bool temporary_attachments(Session& s, int64_t position, std::vector<ATN>& out) {
    store::File& h = handle(s, kATN);
    ATN a;
    a.POSITION = static_cast<uint32_t>(position);
    h.set(0, &a, 1);
    const uint64_t failures = s.read_failures;
    while (StoreRead(s, kATN, h.next(&a)) && a.POSITION == position) out.push_back(a);
    return s.read_failures == failures;
}

Attach link_of(const ATN& a, uint32_t number) {
    Attach link;
    link.MSGNUMBER = number;
    link.NUMBER = a.NUMBER;
    link.FILENAME = a.FILENAME;
    link.CONTENTTYPE = a.CONTENTTYPE;
    link.SIZE = a.SIZE;
    link.HASH = a.HASH;
    return link;
}

}  // namespace

bool ImportProcessor::Impl::move_content(const ATN& a) {
    store::File& temp = handle(s, kATB);
    ATB probe;
    probe.SERIAL = a.SERIAL;
    uint64_t moved = 0;
    for (uint32_t chunk = 1; moved < a.SIZE; ++chunk) {
        probe.CHUNK = chunk;
        if (!StoreRead(s, kATB, temp.get(0, &probe, &s.rec.ATB))) {
            log("attachment " + std::to_string(a.NUMBER) + " of \"" + s.rec.NHR.HEADING.str() +
                "\": its bytes are missing from the temporary file");
            return false;
        }
        moved += s.rec.ATB.DATA.text.size();
        if (!AddChunk(s, a.HASH.view(), chunk, s.rec.ATB.DATA.text, kRollback)) return false;
    }
    s.rec.ATB = ATB{};  // the buffer does not keep a chunk's memory
    return moved == a.SIZE;
}

// A message stored again that brings attachments has them take the place of those it had; one
// that brings none keeps its own.
bool ImportProcessor::Impl::store_attachments(int64_t position, uint32_t number) {
    if (!std::binary_search(attached.begin(), attached.end(), position)) return true;
    std::vector<ATN> incoming;
    if (!temporary_attachments(s, position, incoming)) return false;
    if (incoming.empty()) return true;
    std::vector<std::string> replaced;
    if (!RemoveLinks(s, number, replaced, kRollback)) return false;
    for (const ATN& a : incoming) {
        if (!ContentKept(s, a.HASH.view(), a.SIZE) && !move_content(a)) return false;
        if (!AddLink(s, link_of(a, number), kRollback)) return false;
    }
    // A content the message had before and no other message holds goes now.
    return DropUnlinked(s, replaced, kRollback);
}

}  // namespace qs
