// SPDX-License-Identifier: MIT
// A reader's context over a session, for the import processor and for the tools that run readers
// without one (tests, benchmarks, fuzz targets).
#pragma once

#include <string>
#include <string_view>

#include "import/parser.h"
#include "storage/session.h"

namespace qs {

// The parts of a reader's context that come from a session: the dialogs, the unattended flag,
// the database list and the owner identity loaded into it (CheckOwnAddress). The import
// processor builds on it, and so do the tools that run readers without a processor.
class SessionParseContext : public ParseContext {
public:
    explicit SessionParseContext(Session& s) : session_(s) {}
    void report(std::string_view title, std::string_view text) override;
    std::string mail_database_name(uint32_t id) override;
    bool own_address(std::string_view address) const override;
    const std::string& owner_address() const override { return session_.owner.own[0]; }
    const std::string& owner_name() const override { return session_.owner.name; }

protected:
    Session& session_;
};

}  // namespace qs
