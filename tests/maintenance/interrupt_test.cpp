// SPDX-License-Identifier: MIT
// Ctrl-C during a run is caught as a flag that the run's loop reads between batches; the program
// goes on to commit the batch under way and end the run itself.
#include <gtest/gtest.h>

#include <csignal>

#include "maintenance/interrupt.h"

namespace qs {
namespace {

TEST(Interrupt, CtrlCDuringARunSetsTheFlagInsteadOfEndingTheProgram) {
    for (int run = 0; run < 2; ++run) {
        maint::InterruptCatcher catcher;
        EXPECT_FALSE(maint::interrupted()) << "a flag left from the run before, run " << run;
        ASSERT_EQ(std::raise(SIGINT), 0);
        EXPECT_TRUE(maint::interrupted()) << "run " << run;
    }
}

}  // namespace
}  // namespace qs
