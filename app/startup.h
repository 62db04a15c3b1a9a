// SPDX-License-Identifier: MIT
// Start-up: fixing the directories, loading the settings and checking the settings version.
#pragma once

#include <string>

#include "storage/session.h"

namespace qs {

struct StartupOutcome {
    bool ok = false;
    bool first_run = false;     // the settings were new: the start-up wizard is due
    bool upgraded = false;      // an older settings version was reset to new defaults
    bool earlier_home = false;  // refused: the home was made by an earlier build (told)
};

// Runs start-up in `home` (created when missing). On failure the reason was told through the
// session's dialogs.
StartupOutcome StartUp(Session& s, const std::string& home);

// The settings version this program writes.
inline constexpr int32_t kSettingsVersion = 402;

}  // namespace qs
