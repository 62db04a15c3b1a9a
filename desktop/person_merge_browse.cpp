// SPDX-License-Identifier: MIT
// The manual person merge of the person browse: the user selects the persons that are one
// correspondent, marks the one that stays with "Keep highlighted person", and merges.
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <algorithm>

#include "desktop/browse_window.h"
#include "desktop/frame.h"
#include "maintenance/person_merge.h"

namespace qs::desktop {

bool BrowseWindow::keep_person(int row) {
    if (kind_ != BrowseKind::Persons || row < 0 || row >= model_->rowCount()) return false;
    keep_ = model_->row(row).number;
    table_->selectionModel()->select(model_->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    keep_label_->setText(tr("Keep") + ": " + model_->row(row).cells.value(0));
    return true;
}

void BrowseWindow::drop_from_merge(int row) {
    if (kind_ != BrowseKind::Persons || row < 0 || row >= model_->rowCount()) return;
    table_->selectionModel()->select(model_->index(row, 0),
                                     QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (model_->row(row).number != keep_) return;
    keep_ = 0;
    keep_label_->clear();
}

bool BrowseWindow::merge_persons() {
    if (kind_ != BrowseKind::Persons) return false;
    Session& s = f_.session();
    QModelIndexList picked = table_->selectionModel()->selectedRows();
    std::sort(picked.begin(), picked.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<uint32_t> others;
    for (const QModelIndex& i : picked)
        if (model_->row(i.row()).number != keep_) others.push_back(model_->row(i.row()).number);
    if (keep_ == 0 || others.empty()) {
        s.dialog.message("Warning!",
                         "Select the persons to merge and mark the one that stays with \"Keep "
                         "highlighted person\".");
        return false;
    }
    const ManualMergeResult r = MergePersons(s, keep_, others);
    if (r.keep_missing) {
        keep_ = 0;
        keep_label_->clear();
    }
    // The merged persons are gone and the kept one's counts changed.
    refresh();
    return !r.merged.empty();
}

void BrowseWindow::person_pop_up(int row, const QPoint& at) {
    QMenu menu(this);
    menu.addAction(tr("Merge selected persons"), this, [this] { merge_persons(); });
    menu.addAction(tr("Keep highlighted person"), this, [this, row] { keep_person(row); });
    menu.addAction(tr("Remove highlighted person fron merge"), this,
                   [this, row] { drop_from_merge(row); });
    menu.exec(table_->viewport()->mapToGlobal(at));
}

}  // namespace qs::desktop
