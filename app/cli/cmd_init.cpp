// SPDX-License-Identifier: MIT
// quillstow init
#include <ostream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "app/startup.h"
#include "storage/config.h"

namespace qs::cli {

int cmd_init(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(0);
    int32_t version = 0;
    if (!Konfig(c.s, kGetGeneral, item::kSettingsVersion, &version)) return kExitFailed;
    const Mem& m = c.s.mem;
    if (c.json) {
        JsonObject o;
        o.text("HOME", m.Net);
        o.text("FILEDIR", m.FileDir);
        o.text("INDEXDIR", c.s.MasIdxPath);
        o.text("TEMPDIR", m.TempDir);
        o.number("VERSION", version);
        c.out << o.str() << "\n";
        return kExitOk;
    }
    c.out << "home:             " << m.Net << "\n"
          << "database files:   " << m.FileDir << "\n"
          << "word index files: " << c.s.MasIdxPath << "\n"
          << "temporary files:  " << m.TempDir << "\n"
          << "settings version: " << version << "\n";
    return kExitOk;
}

}  // namespace qs::cli
