// SPDX-License-Identifier: MIT
#include "app/startup.h"

#include "platform/fs.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "storage/neo.h"
#include "storage/paths.h"

namespace qs {

namespace {

bool same_path(const std::string& a, const std::string& b) { return compare_nocase(a, b) == 0; }

void reset_globals(Session& s, const std::string& home) {
    s.mem.Net = fs::absolute(home);
    s.mem.TempDir = fs::join(s.mem.Net, "TEMP");
    s.mem.FileDir = s.mem.Net;
    s.MasIdxPath = s.mem.Net;
    s.mem.Dirnamn = "CFG";
    s.mem.Description = "CFG";
    s.mem.ForumNumber = 0;
    s.mem.ForumCheck = 0;
    s.mem.WordListIndexNeedsUpdate = 0;
    s.GlobalRequest = 0;
    s.GlobalResponse = 0;
}

bool settle_temp_dir(Session& s) {
    std::string temp;
    if (!AutoPath(s, kGetSetting, item::kTempDir, &temp)) return false;
    temp = std::string(trim_right(temp));
    if (temp.empty() || !fs::is_dir(temp)) {
        temp = fs::join(s.mem.Net, "TEMP");
        if (!AutoPath(s, kSetSetting, item::kTempDir, &temp) || !AutoPath(s, kSaveSettings))
            return false;
        ExistPath(s, 3, 0, temp, "", true);
    }
    s.mem.TempDir = temp;
    return true;
}

bool settle_data_dir(Session& s) {
    std::string top;
    if (!AutoPath(s, kGetSetting, item::kDataDir, &top)) return false;
    top = std::string(trim_right(top));
    if (same_path(top, s.mem.FileDir)) return true;
    if (fs::is_dir(top)) {
        s.mem.FileDir = top;
        return true;
    }
    s.dialog.message("Path not found!",
                     "The path to your data files cannot be found!\r\nUpdate file path on next "
                     "screen\r\n");
    return NewPath(s, 1) == 1;
}

bool settle_index_dir(Session& s) {
    s.MasIdxPath = s.mem.FileDir;
    if (!WSVars(s, kLoadSettings)) return false;
    std::string dir;
    if (!WSVars(s, kGetSetting, item::kWordIndexDir, &dir)) return false;
    dir = std::string(trim_right(dir));
    if (dir.empty() || same_path(dir, s.MasIdxPath)) return true;
    if (fs::is_dir(dir)) {
        s.MasIdxPath = dir;
        return true;
    }
    s.dialog.message("Path not found!",
                     "The path to your word indexing files cannot be found!\r\nUpdate file path on "
                     "next screen\r\n");
    return NewPath(s, 2) == 1;
}

bool check_version(Session& s, bool control_existed, StartupOutcome& out) {
    int32_t version = 0;
    if (!Konfig(s, kGetGeneral, item::kSettingsVersion, &version)) return false;
    if (version >= 400) return true;
    if (control_existed) {
        s.dialog.message("Upgrading to version 4.02",
                         "This new version needs new default values! All window positions, window "
                         "sizes and list box column widths will be reset to default!");
        out.upgraded = true;
    } else if (version == 0) {
        out.first_run = true;
    }
    if (!ResetWindowSettings(s)) return false;
    int32_t v = kSettingsVersion;
    return Konfig(s, kSetGeneral, item::kSettingsVersion, &v) && Konfig(s, kSaveGeneral);
}

}  // namespace

StartupOutcome StartUp(Session& s, const std::string& home) {
    StartupOutcome out;
    reset_globals(s, home);
    // Before anything is made or opened for writing: a home of an earlier build stays as it is.
    if (HomeOfEarlierBuild(s)) {
        s.dialog.message(kEarlierLayoutTitle,
                         "The archive in " + s.mem.Net +
                             " was made by an earlier version of Quillstow,\r\nwhich laid out its "
                             "files differently. This version does not read it,\r\n"
                             "so that nothing in it is misread; nothing in it was changed.\r\n"
                             "Keep using the earlier version for this archive, or choose another "
                             "home for this version.");
        out.earlier_home = true;
        return out;
    }
    std::string cfg = fs::join(s.mem.Net, "CFG");
    if (!fs::make_dirs(cfg)) {
        s.dialog.message(" Directory Creation Error",
                         "The specified directory " + cfg +
                             " could not be created.\r\nQuillstow will be halted.");
        return out;
    }
    bool control_existed = fs::exists(fs::join(cfg, "IDX008.TPS"));
    fs::make_dirs(s.mem.TempDir);
    // Every setting loaded below reads the control file; kept open meanwhile, it is opened and
    // checked once instead of once per setting.
    OpenFiles control(s, {kControl});
    // The settings are read in one read transaction per stretch instead of one each (a lock, a
    // look for a journal and a read of the change counter every time); a setting that has to be
    // written ends it first. The stretches leave out what may ask the user for a directory, so
    // that nobody else's commit to the control file waits on an answer.
    {
        ReadSnapshot paths(s, {kControl});
        if (!AutoPath(s, kLoadSettings) || !settle_temp_dir(s)) return out;
    }
    if (!settle_data_dir(s) || !settle_index_dir(s)) return out;
    {
        ReadSnapshot settings(s, {kControl});
        if (!Konfig(s, kLoadGeneral) || !Konfig(s, kLoadDisplay) || !LoadWindowSettings(s))
            return out;
        SpeedVal(s, kComputePace);
    }
    if (!check_version(s, control_existed, out)) return out;
    out.ok = true;
    return out;
}

}  // namespace qs
