// SPDX-License-Identifier: MIT
// Pictures of the main windows for the documentation (quillstow-desktop --screenshot DIR): the
// frame with a mail browse, a thread tree beside a forum message, the import wizard, the search
// wizard with results where the program has it, and a progress window.
#pragma once

#include <QString>

namespace qs::desktop {

class Frame;

// Opens each window in turn over the home's databases and writes DIR/<name>.png; false when a
// picture could not be written. The progress window shows an import of `sample`, a mailbox the
// home holds already (so nothing new is stored).
bool take_screenshots(Frame& f, const QString& dir, const QString& sample);

}  // namespace qs::desktop
