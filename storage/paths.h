// SPDX-License-Identifier: MIT
// Directory checks, file deletion and the prompt for a lost directory.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"

namespace qs {

// Checks that a directory exists. Modes 1 and 3 check `path` (an absolute path; anything else
// gives 0 unchecked), modes 2 and 4 the directory of file `file`'s full name; modes 3 and 4
// create it when missing. `extra` is added to the message about a missing directory, which
// `quiet` (or unattended mode) suppresses. Returns 1 when the directory exists.
uint8_t ExistPath(Session& s, int mode, int file, const std::string& path, const std::string& extra,
                  bool quiet);

// 3 deletes one file (a missing file counts as deleted); 4 deletes every file of `directory`
// matching the pattern `name`; 5 tests whether the file (or any match of the pattern) exists.
// For 3 and 5 `name` is a full path when `directory` is empty. Returns 1 on success.
uint8_t DOSFunc(Session& s, int operation, const std::string& name,
                const std::string& directory = {});

// Directories kept in the settings (the temporary directory, the database root, the word index
// root): one inside the home (Mem:Net) is kept relative to it, so that a copy of the home (a
// backup restored elsewhere) works on its own directories; one outside it stays absolute.
// The form to store for `dir` ("." for the home itself); a form already relative stays.
std::string stored_path(const Session& s, const std::string& dir);
// The directory a stored form names: a relative one under the home, an absolute one as it
// stands (as older settings hold every directory); empty stays empty.
std::string settled_path(const Session& s, const std::string& stored);

// Asks for a directory: kind 1 the top directory of the database files, kind 2 that of the word
// index files. Returns 1 when a path was saved, 0 when the user chose to exit.
uint8_t NewPath(Session& s, int kind);

}  // namespace qs
