// SPDX-License-Identifier: MIT
// Addresses: splitting a sender or receiver text into name and address, the owner's addresses of a
// mail database (and so the direction of a mail), and recounting one person's messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/session.h"

namespace qs {

// Mode 1: forum style (a name followed by a numeric user number such as 12345,678);
// mode 2: mail style (a name followed by an address). Results are cut to the widths.
void FindCISAdress(uint8_t mode, std::string& address, std::string& name, std::string_view text,
                   size_t address_width = 60, size_t name_width = 60);

// Loads the owner identity of a database into s.owner and s.mem.PersonID.
void CheckOwnAddress(Session& s, uint32_t database);
// 1 when the address is foreign, 0 when it is one of the owner's.
uint8_t CheckOwnAddress(Session& s, std::string_view address);
// The direction of a mail: 1 incoming (the receiver becomes the owner's default address and the
// sender is lower-cased), 2 outgoing (the sender becomes the default address, the receiver is
// lower-cased). Both addresses are changed in place.
uint8_t CheckOwnAddress(Session& s, std::string& sender, std::string& receiver);

// Recount the person in the Person record buffer over the mail (CFromToMail) or message
// (CFromToMsg) headers: 0 unchanged, 2 counts changed (the caller writes the record), 3 the person
// has no messages at all. The header file must be open.
uint8_t CFromToMail(Session& s, uint8_t mode);
uint8_t CFromToMsg(Session& s);

}  // namespace qs
