// SPDX-License-Identifier: MIT
// Persons: splitting names and finding or creating the person of a name and address.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/session.h"

namespace qs {

// The identity of a person within a database: the upper-cased name without trailing blanks, one
// blank, and the address, cut to the width of PER:PERSONSTRING (100 characters).
std::string person_string(std::string_view address, std::string_view name);

// Splits a name into last name and first names; a generation suffix (III, IV ...) stays with the
// last name. Results are cut to the given widths, by default those of PER:LASTNAME and
// PER:FIRSTNAME.
void ParseName(std::string& last, std::string& first, std::string_view name,
               size_t last_width = decltype(Person::LASTNAME)::size(),
               size_t first_width = decltype(Person::FIRSTNAME)::size());

// Finds or creates the person of an address and a name; Person, PLINK and Control must be open.
// 0 on success, with the person in the Person record buffer; 1 on failure (reported).
uint8_t AddPers(Session& s, std::string_view address, std::string_view name);

}  // namespace qs
