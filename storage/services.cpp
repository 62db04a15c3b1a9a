// SPDX-License-Identifier: MIT
// The disk space check and the stopwatches of progress displays.
#include <string>

#include "platform/fs.h"
#include "storage/file_access.h"

namespace qs {

namespace {

std::string with_separators(uint64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

}  // namespace

uint64_t CheckSpace(Session& s, uint64_t minimum, const std::string& path) {
    if (path.empty() || path[0] != '/') return 0;
    auto free = fs::free_space(path);
    if (!free || *free >= minimum) return 0;
    if (s.mem.DoTask == 2) return *free;
    s.dialog.beep();
    bool go_on = s.dialog.ask(
        "Warning",
        "You have only " + with_separators(*free) + " bytes free on disk " +
            fs::mount_point(s.mem.FileDir.empty() ? path : s.mem.FileDir) + " " +
            "This may be too little for this process. Running out of diskspace may corrupt the "
            "currently accessed data file(s).Press OK if you want to continue and Cancel if you "
            "want to abort this process!",
        false);
    return go_on ? 0 : *free;
}

int64_t StartStop(Session& s, int operation, int slot) {
    if (operation == kClearStopwatches) {
        s.stopwatches.fill({});
        return 0;
    }
    if (slot < 0 || slot >= static_cast<int>(s.stopwatches.size())) return 0;
    Stopwatch& w = s.stopwatches[static_cast<size_t>(slot)];
    if (operation == kStartStopwatch) {
        w.start_date = s.clock.today();
        w.start_time = s.clock.now();
        return 0;
    }
    if (operation != kStopStopwatch) return 0;
    w.stop_date = s.clock.today();
    w.stop_time = s.clock.now();
    int64_t days = w.stop_date - w.start_date;
    int64_t diff = static_cast<int64_t>(w.stop_time) - w.start_time;
    if (days <= 0) return diff / 100;
    return (diff + kHundredthsPerDay) / 100 + ((days - 1) * kHundredthsPerDay) / 100;
}

}  // namespace qs
