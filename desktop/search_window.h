// SPDX-License-Identifier: MIT
// The search window ("SearchWz") of the word index, in its three steps: " STEP 1 - Input Search
// Words" (the words, looked up in the database's word list by the chosen match), " STEP 2 -
// Build Search Expression" (the AND and OR lists the words gave, NOT toggled by a click) and
// " STEP 3 - Get the Messages" ("Get Msgs", "Next Block"): the hits become the database's
// result set, and the text of a hit shows the words found highlighted.
#pragma once

#include <QWidget>
#include <memory>

#include "wordindex/search_engine.h"
#include "wordindex/search_expression.h"

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

    // Step 1: the words typed are looked up; false when nothing can be searched (told).
    bool build();
    // Step 3: the next block of hits; the outcome of the search engine.
    words::SearchOutcome get_messages();
    // Shows hit `row` with the words found highlighted.
    void show_hit(int row);

    QLineEdit* all() const { return all_; }
    QLineEdit* any() const { return any_; }
    QLineEdit* none() const { return none_; }
    QCheckBox* whole_word() const { return whole_word_; }
    QListWidget* hits() const { return hits_; }
    QTextEdit* text() const { return text_; }
    // The spans highlighted in the text, as (start, length) in the text shown.
    QList<QPair<int, int>> highlights() const;

private:
    QWidget* step1();
    QWidget* step2();
    QWidget* step3();
    void show_lists();

    Frame& f_;
    std::vector<int> files_;
    QTabWidget* steps_;
    QLineEdit *all_, *any_, *none_, *phrase_;
    QCheckBox *whole_word_, *starts_with_, *soundex_;
    QSpinBox* approximate_;
    QTableWidget* lists_;
    QListWidget* hits_;
    QTextEdit* text_;
    words::SearchExpression expression_;
    std::unique_ptr<words::SearchState> search_;
    std::vector<std::string> found_;  // the words found, for highlighting
};

}  // namespace qs::desktop
