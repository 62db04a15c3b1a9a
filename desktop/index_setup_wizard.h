// SPDX-License-Identifier: MIT
// The word index setup ("SetIndex", the "Word Index Setup Wizard"): its pages in order (welcome
// with the number of indexed databases, numbers, signature blocks, the rules for forming words
// with the saved sets, common words to the stop list, the pause count), the rules of the
// character list, and "&Finish", which saves the settings the indexer and the search read.
#pragma once

#include <QWizard>
#include <string>

#include "wordindex/word_setup.h"

class QCheckBox;
class QListWidget;
class QSpinBox;
class QTableWidget;

namespace qs::desktop {

class Frame;

class IndexSetupWizard : public QWizard {
    Q_OBJECT
public:
    // `setup` as read from the settings (OpenSetup).
    IndexSetupWizard(Frame& f, const words::WordIndexSetup& setup);

    // The settings as the pages show them.
    words::WordIndexSetup setup() const;
    // Shows a saved set (or "Current Selection") in the character list.
    void show_set(const QString& name);
    // A click on a cell of the character list: column 1 Start, 2 Inside, 3 End.
    void click(int row, int column);
    // "Save && Reindex".
    words::SaveResult save_and_reindex();
    // "&Finish": saves the settings; false after "Not Saved".
    bool finish();
    void accept() override;

    QTableWidget* characters() const { return chars_; }
    QListWidget* sets() const { return sets_; }
    QSpinBox* pause() const { return pause_; }
    QCheckBox* index_numbers() const { return numbers_; }
    QCheckBox* skip_forum_footers() const { return forum_footers_; }
    QCheckBox* skip_news_footers() const { return news_footers_; }
    const words::WordRules& rules() const { return list_; }

private:
    QWizardPage* welcome_page();
    QWizardPage* numbers_page();
    QWizardPage* footers_page();
    QWizardPage* rules_page();
    QWizardPage* stop_page();
    QWizardPage* pause_page();
    void fill_row(int row);

    Frame& f_;
    words::WordRules list_;
    std::string set_name_;
    int32_t pause_value_;
    QCheckBox* numbers_;
    QCheckBox* forum_footers_;
    QCheckBox* news_footers_;
    QCheckBox* mail_stop_;
    QCheckBox* forum_stop_;
    QCheckBox* news_stop_;
    QTableWidget* chars_;
    QListWidget* sets_;
    QSpinBox* pause_;
};

}  // namespace qs::desktop
