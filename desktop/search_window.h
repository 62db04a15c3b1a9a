// SPDX-License-Identifier: MIT
// The search window ("SearchWz") of the word index, in its three steps: " STEP 1 - Input Search
// Words" (the words, looked up in the database's word list by the chosen match), " STEP 2 -
// Build Search Expression" (the words found put into the AND and OR lists, NOT toggled by a
// click, "Delete", "DeleteAll") and " STEP 3 - Get the Messages" ("Get Msgs", "Next Block"):
// the hits become the database's result set, and the text of a hit shows the words found
// highlighted.
#pragma once

#include <QWidget>
#include <memory>

#include "wordindex/search_engine.h"
#include "wordindex/search_expression.h"
#include "wordindex/word_lookup.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTextEdit;

namespace qs::desktop {

class Frame;

class SearchWindow : public QWidget {
    Q_OBJECT
public:
    explicit SearchWindow(Frame& f);
    ~SearchWindow() override;

    // Step 1, "Find": the typed words looked up in the word list by the chosen matching; the
    // words found are listed for step 2. A phrase fills the AND list with its words at once.
    // False when nothing was found (told).
    bool find();
    // Step 2: the highlighted found words go to the AND list ("AND ---->") or the OR list
    // ("OR ---->"); a word already there is not added twice.
    void add_found(bool to_and);
    // Step 2: "Delete" removes the highlighted entries ("Pick One First" when none is);
    // "DeleteAll" empties both lists.
    bool delete_highlighted();
    void delete_all();
    // Step 3: the next block of hits; the outcome of the search engine.
    words::SearchOutcome get_messages();
    // Shows hit `row` with the words found highlighted.
    void show_hit(int row);

    QLineEdit* words() const { return words_; }
    QCheckBox* whole_word() const { return whole_word_; }
    QCheckBox* phrase() const { return phrase_; }
    QTableWidget* found() const { return found_list_; }
    QTableWidget* and_list() const { return and_; }
    QTableWidget* or_list() const { return or_; }
    QListWidget* hits() const { return hits_; }
    QTextEdit* text() const { return text_; }
    // The spans highlighted in the text, as (start, length) in the text shown.
    QList<QPair<int, int>> highlights() const;

private:
    QWidget* step1();
    QWidget* step2();
    QWidget* step3();
    QTableWidget* list_table(bool to_and);
    void show_found();
    void show_lists();
    words::MatchOptions match() const;

    Frame& f_;
    std::vector<int> files_;
    QTabWidget* steps_;
    QLineEdit* words_;
    QCheckBox *whole_word_, *starts_with_, *soundex_, *approximate_, *phrase_;
    QSpinBox* mismatch_;
    QTableWidget *found_list_, *and_, *or_;
    QListWidget* hits_;
    QTextEdit* text_;
    std::vector<words::FoundWord> found_words_;
    words::SearchLists lists_;
    words::Phrase phrase_request_;
    std::unique_ptr<words::SearchState> search_;
    std::vector<std::string> found_;  // the words seen in hits, for highlighting
};

}  // namespace qs::desktop
