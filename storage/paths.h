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

// Asks for a directory: kind 1 the top directory of the database files, kind 2 that of the word
// index files. Returns 1 when a path was saved, 0 when the user chose to exit.
uint8_t NewPath(Session& s, int kind);

}  // namespace qs
