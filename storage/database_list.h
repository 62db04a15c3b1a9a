// SPDX-License-Identifier: MIT
// The database list: making a database current, adding forum and mail databases, changing a mail
// database's addresses, removing a database with its directory, and the REF copy of a database's
// identity that lives in its own directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qs {

// Makes the database current; false when it does not exist or its directory is missing.
bool MakeCurrent(Session& s, uint32_t id);
// The database with that name (compared as its key compares), or nullopt-like 0.
uint32_t FindDatabase(Session& s, const std::string& name);
std::vector<Forums> ListDatabases(Session& s);

// Adds a forum database under `name`; returns its identifier, 0 on failure (reported).
uint32_t AddForumDatabase(Session& s, const std::string& name);

struct MailIdentity {
    std::string name;
    std::string address;
    std::vector<std::string> alternatives;  // up to ten
};
// What is wrong with the fields of a mail database, or empty when they can be saved.
std::string CheckMailIdentity(const MailIdentity& m);
// Adds a mail database with its owner; returns its identifier, 0 on failure (rolled back).
// Added from a lookup (a window that chooses a mail database), it also becomes the default
// target mail database (SetDefaultMailDatabase).
uint32_t AddMailDatabase(Session& s, const MailIdentity& m, bool from_lookup = false);
// Changes the default and alternative addresses of a mail database (its name too).
bool UpdateMailDatabase(Session& s, uint32_t id, const MailIdentity& m);

// Removes the current database: its files, its directories and its place in the import
// definitions and timings. False when files were left (reported).
bool RemoveCurrentDatabase(Session& s);
// Makes the database current and removes it. A database whose directory has disappeared has no
// files to delete: its entries go all the same. False when it does not exist or files were left.
bool RemoveDatabase(Session& s, uint32_t id);
// Drops a database from the import definitions and their timings and deletes its record, in one
// transaction; false when that failed (it was reported, and nothing changed).
[[nodiscard]] bool RemoveFromLists(Session& s, uint32_t id);

// Writes the REF record of the current database directory from the Forums record buffer; the
// stored record is rewritten only when it differs. REF must be reachable by the path rules.
bool WriteREF(Session& s);

}  // namespace qs
