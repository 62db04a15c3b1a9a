// SPDX-License-Identifier: MIT
// Ctrl-C during a long run (import, indexing, purge, count): the signal only sets a flag, which
// the run's loop checks between batches, so that the batch under way is committed and the run
// ends as a cancel would end it. A second Ctrl-C ends the program at once, which the store
// survives as it survives a crash.
#pragma once

namespace qs::maint {

// Catches SIGINT while the object lives (the flag cleared at the start); the previous handler
// comes back when it goes. One at a time per process.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
};

// Whether Ctrl-C was pressed since the catcher was set up.
bool interrupted();
// Sets the flag as the signal would (for tests and for callers that stop a run themselves).
void request_interrupt();

// Exit status of a run stopped by Ctrl-C, as the shells report a command ended by SIGINT.
inline constexpr int kExitInterrupted = 130;

}  // namespace qs::maint
