// SPDX-License-Identifier: MIT
#include "desktop/browse_model.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <iterator>

namespace qs::desktop {

BrowseModel::BrowseModel(std::unique_ptr<RowSource> source, QObject* parent, size_t kept)
    : QAbstractTableModel(parent),
      source_(std::move(source)),
      columns_(source_->columns()),
      kept_(std::max(kept, 2 * kPage)) {
    source_->read(kPage, rows_);
}

int BrowseModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BrowseModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant BrowseModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const BrowseRow& r = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return index.column() < r.cells.size() ? r.cells[index.column()] : QString();
    // Marked rows stand out in the colours of the preferences: kept ones and those to be deleted.
    if (role == Qt::ForegroundRole && r.mark) return QBrush(r.mark == 1 ? keep_ : remove_);
    if (role == Qt::FontRole && has_font_) return font_;
    return {};
}

QVariant BrowseModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
    return section >= 0 && section < columns_.size() ? columns_[section] : QVariant();
}

bool BrowseModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !changing_ && !source_->at_end();
}

void BrowseModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || changing_) return;
    std::vector<BrowseRow> more;
    source_->read(kPage, more);
    if (more.empty()) return;
    const int first = rowCount();
    changing_ = true;
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    for (auto& r : more) rows_.push_back(std::move(r));
    endInsertRows();
    if (rows_.size() > kept_) drop_first(rows_.size() - kept_);
    changing_ = false;
}

// The rows dropped are read again from the source when the view comes back to them; a row
// whose record went meanwhile cannot be gone on from, so nothing is dropped then.
void BrowseModel::drop_first(size_t n) {
    if (!source_->resume_before(rows_[n])) return;
    beginRemoveRows({}, 0, static_cast<int>(n) - 1);
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(n));
    endRemoveRows();
}

void BrowseModel::drop_last(size_t n) {
    const size_t keep = rows_.size() - n;
    if (!source_->resume_after(rows_[keep - 1])) return;
    beginRemoveRows({}, static_cast<int>(keep), rowCount() - 1);
    rows_.resize(keep);
    endRemoveRows();
}

bool BrowseModel::canFetchPrevious() const { return !changing_ && !source_->at_start(); }

int BrowseModel::fetchPrevious() {
    if (changing_) return 0;
    std::vector<BrowseRow> before;
    source_->read_previous(kPage, before);
    if (before.empty()) return 0;
    const int n = static_cast<int>(before.size());
    changing_ = true;
    beginInsertRows({}, 0, n - 1);
    rows_.insert(rows_.begin(), std::make_move_iterator(before.rbegin()),
                 std::make_move_iterator(before.rend()));
    endInsertRows();
    if (rows_.size() > kept_) drop_last(rows_.size() - kept_);
    changing_ = false;
    return n;
}

void BrowseModel::set_look(const QFont& font, const QColor& keep, const QColor& remove) {
    font_ = font;
    has_font_ = true;
    keep_ = keep;
    remove_ = remove;
    if (!rows_.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

bool BrowseModel::locate(const std::string& typed) {
    if (!source_->locate(typed)) return false;
    reread_from_start();
    return true;
}

bool BrowseModel::locate_record(uint32_t number) {
    if (!source_->locate_record(number)) return false;
    reread_from_start();
    return true;
}

void BrowseModel::reread_from_start() {
    // Those told of the reset look at the model at once: no page is read until it is whole.
    changing_ = true;
    beginResetModel();
    rows_.clear();
    source_->read(kPage, rows_);
    endResetModel();
    changing_ = false;
}

void BrowseModel::refresh(int row) {
    if (row < 0 || row >= rowCount()) return;
    if (!source_->reread(rows_[static_cast<size_t>(row)])) return;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace qs::desktop
