// SPDX-License-Identifier: MIT
#include "desktop/word_lists_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "desktop/frame.h"
#include "desktop/windows.h"
#include "wordindex/word_lists.h"

namespace qs::desktop {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

WordListWindow::WordListWindow(Frame& f)
    : f_(f), order_(new QComboBox), table_(new QTableWidget(0, 3)) {
    setWindowTitle(QString::fromStdString(words::word_list_title(f.session())));
    order_->addItems({tr("By word"), tr("By count")});
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Hits"), QStringLiteral(" Search Word"), tr("Marked for deletion")});
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(order_);
    layout->addWidget(table_);
    auto* mark = new QPushButton(tr("&Mark or unmark for deletion"));
    layout->addWidget(mark, 0, Qt::AlignRight);
    connect(order_, &QComboBox::currentIndexChanged, this, &WordListWindow::reload);
    connect(mark, &QPushButton::clicked, this, [this] { toggle(table_->currentRow()); });
    reload();
    resize(460, 480);
}

void WordListWindow::reload() {
    Session& s = f_.session();
    std::vector<WordList> list;
    const auto order =
        order_->currentIndex() == 1 ? words::WordOrder::ByCount : words::WordOrder::ByWord;
    if (!words::list_words(s, order, kShown, list)) list.clear();
    const std::set<int32_t> marked = words::marked_words(s);
    table_->setRowCount(static_cast<int>(list.size()));
    for (int r = 0; r < table_->rowCount(); ++r) {
        const WordList& w = list[static_cast<size_t>(r)];
        table_->setItem(r, 0, new QTableWidgetItem(QString::number(w.WORDCOUNT)));
        table_->setItem(r, 1, new QTableWidgetItem(q(w.THEWORD.view())));
        table_->setItem(r, 2, new QTableWidgetItem(marked.count(w.WORDID) ? tr("yes") : ""));
    }
}

bool WordListWindow::toggle(int row) {
    if (row < 0 || row >= table_->rowCount()) return false;
    const int done = words::toggle_mark(f_.session(), table_->item(row, 1)->text().toStdString());
    if (done < 0) return false;
    table_->item(row, 2)->setText(done == 1 ? tr("yes") : "");
    return true;
}

StopListWindow::StopListWindow(Frame& f) : f_(f), list_(new QListWidget) {
    setWindowTitle(QString::fromStdString(words::ignore_list_title(f.session())));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    const std::pair<const char*, int> buttons[] = {
        {"&Add...", 1}, {"&Change...", 2}, {"&Delete", 3}};
    for (const auto& [text, request] : buttons) {
        auto* b = new QPushButton(tr(text));
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, request = request] { ask(request); });
    }
    reload();
    resize(320, 420);
}

void StopListWindow::reload() {
    list_->clear();
    for (const std::string& w : words::stop_words(f_.session())) list_->addItem(q(w));
}

void StopListWindow::ask(int request) {
    QString word;
    if (request != 3) {
        bool ok = false;
        word = QInputDialog::getText(
            this, QString::fromStdString(words::stop_form_title(request)),
            QString::fromStdString(words::stop_form_hint(request)), QLineEdit::Normal,
            request == 2 && list_->currentItem() ? list_->currentItem()->text() : QString(), &ok);
        if (!ok) return;
    }
    edit(request, word);
}

bool StopListWindow::edit(int request, const QString& word) {
    Session& s = f_.session();
    QListWidgetItem* current = list_->currentItem();
    if (request != 1 && !current) return false;
    s.GlobalRequest = request;
    const std::string subject = request == 1 ? word.toStdString() : current->text().toStdString();
    words::StopListForm(s, subject, request == 2 ? word.toStdString() : std::string());
    const bool done = s.GlobalResponse == 1;
    if (done) reload();
    return done;
}

QWidget* make_word_list_window(Frame& f) { return new WordListWindow(f); }
QWidget* make_stop_list_window(Frame& f) { return new StopListWindow(f); }

}  // namespace qs::desktop
