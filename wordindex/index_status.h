// SPDX-License-Identifier: MIT
// Whether the current database's word index is up to date: what the indexing window shows and
// acts on. Works out the position of the last indexed text and the count of texts up to it, and
// writes both back to the database record.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"

namespace qs::words {

enum : uint8_t {
    kPartialIndexing = 0,   // unindexed texts follow the last indexed one
    kFullIndexing = 1,      // nothing is indexed yet
    kDeletionsPending = 2,  // only word deletions wait
    kNothingToIndex = 99,
    kIndexUnreadable = 100,  // the store failed to read the texts or the index (it was told)
};

// The index status of the current database. Opens and closes the files it needs itself (the
// database record, the message texts, the master index and the pending deletions).
uint8_t WSIndexFixup(Session& s);

// "No indexing needed!", "Full indexing needed!", "Partial indexing recommended!", or that the
// index cannot be read.
std::string index_status_text(uint8_t status);

}  // namespace qs::words
