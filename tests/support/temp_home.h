// SPDX-License-Identifier: MIT
// A session in a fresh temporary archive home, removed afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "storage/session.h"

namespace qs::testing {

struct TempHome {
    std::string dir;
    RecordingDialog dialog;
    FixedClock clock{80000, 1};
    Session s{dialog, clock};

    TempHome() {
        char tmpl[] = "/tmp/qs-test-XXXXXX";
        dir = mkdtemp(tmpl);
        s.mem.Net = s.mem.FileDir = s.MasIdxPath = dir;
        s.mem.TempDir = dir + "/TEMP";
        s.mem.Dirnamn = "CFG";
        fs::make_dirs(dir + "/CFG");
        fs::make_dirs(s.mem.TempDir);
    }
    ~TempHome() {
        s.engine.rollback();
        for (auto& slot : s.slots) slot.file.reset();
        std::filesystem::remove_all(dir);
    }
};

}  // namespace qs::testing
