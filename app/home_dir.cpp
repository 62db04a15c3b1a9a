// SPDX-License-Identifier: MIT
#include "app/home_dir.h"

#include <cstdlib>

#include "platform/fs.h"

namespace qs {

std::string default_home() {
    if (const char* h = std::getenv("QUILLSTOW_HOME"); h && *h) return h;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return fs::join(x, "quillstow");
    const char* home = std::getenv("HOME");
    return fs::join(fs::join(home ? home : "/tmp", ".local/share"), "quillstow");
}

}  // namespace qs
