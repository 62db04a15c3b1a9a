// SPDX-License-Identifier: MIT
// A started-up archive home with the frame of the desktop program over it; dialogs are recorded
// and answered from a script, the clock is fixed.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/startup.h"
#include "desktop/frame.h"
#include "storage/database_list.h"
#include "tests/support/test_home.h"

namespace qs::testing {

struct DesktopHome : HomeDir {
    RecordingDialog dialog;
    FixedClock clock{80000, 1};
    Session s{dialog, clock};
    std::unique_ptr<desktop::Frame> frame;

    DesktopHome() {
        EXPECT_TRUE(StartUp(s, dir).ok);
        frame = std::make_unique<desktop::Frame>(s);
    }
    ~DesktopHome() {
        frame.reset();
        s.engine.rollback();
        for (auto& slot : s.slots) slot.file.reset();
    }
    // Adds a mail database and makes it current through the frame.
    uint32_t current_mail_db(const std::string& name = "Home") {
        uint32_t id = AddMailDatabase(s, {name, "me@example.org", {}});
        EXPECT_TRUE(id && MakeCurrent(s, id));
        frame->database_changed();
        return id;
    }
};

}  // namespace qs::testing
