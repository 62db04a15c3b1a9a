// SPDX-License-Identifier: MIT
#include "maintenance/interrupt.h"

#include <csignal>

namespace qs::maint {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
struct sigaction g_previous;

extern "C" void on_interrupt(int) {
    g_interrupted = 1;
    // A second Ctrl-C is not caught: the user wants out now.
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
    g_interrupted = 0;
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &g_previous);
}

InterruptCatcher::~InterruptCatcher() { sigaction(SIGINT, &g_previous, nullptr); }

bool interrupted() { return g_interrupted != 0; }
void request_interrupt() { g_interrupted = 1; }

}  // namespace qs::maint
