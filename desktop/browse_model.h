// SPDX-License-Identifier: MIT
// The model of a browse list: the rows of a RowSource, read a page at a time as the view scrolls
// to them (fetchMore), so that opening a list of a million messages reads one page. A list that
// starts inside its file (after a locator jump or a bookmark) reads backwards too: the page
// before its first row is inserted at the top when the view nears it (fetchPrevious). The rows
// read stay bounded: those far from the end being read are dropped, and read again when the
// view comes back to them.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace qs::desktop {

// One line of a browse: what it shows and the record it stands for.
struct BrowseRow {
    uint32_t number = 0;  // message number, mail identifier or person identifier
    uint32_t thread = 0;  // the message's thread (forum and newsgroup messages)
    uint8_t mark = 0;     // status mark
    QStringList cells;
};

// What a browse lists, in order, read on from where the last read stopped.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual QStringList columns() const = 0;
    // Appends up to `n` rows after the last one read; fewer means the list ended.
    virtual void read(size_t n, std::vector<BrowseRow>& out) = 0;
    virtual bool at_end() const = 0;
    // Appends up to `n` rows before the first one read, the nearest first; fewer means the list
    // starts there. A list that was never read starts before where it was positioned.
    virtual void read_previous(size_t n, std::vector<BrowseRow>& out) = 0;
    virtual bool at_start() const = 0;
    // Starts again: at the first row for an empty `typed`, else at the first row at or after
    // it in the list's order. False when this list has no locator (nothing changes).
    virtual bool locate(const std::string& typed) = 0;
    // Starts again at the record numbered `number` (it is the first row); false when it is not
    // in this list.
    virtual bool locate_record(uint32_t number) = 0;
    // The row of a record read anew (after its mark changed); false when it is gone.
    virtual bool reread(BrowseRow& row) = 0;
    // Reading forwards goes on after `row`, or backwards before it, as when the rows beyond it
    // were dropped; false (nothing changes) when its record is no longer in the list.
    virtual bool resume_after(const BrowseRow& row) = 0;
    virtual bool resume_before(const BrowseRow& row) = 0;
};

class BrowseModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr size_t kPage = 100;
    // Rows kept at most: reading a page at one end drops the rows beyond this at the other, so
    // that scrolling through a million messages keeps a few pages.
    static constexpr size_t kKept = 30 * kPage;

    explicit BrowseModel(std::unique_ptr<RowSource> source, QObject* parent = nullptr,
                         size_t kept = kKept);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Whether rows lie before the first row, and reading the page of them, inserted at the top;
    // returns how many rows came.
    bool canFetchPrevious() const;
    int fetchPrevious();

    // The list starts again at the locator text (or the top); false when it has no locator.
    bool locate(const std::string& typed);
    // The list starts again at a record (a bookmark, a search hit); false when it is not there.
    bool locate_record(uint32_t number);
    // Reads a row's record again, after it was changed.
    void refresh(int row);
    const BrowseRow& row(int r) const { return rows_[static_cast<size_t>(r)]; }
    // The list's font and the colours of marked rows (nothing set: the view's own).
    void set_look(const QFont& font, const QColor& keep, const QColor& remove);

private:
    void reread_from_start();
    void drop_first(size_t n);
    void drop_last(size_t n);

    std::unique_ptr<RowSource> source_;
    QStringList columns_;
    std::vector<BrowseRow> rows_;
    size_t kept_;
    bool changing_ = false;  // rows are being added or replaced
    QFont font_;
    bool has_font_ = false;
    QColor keep_{0, 110, 0};
    QColor remove_{130, 130, 130};
};

}  // namespace qs::desktop
