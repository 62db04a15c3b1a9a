// SPDX-License-Identifier: MIT
// quillstow count: rebuilds every stored count of a database, or with --check lists the ones
// that differ from a recount and changes nothing.
#include "app/cli/command.h"
#include "maintenance/purge.h"

namespace qs::cli {

int cmd_count(Context& c, const std::vector<std::string>& w) {
    Args a(w, {}, {"--check"});
    a.at_most(1);
    const std::string& db = a.need(0, "the database");
    if (!current_database(c, db)) return kExitFailed;
    maint::PurgeRequest rq;
    rq.purge = false;
    rq.check = a.flag("--check");
    return run_maintenance(c, rq, db);
}

}  // namespace qs::cli
