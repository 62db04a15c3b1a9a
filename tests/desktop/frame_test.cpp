// SPDX-License-Identifier: MIT
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

#include "desktop/procedures.h"
#include "desktop/windows.h"
#include "tests/desktop/desktop_home.h"

namespace qs::testing {
namespace {

TEST(Frame, TitleFollowsTheCurrentDatabase) {
    DesktopHome h;
    EXPECT_EQ(h.frame->windowTitle(), "[No Active Database]");
    h.current_mail_db("Family Mail");
    EXPECT_EQ(h.frame->windowTitle(), "Family Mail");
}

}  // namespace
}  // namespace qs::testing
