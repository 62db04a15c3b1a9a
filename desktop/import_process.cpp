// SPDX-License-Identifier: MIT
// The import processor behind a progress window.
#include <QObject>

#include "desktop/import_wizard.h"
#include "desktop/progress_window.h"
#include "import/processor.h"
#include "import/readers/registry.h"

namespace qs::desktop {

namespace {

class ImportProcess : public LongProcess {
public:
    ImportProcess(Session& s, const ImportSettings& st) : p_(s, st, make_parser) {}
    bool step() override { return p_.step() == ImportProcessor::Result::More; }
    int percent() const override { return p_.percent(); }
    QString caption() const override {
        if (p_.store_phase()) return QObject::tr("Storing the messages ...");
        return QObject::tr("Reading %1").arg(QString::fromStdString(p_.current_file()));
    }
    bool cancel() override { return p_.interrupt(); }
    QString result() const override {
        const ImportAccounting& a = p_.accounting();
        QString text = QString::fromStdString(p_.final_message()) + "\n" +
                       QObject::tr("found %1, stored %2, duplicates %3, skipped %4")
                           .arg(a.found)
                           .arg(a.stored)
                           .arg(a.duplicates)
                           .arg(a.skipped);
        if (a.skipped || a.bad_files)
            text += "\n" + QObject::tr("(see %1)").arg(QString::fromStdString(p_.log_path()));
        return text;
    }
    int64_t seconds() const override { return p_.seconds(); }

private:
    ImportProcessor p_;
};

}  // namespace

std::unique_ptr<LongProcess> import_process(Session& s, const ImportSettings& st) {
    return std::make_unique<ImportProcess>(s, st);
}

}  // namespace qs::desktop
