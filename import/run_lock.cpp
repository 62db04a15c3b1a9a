// SPDX-License-Identifier: MIT
#include "import/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace qs {

RunLock::Take RunLock::take(const std::string& path) {
    release();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return Take::Failed;
    // flock, not fcntl: its lock belongs to this open file, so a second run in the same process
    // is refused as well, and closing another descriptor of the file does not drop it.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        int why = errno;
        ::close(fd);
        return why == EWOULDBLOCK ? Take::Busy : Take::Failed;
    }
    fd_ = fd;
    return Take::Taken;
}

void RunLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);  // a forked child holding a copy of the descriptor keeps nothing
    ::close(fd_);
    fd_ = -1;
}

}  // namespace qs
