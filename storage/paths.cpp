// SPDX-License-Identifier: MIT
#include "storage/paths.h"

#include "platform/fs.h"
#include "storage/config.h"
#include "storage/file_access.h"

namespace qs {

namespace {

bool unattended(const Session& s) { return s.mem.DoTask == 2 || s.mem.DoTask == 6; }

std::string without_slash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

void deletion_error(Session& s, const std::string& text) {
    if (!unattended(s)) s.dialog.message("File Deletion Error!", text);
}

bool delete_one(Session& s, const std::string& path) {
    switch (fs::remove_file(path)) {
        case fs::RemoveResult::Removed:
        case fs::RemoveResult::Missing: return true;
        case fs::RemoveResult::AccessDenied:
            deletion_error(s, "No access rights - the file " + path + " cannot be removed");
            return false;
        case fs::RemoveResult::Busy:
            deletion_error(s, "The file " + path + " is open and cannot be removed");
            return false;
        default: return false;
    }
}

}  // namespace

std::string stored_path(const Session& s, const std::string& dir) {
    if (!dir.starts_with('/') || s.mem.Net.empty()) return dir;
    const std::string full = fs::absolute(dir);
    const std::string home = fs::absolute(s.mem.Net);
    if (full == home) return ".";
    const std::string under = home == "/" ? home : home + "/";
    return full.starts_with(under) ? full.substr(under.size()) : full;
}

std::string settled_path(const Session& s, const std::string& stored) {
    if (stored.empty() || stored.starts_with('/')) return stored;
    return fs::absolute(fs::join(s.mem.Net, stored));
}

uint8_t ExistPath(Session& s, int mode, int file, const std::string& path, const std::string& extra,
                  bool quiet) {
    std::string dir;
    if (mode == 1 || mode == 3) {
        if (path.empty() || path[0] != '/') return 0;
        dir = without_slash(path);
    } else if (mode == 2 || mode == 4) {
        dir = without_slash(fs::dir_part(full_name(s, file)));
        if (dir.empty()) return 0;
    } else {
        return 0;
    }
    if (fs::is_dir(dir)) return 1;
    if (!quiet && !unattended(s)) {
        s.dialog.beep();
        s.dialog.message(" Path Not Found",
                         "The specified path " + dir + " does not exist.\r\n" + extra);
    }
    if (mode != 3 && mode != 4) return 0;
    if (fs::make_dirs(dir)) return 1;
    s.dialog.beep();
    halt(s.dialog, " Directory Creation Error",
         "The specified directory " + dir + " could not be created.\r\nQuillstow will be halted.",
         "Probable access rights violation");
}

uint8_t DOSFunc(Session& s, int operation, const std::string& name, const std::string& directory) {
    std::string path = directory.empty() ? name : fs::join(directory, name);
    switch (operation) {
        case 3: return delete_one(s, path) ? 1 : 0;
        case 4: {
            bool all = true;
            for (const auto& f : fs::list_files(directory, name))
                all = delete_one(s, fs::join(directory, f)) && all;
            if (!all)
                deletion_error(
                    s, "One or more files have not been \r\nremoved in subdirectory " + directory);
            return all ? 1 : 0;
        }
        case 5:
            if (directory.empty()) return fs::exists(path) ? 1 : 0;
            return fs::list_files(directory, name).empty() ? 0 : 1;
        default: return 0;
    }
}

uint8_t NewPath(Session& s, int kind) {
    const char* title = kind == 1 ? " Top directory for database files "
                                  : " Top directory for ZaziDedadu index files";
    const char* prompt =
        kind == 1
            ? "The previously saved path to your data files is no longer valid. Please enter the "
              "appropriate top directory below which your database files reside and press TAB to "
              "enable the OK button. "
            : "The previously saved path to your word index files is no longer valid. Please enter "
              "the appropriate top directory below which your word index files reside and press "
              "TAB to enable the OK button.";
    for (;;) {
        std::string path = without_slash(s.dialog.ask_text(title, prompt));
        if (path.empty()) return 0;  // "Exit Quillstow"
        if (!fs::is_dir(path)) {
            s.dialog.message(title, "This path does not exist!\r\nPlease enter a valid path\r\n");
            continue;
        }
        if (kind == 1) {
            if (!AutoPath(s, kSetSetting, item::kDataDir, &path) || !AutoPath(s, kSaveSettings))
                return 0;
            s.mem.FileDir = path;
        } else {
            if (!WSVars(s, kSetSetting, item::kWordIndexDir, &path) || !WSVars(s, kSaveSettings))
                return 0;
            s.MasIdxPath = path;
        }
        return 1;
    }
}

}  // namespace qs
