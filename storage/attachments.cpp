// SPDX-License-Identifier: MIT
#include "storage/attachments.h"

#include <algorithm>

#include "storage/content_hash.h"
#include "storage/file_access.h"

namespace qs {

namespace {

// Reads the first record of `file` whose first `parts` parts of `key` are those of `probe`.
template <class R>
bool get(Session& s, int file, int key, const R& probe, R& out, int parts = -1) {
    return StoreRead(s, file, handle(s, file).get(key, &probe, &out, parts));
}

bool get_chunk(Session& s, std::string_view hash, uint32_t chunk, AttData& out) {
    AttData probe;
    probe.HASH = hash;
    probe.CHUNK = chunk;
    return get(s, kAttData, keys::ChunkKey, probe, out);
}

bool linked(Session& s, std::string_view hash) {
    Attach probe, found;
    probe.HASH = hash;
    return get(s, kAttach, keys::AttHashKey, probe, found, 1);
}

}  // namespace

bool AttachmentsOf(Session& s, uint32_t message, std::vector<Attach>& out) {
    out.clear();
    store::File& h = handle(s, kAttach);
    Attach a;
    a.MSGNUMBER = message;
    h.set(keys::AttIdKey, &a, 1);
    const uint64_t failures = s.read_failures;
    while (StoreRead(s, kAttach, h.next(&a)) && a.MSGNUMBER == message) out.push_back(a);
    return s.read_failures == failures;
}

bool AttachmentOf(Session& s, uint32_t message, uint32_t number, Attach& out) {
    Attach probe;
    probe.MSGNUMBER = message;
    probe.NUMBER = number;
    return get(s, kAttach, keys::AttIdKey, probe, out);
}

bool ContentKept(Session& s, std::string_view hash, uint32_t size) {
    AttData first;
    return size == 0 || get_chunk(s, hash, 1, first);
}

bool AddChunk(Session& s, std::string_view hash, uint32_t chunk, std::string_view bytes, int mode) {
    AttData& d = s.rec.AttData;
    d = AttData{};
    d.HASH = hash;
    d.CHUNK = chunk;
    d.DATA.text.assign(bytes.substr(0, kChunkBytes));
    bool ok = UppDat(s, kAttData, kAdd, mode);
    d.DATA.text.clear();  // the buffer does not keep a chunk's memory
    d.DATA.text.shrink_to_fit();
    return ok;
}

bool AddLink(Session& s, const Attach& link, int mode) {
    s.rec.Attach = link;
    return UppDat(s, kAttach, kAdd, mode);
}

bool RemoveLinks(Session& s, uint32_t message, std::vector<std::string>& hashes, int mode) {
    hashes.clear();
    std::vector<Attach> links;
    if (!AttachmentsOf(s, message, links)) return false;
    for (const Attach& link : links) {
        if (!AttachmentOf(s, message, link.NUMBER, s.rec.Attach)) return false;
        if (!UppDat(s, kAttach, kDelete, mode)) return false;
        hashes.push_back(link.HASH.str());
    }
    return true;
}

bool DropUnlinked(Session& s, const std::vector<std::string>& hashes, int mode) {
    std::vector<std::string> unique = hashes;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    for (const std::string& hash : unique) {
        if (linked(s, hash)) continue;
        const uint64_t failures = s.read_failures;
        // From the first chunk on: a content that a failure outside a transaction left cut
        // short is then not taken for one kept (ContentKept).
        for (uint32_t chunk = 1; get_chunk(s, hash, chunk, s.rec.AttData); ++chunk)
            if (!UppDat(s, kAttData, kDelete, mode)) return false;
        s.rec.AttData = AttData{};
        if (s.read_failures != failures) return false;
    }
    return true;
}

bool RemoveAttachments(Session& s, uint32_t message, int mode) {
    std::vector<std::string> hashes;
    return RemoveLinks(s, message, hashes, mode) && DropUnlinked(s, hashes, mode);
}

Status ReadAttachment(Session& s, const Attach& link,
                      const std::function<bool(std::string_view)>& out) {
    const std::string hash = link.HASH.str();
    ContentHash check;
    uint64_t size = 0;
    AttData chunk;
    for (uint32_t n = 1; size < link.SIZE; ++n) {
        AttData probe;
        probe.HASH = hash;
        probe.CHUNK = n;
        Status st = handle(s, kAttData).get(keys::ChunkKey, &probe, &chunk);
        if (st.code() == Code::NotFound)
            return Status(Code::Corrupt, "chunk " + std::to_string(n) + " of its bytes is missing");
        if (!st) return st;
        const std::string& bytes = chunk.DATA.text;
        if (bytes.empty() || size + bytes.size() > link.SIZE)
            return Status(Code::Corrupt, "chunk " + std::to_string(n) + " has the wrong size");
        size += bytes.size();
        check.update(bytes);
        if (!out(bytes)) return Status(Code::IoError, "the bytes could not be written");
    }
    if (check.hex() != hash)
        return Status(Code::Corrupt, "its bytes do not have the SHA-256 they were stored with");
    return Status::ok();
}

}  // namespace qs
