// SPDX-License-Identifier: MIT
// The places a mail program kept a mail in (folders, labels, marks) become topics of the mail:
// a topic of that name is made when there is none, and the mail is linked to it with the topic's
// count raised, inside the store's running transaction over Codes and SIndex.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_access.h"

namespace qs {

// The names of a temporary header's PLACES, one per line.
std::vector<std::string> split_places(std::string_view joined);

// Links mail `number` to the topic of each place, made when missing; a link that exists
// already is left as it is. False when a record operation failed (told); the run then stops
// and its open transaction is rolled back.
bool LinkPlaces(Session& s, std::string_view places, uint32_t number);

}  // namespace qs
