// SPDX-License-Identifier: MIT
// File-system helpers: the only place that talks to the file system's odd corners.
// Paths use "/". File masks ("*.MBX", "*.", "IDX0??.TPS") match names case-insensitively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qs::fs {

bool exists(const std::string& path);
bool is_dir(const std::string& path);
std::optional<uint64_t> file_size(const std::string& path);
// Creates the directory and its parents; true when it exists afterwards.
bool make_dirs(const std::string& path);
bool remove_dir(const std::string& path);  // an empty directory

enum class RemoveResult { Removed, Missing, AccessDenied, Busy, OtherError };
RemoveResult remove_file(const std::string& path);

// Free bytes on the file system that holds `path` (or its nearest existing parent); nullopt when
// the platform cannot tell.
std::optional<uint64_t> free_space(const std::string& path);
// The mount point of the file system holding `path`, shown where a drive letter would be.
std::string mount_point(const std::string& path);

// Case-insensitive mask match: '*' any run, '?' one character; "*." matches names without an
// extension; "*.*" matches every name.
bool mask_match(std::string_view mask, std::string_view name);
// Regular files of `dir` whose names match `mask`, sorted by name.
std::vector<std::string> list_files(const std::string& dir, std::string_view mask);
// Subdirectories of `dir`, sorted by name.
std::vector<std::string> list_dirs(const std::string& dir);

// The first `max` bytes of a file; nullopt when it cannot be read.
std::optional<std::string> read_head(const std::string& path, size_t max);
// Puts `bytes` in the file `path` whole or not at all: written under a name of its own beside
// it, then renamed over it. Not synced: for notes that may be lost, never half written.
bool replace_file(const std::string& path, const std::string& bytes);

// The directory part of a path, up to and including its last "/"; empty when none.
std::string dir_part(const std::string& path);
std::string join(const std::string& dir, const std::string& name);
// Canonical absolute form of a path that may not exist yet (".." and "." resolved lexically).
std::string absolute(const std::string& path);

}  // namespace qs::fs
