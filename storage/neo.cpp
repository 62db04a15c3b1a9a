// SPDX-License-Identifier: MIT
#include "storage/neo.h"

#include <cstring>
#include <utility>

#include "storage/file_access.h"

namespace qs {

namespace {

// The shipped texts. A "|" starts a new line when a text is shown.
const std::pair<uint32_t, const char*> kTexts[] = {
    {1, "Quillstow"},
    {2, "Message archiver"},
    {27, "Settings Not Saved"},
    {28, "The settings could not be read or saved.|Check that the CFG directory can be written."},
    {29, "Word Index Settings"},
    {30, "The word index settings could not be read or saved."},
};

std::string text_of(const Neo& n) {
    const char* p = reinterpret_cast<const char*>(n.NEOGROUP.bytes.data());
    size_t len = strnlen(p, n.NEOGROUP.size());
    return std::string(trim_right({p, len}));
}

bool shipped(uint32_t number) {
    for (const auto& [id, text] : kTexts)
        if (id == number) return true;
    return false;
}

}  // namespace

// The texts are installed when one of them is first asked for, so that a command that never
// shows one does not open the file.
std::string CallNeo(Session& s, uint32_t number) {
    OP_CLOSE(s, kOpOpen, {kNeo});
    s.rec.Neo.ID = number;
    bool found = Get(s, kNeo, 0);
    // A text that could not be installed is reported by the store, and is simply not shown.
    if (!found && shipped(number) && InstallNeoTexts(s)) {
        s.rec.Neo.ID = number;
        found = Get(s, kNeo, 0);
    }
    std::string text = found ? text_of(s.rec.Neo) : std::string();
    OP_CLOSE(s, kOpClose, {kNeo});
    return text;
}

bool InstallNeoTexts(Session& s) {
    OP_CLOSE(s, kOpOpen, {kNeo});
    bool ok = true;
    for (const auto& [id, text] : kTexts) {
        s.rec.Neo = Neo{};
        s.rec.Neo.ID = id;
        if (Get(s, kNeo, 0)) continue;
        s.rec.Neo = Neo{};
        s.rec.Neo.ID = id;
        std::memcpy(s.rec.Neo.NEOGROUP.bytes.data(), text,
                    std::min(std::strlen(text), s.rec.Neo.NEOGROUP.size()));
        ok = UppDat(s, kNeo, kAdd, kReport) && ok;
    }
    OP_CLOSE(s, kOpClose, {kNeo});
    return ok;
}

}  // namespace qs
