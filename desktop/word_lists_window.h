// SPDX-License-Identifier: MIT
// The word list ("WordList": the indexed words of the database with their message counts, by
// word or by count, words marked for deletion at the next indexing) and the ignore list
// ("StopList": the words never indexed, added, changed and removed through its form).
#pragma once

#include <QWidget>

class QComboBox;
class QTableWidget;
class QListWidget;

namespace qs::desktop {

class Frame;

class WordListWindow : public QWidget {
    Q_OBJECT
public:
    // The list shows at most this many words.
    static constexpr size_t kShown = 5000;
    explicit WordListWindow(Frame& f);
    void reload();
    // Marks or unmarks the word of row `row`; false when it is not in the word list.
    bool toggle(int row);
    QTableWidget* table() const { return table_; }

private:
    Frame& f_;
    QComboBox* order_;
    QTableWidget* table_;
};

class StopListWindow : public QWidget {
    Q_OBJECT
public:
    explicit StopListWindow(Frame& f);
    void reload();
    // Runs the form: request 1 add `word`, 2 change the highlighted word to `word`, 3 delete the
    // highlighted word. True when it was done.
    bool edit(int request, const QString& word);
    QListWidget* list() const { return list_; }

private:
    void ask(int request);

    Frame& f_;
    QListWidget* list_;
};

}  // namespace qs::desktop
