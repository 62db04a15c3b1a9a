// SPDX-License-Identifier: MIT
// The lock that makes one import the only user of the temporary import files of a home. It is an
// advisory lock (flock) on a lock file beside the temporary files, taken when a run starts and
// held to its end; the system drops it when the process ends, so a killed import leaves nothing
// behind. A second import, from another run of the program or another window of this one, finds
// it taken and is refused: waiting for a run of unknown length would freeze a window or hold up
// a scheduled task, and the user can start it again once the first is done.
#pragma once

#include <string>

namespace qs {

class RunLock {
public:
    enum class Take { Taken, Busy, Failed };

    RunLock() = default;
    ~RunLock() { release(); }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock on `path` (created when missing) without waiting: Busy when another holds
    // it, Failed when the lock file cannot be opened.
    Take take(const std::string& path);
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace qs
