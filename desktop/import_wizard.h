// SPDX-License-Identifier: MIT
// The import wizard ("ImportMeny"): the format, the files (chosen files, one directory or a
// directory tree, with masks), the target mail database or the kinds of messages; then the
// import runs in a progress window, a batch per timer event.
#pragma once

#include <QWizard>

#include "import/import_settings.h"
#include "storage/session.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QCheckBox;

namespace qs::desktop {

class Frame;
class ProgressWindow;

class ImportWizard : public QWizard {
    Q_OBJECT
public:
    explicit ImportWizard(Frame& f);
    // The run the choices ask for.
    ImportSettings settings() const;
    // Fills the choices (a test, or a saved definition).
    void choose(const ImportSettings& st);
    // Starts the import in a progress window of the frame; nullptr when the choices are not
    // complete (told).
    ProgressWindow* start_import();

    void accept() override;

private:
    QWizardPage* format_page();
    QWizardPage* files_page();
    QWizardPage* target_page();
    void format_chosen();

    Frame& f_;
    QComboBox* format_;
    QLabel* family_;
    QRadioButton* by_files_;
    QRadioButton* by_dir_;
    QRadioButton* by_tree_;
    QListWidget* files_;
    QLineEdit* path_;
    QLineEdit* masks_;
    QComboBox* mailbox_;
    QCheckBox* mail_;
    QCheckBox* forum_;
    QCheckBox* news_;
    QLineEdit* forum_name_;
    QCheckBox* save_;
};

// The import as a progress window drives it.
std::unique_ptr<class LongProcess> import_process(Session& s, const ImportSettings& st);

}  // namespace qs::desktop
