// SPDX-License-Identifier: MIT
// A second user of the archive: a forked child with a pipe each way. The child must open its own
// files (no connection may cross a fork), reports through the pipe and ends with _exit, so
// nothing of the test runner runs twice.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <utility>

namespace qs::storetest {

class Child {
public:
    // Runs `body(child)` in a new process; its result is the exit status (an exception: 99).
    template <class Body>
    explicit Child(Body body) {
        int up[2], down[2];
        if (pipe(up) != 0 || pipe(down) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(up[0]);
            close(down[1]);
            in_ = down[0];
            out_ = up[1];
            int code = 99;
            try {
                code = body(*this);
            } catch (...) {
            }
            _exit(code);
        }
        close(up[1]);
        close(down[0]);
        in_ = up[0];
        out_ = down[1];
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            kill();
            wait();
        }
        close(in_);
        close(out_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Either side: one number to the other end; false when the other end is gone.
    bool send(uint32_t v) { return write(out_, &v, sizeof v) == static_cast<ssize_t>(sizeof v); }
    bool receive(uint32_t& v) {
        size_t got = 0;
        while (got < sizeof v) {
            ssize_t n = read(in_, reinterpret_cast<char*>(&v) + got, sizeof v - got);
            if (n <= 0) return false;
            got += static_cast<size_t>(n);
        }
        return true;
    }

    void kill() { ::kill(pid_, SIGKILL); }
    // The exit status, or minus the signal that ended the child.
    int wait() {
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) return -1000;
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    bool reaped_ = false;
};

}  // namespace qs::storetest
