// SPDX-License-Identifier: MIT
#include "desktop/thread_tree_window.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

#include "app/display_date.h"
#include "desktop/frame.h"

namespace qs::desktop {

ThreadTreeWindow::ThreadTreeWindow(Frame& f)
    : f_(f),
      look_(read_look(f.session())),
      tree_(look_.tree_format, date_preference(f.session())),
      view_(new QTreeWidget) {
    setWindowTitle(tr("Thread Tree"));
    view_->setHeaderHidden(true);
    view_->setFont(look_.list_font);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    connect(&f_, &Frame::selectionChanged, this, &ThreadTreeWindow::follow);
    connect(view_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        f_.show_message(item->data(0, Qt::UserRole).toUInt());
    });
    follow();
    resize(380, 420);
}

void ThreadTreeWindow::follow() {
    const Selection& sel = f_.selection();
    if (sel.number == 0 || sel.mail) return;
    if (tree_.load(f_.session(), sel.message)) {
        ++loads_;
        show_lines();
    }
    // The browse's message stands out in the colours of the preferences, not in those of a
    // selection.
    view_->clearSelection();
    for (QTreeWidgetItemIterator it(view_); *it; ++it) {
        const bool current = (*it)->data(0, Qt::UserRole).toUInt() == sel.number;
        (*it)->setForeground(0, current ? QBrush(look_.tree_current_colour) : QBrush());
        (*it)->setBackground(0, current ? QBrush(look_.tree_current_back) : QBrush());
        if (current) {
            QSignalBlocker quiet(view_);
            view_->setCurrentItem(*it, 0, QItemSelectionModel::NoUpdate);
        }
    }
}

// The display list is depth first: a line's parent is the last line before it one level up.
void ThreadTreeWindow::show_lines() {
    view_->clear();
    std::vector<QTreeWidgetItem*> open;  // the last item of each level
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon file = style()->standardIcon(QStyle::SP_FileIcon);
    for (const TreeLine& line : tree_.lines()) {
        const size_t level = static_cast<size_t>(std::max(line.level, 1));
        open.resize(std::min(open.size(), level - 1));
        auto* item = open.empty() ? new QTreeWidgetItem(view_) : new QTreeWidgetItem(open.back());
        item->setText(0, QString::fromStdString(line.text));
        item->setIcon(0, line.icon == 2 ? folder : file);
        item->setData(0, Qt::UserRole, line.number);
        open.push_back(item);
    }
    view_->expandAll();
}

QWidget* make_thread_tree_window(Frame& f) { return new ThreadTreeWindow(f); }

}  // namespace qs::desktop
