// SPDX-License-Identifier: MIT
// The places a mail program kept a mail in (folders, labels, marks) become topics of the mail:
// a topic of that name is made when there is none, and the mail is linked to it, inside the
// store's running transaction over Codes and SIndex. The topics' counts are raised once per
// batch, just before it is committed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_access.h"

namespace qs {

// The names of a temporary header's PLACES, one per line.
std::vector<std::string> split_places(std::string_view joined);

class PlaceLinks {
public:
    // Links mail `number` to the topic of each place, made when missing; a link that exists
    // already is left as it is. False when a record operation failed (told); the run then stops
    // and its open transaction is rolled back.
    bool link(Session& s, std::string_view places, uint32_t number);
    // Adds the links made in this batch to their topics' counts; inside the transaction, before
    // it is committed. False when an update failed (told; the batch was rolled back).
    bool count(Session& s);
    // Forgets the batch: after its commit or its rollback (a topic made in a batch rolled back
    // is gone again).
    void reset() { topics_.clear(); }

private:
    struct Topic {
        uint32_t id = 0;
        uint32_t linked = 0;  // links made in this batch
    };
    Topic* topic(Session& s, const std::string& name);

    std::map<std::string, Topic> topics_;  // by name as stored
};

}  // namespace qs
