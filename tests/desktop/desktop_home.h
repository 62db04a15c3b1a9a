// SPDX-License-Identifier: MIT
// A started-up archive home with the frame of the desktop program over it; dialogs are recorded
// and answered from a script, the clock is fixed.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "app/startup.h"
#include "desktop/frame.h"
#include "import/processor.h"
#include "import/readers/registry.h"
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
    // A mailbox of `n` mails from `n` senders, the i-th sent on day i of 2001.
    std::string write_mbox(int n) {
        const std::string path = dir + "/TEMP/gen.mbox";
        std::ofstream out(path);
        for (int i = 1; i <= n; ++i) {
            char date[64];
            std::snprintf(date, sizeof date, "%d Jan 2001 10:%02d:00 +0000", 1 + i % 28, i % 60);
            out << "From s" << i << "@example.net Mon Jan  1 10:00:00 2001\n"
                << "From: Sender" << i << " Person <s" << i << "@example.net>\n"
                << "To: Me <me@example.org>\nSubject: Mail number " << i << "\nDate: " << date
                << "\n\nText of mail " << i << ".\n\n";
        }
        return path;
    }
    // Imports a Unix mailbox into the current mail database to the end.
    void import(const std::string& path) {
        ImportSettings st;
        st.format = "Unix Mailbox";
        st.files = {path};
        st.mailbox = s.mem.ForumNumber;
        ImportProcessor p(s, st, make_parser);
        while (p.step() == ImportProcessor::Result::More) {
        }
        ASSERT_EQ(p.accounting().bad_files, 0u) << p.final_message();
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
