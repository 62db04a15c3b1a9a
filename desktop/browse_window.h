// SPDX-License-Identifier: MIT
// A browse window: the views of its list, a locator (type to jump), the status mark pop-up on a
// message or mail, and the selection the thread tree, the text view and the classification window
// follow.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "app/standard_search.h"
#include "desktop/browse_sources.h"
#include "desktop/display_prefs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class QMenu;

namespace qs::desktop {

class Frame;
class FindBar;

class BrowseWindow : public QWidget {
    Q_OBJECT
public:
    BrowseWindow(Frame& f, BrowseKind kind);
    ~BrowseWindow() override;

    // Shows view `view` of the list (with the topic or mark its filter shows).
    void show_view(const ViewChoice& choice);
    // Reads the list again (after a purge or a merge changed the file under it).
    void refresh() { show_view(choice_); }
    // Positions the list at the first row at or after the locator text; false when the view has
    // no locator.
    bool locate(const QString& typed);
    // Sets a status mark from the pop-up: entry `entry` of the menu on row `row`.
    bool mark(int row, int entry);
    // The pop-up's entries (separators included as "-").
    QStringList mark_entries() const;

    // The list starts at the selected message; "Reset to BookMark" brings it back there.
    void set_bookmark();
    bool reset_to_bookmark();
    // Moves the list to message `number` and selects it; false when it is not in the list.
    bool go_to(uint32_t number);

    // The person browse's manual merge. "Keep highlighted person": the person of `row` stays
    // (shown as "Keep"); false when the row is no person.
    bool keep_person(int row);
    // "Remove highlighted person fron merge": the row leaves the selection and is no longer kept.
    void drop_from_merge(int row);
    // "Merge selected persons": every selected person but the kept one moves onto it (messages,
    // aliases) and goes, the owner of a mail database excepted; the list is read again. False
    // when nothing was merged (the user was told why, or the store reported a failure).
    bool merge_persons();
    uint32_t kept_person() const { return keep_; }

    BrowseModel* model() const { return model_.get(); }
    FindBar* find_bar() const { return find_; }
    QTableView* view() const { return table_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_top_row();
    void jumped();
    void fill_above();
    void selection_moved();
    void pop_up(const QPoint& at);
    void person_pop_up(int row, const QPoint& at);
    void fill_topics();
    void go_to_message(quint32 number);
    bool list_context(ListContext& list) const;

    Frame& f_;
    BrowseKind kind_;
    ViewChoice choice_;
    QComboBox* views_;
    QComboBox* topics_;
    QComboBox* marks_;
    QLineEdit* word_;  // the indexed word of "Filter KeyWord"
    QLineEdit* locator_;
    QTableView* table_;
    DisplayLook look_;
    int shown_top_ = -1;    // the row at the top of the view once rows above it are dropped
    bool filling_ = false;  // a page is coming in above
    std::unique_ptr<BrowseModel> model_;
    std::string typed_;  // the locator text being typed into the list
    uint32_t bookmark_ = 0;
    uint32_t keep_ = 0;  // the person a merge keeps
    QLabel* keep_label_ = nullptr;
    FindBar* find_ = nullptr;
};

}  // namespace qs::desktop
