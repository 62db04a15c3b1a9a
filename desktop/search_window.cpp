// SPDX-License-Identifier: MIT
#include "desktop/search_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <tuple>
#include <vector>

#include "app/display_date.h"
#include "app/message_pages.h"
#include "desktop/frame.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "wordindex/phrase.h"
#include "wordindex/tokenizer.h"
#include "wordindex/word_positions.h"

namespace qs::desktop {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A stored text as the view shows it, without carriage returns, and for each of its characters
// (code points, as word positions count them) where it stands in what is shown; one more entry
// gives the end.
QString shown_text(const QString& stored, std::vector<int>& at) {
    QString shown;
    at.clear();
    for (int i = 0; i < stored.size(); ++i) {
        at.push_back(static_cast<int>(shown.size()));
        if (stored[i] == QLatin1Char('\r') && i + 1 < stored.size() &&
            stored[i + 1] == QLatin1Char('\n'))
            continue;
        shown += stored[i];
        if (stored[i].isHighSurrogate() && i + 1 < stored.size()) shown += stored[++i];
    }
    at.push_back(static_cast<int>(shown.size()));
    return shown;
}

// A hit's line: its date, its sender's name as the header keeps it and its subject.
QString hit_label(Session& s, uint32_t id, int32_t date_format) {
    QString date, from, subject;
    if (s.mem.ForumType == kMailDb) {
        s.rec.Mail = Mail{};
        s.rec.Mail.MAILID = id;
        if (!Get(s, kMail, keys::MaiIdKey)) return QString::number(id);
        const Mail& m = s.rec.Mail;
        std::tie(date, from, subject) = std::make_tuple(q(display_date(m.DATE, date_format)),
                                                        q(m.FROMALPHA.view()), q(m.SUBJECT.view()));
    } else {
        s.rec.MsgNmbr = MsgNmbr{};
        s.rec.MsgNmbr.MSGNUMBER = id;
        if (!Get(s, kMsgNmbr, keys::MsgIdKey)) return QString::number(id);
        const MsgNmbr& m = s.rec.MsgNmbr;
        std::tie(date, from, subject) = std::make_tuple(
            q(display_date(m.DATE, date_format)), q(m.FROMALPHA.view()), q(m.THREADALPHA.view()));
    }
    return QStringLiteral("%1  %2  %3  %4").arg(id).arg(date, -10).arg(from, -12).arg(subject);
}

}  // namespace

SearchWindow::SearchWindow(Frame& f)
    : f_(f),
      steps_(new QTabWidget),
      words_(new QLineEdit),
      whole_word_(new QCheckBox(QStringLiteral("  Whole Word Only?"))),
      starts_with_(new QCheckBox(QStringLiteral(" Starts With...?"))),
      soundex_(new QCheckBox(QStringLiteral(" Soundex?"))),
      approximate_(new QCheckBox(QStringLiteral(" Approximate Match?"))),
      phrase_(new QCheckBox(QStringLiteral(" Phrase Search"))),
      mismatch_(new QSpinBox),
      found_list_(new QTableWidget(0, 2)),
      and_(list_table(true)),
      or_(list_table(false)),
      hits_(new QListWidget),
      text_(new QTextEdit) {
    Session& s = f.session();
    setWindowTitle(QString::fromStdString(s.mem.Description) + tr(" - Search"));
    // The search's files stay open while the window is: lookups and blocks open them by count.
    files_ = words::message_files(s.mem.ForumType, true);
    files_.insert(files_.end(), {kSTO, kWordList, kMasIdx, kSearch});
    OP_CLOSE(s, kOpOpen, files_);
    steps_->addTab(step1(), QStringLiteral(" STEP 1 - Input Search Words"));
    steps_->addTab(step2(), QStringLiteral(" STEP 2 - Build Search Expression"));
    steps_->addTab(step3(), QStringLiteral(" STEP 3 - Get the Messages"));
    (new QVBoxLayout(this))->addWidget(steps_);
    resize(760, 520);
}

SearchWindow::~SearchWindow() {
    search_.reset();
    OP_CLOSE(f_.session(), kOpClose, files_);
}

// The dialog "Find one or more Indexed Words".
QWidget* SearchWindow::step1() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral(" Indexed Words(s) Separated by a Space:"), words_);
    for (QCheckBox* c : {whole_word_, soundex_, starts_with_}) form->addRow(QString(), c);
    auto* approximate = new QHBoxLayout;
    approximate->addWidget(approximate_);
    approximate->addWidget(new QLabel(QStringLiteral("Degree of Mismatch:")));
    mismatch_->setRange(0, 40);
    mismatch_->setValue(1);
    approximate->addWidget(mismatch_);
    approximate->addStretch();
    form->addRow(QString(), approximate);
    form->addRow(QString(), phrase_);
    auto* find = new QPushButton(tr("&Find"));
    form->addRow(QString(), find);
    connect(find, &QPushButton::clicked, this, [this] {
        if (SearchWindow::find()) steps_->setCurrentIndex(1);
    });
    return page;
}

QTableWidget* SearchWindow::list_table(bool to_and) {
    auto* t = new QTableWidget(0, 3);
    t->setHorizontalHeaderLabels({tr("Condition"), QStringLiteral(" Search Word"), tr("Hits")});
    t->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A click on the condition column toggles NOT.
    connect(t, &QTableWidget::cellClicked, this, [this, to_and](int row, int column) {
        auto& list = to_and ? lists_.ANDQ : lists_.ORQ;
        if (column != 0 || row < 0 || row >= static_cast<int>(list.size())) return;
        words::SearchLists::toggle_not(list[static_cast<size_t>(row)]);
        search_.reset();
        show_lists();
    });
    return t;
}

QWidget* SearchWindow::step2() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    found_list_->setHorizontalHeaderLabels(
        {QStringLiteral("Hits"), QStringLiteral(" Search Word")});
    found_list_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    found_list_->verticalHeader()->hide();
    found_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    found_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(found_list_, 2);
    auto* moves = new QVBoxLayout;
    auto* to_and = new QPushButton(QStringLiteral("AND ---->"));
    auto* to_or = new QPushButton(QStringLiteral("OR ---->"));
    moves->addStretch();
    moves->addWidget(to_and);
    moves->addWidget(to_or);
    moves->addStretch();
    layout->addLayout(moves);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Must Contain ALL of These:")));
    right->addWidget(and_);
    right->addWidget(new QLabel(QStringLiteral("Must Contain One or More of These:")));
    right->addWidget(or_);
    auto* buttons = new QHBoxLayout;
    auto* remove = new QPushButton(QStringLiteral("Delete"));
    auto* remove_all = new QPushButton(QStringLiteral("DeleteAll"));
    auto* get = new QPushButton(QStringLiteral("Get Msgs"));
    buttons->addWidget(remove);
    buttons->addWidget(remove_all);
    buttons->addStretch();
    buttons->addWidget(get);
    right->addLayout(buttons);
    layout->addLayout(right, 3);
    connect(to_and, &QPushButton::clicked, this, [this] { add_found(true); });
    connect(to_or, &QPushButton::clicked, this, [this] { add_found(false); });
    connect(remove, &QPushButton::clicked, this, [this] { delete_highlighted(); });
    connect(remove_all, &QPushButton::clicked, this, [this] { delete_all(); });
    connect(get, &QPushButton::clicked, this, [this] {
        hits_->clear();
        search_.reset();
        if (get_messages() == words::SearchOutcome::Hits) steps_->setCurrentIndex(2);
    });
    return page;
}

QWidget* SearchWindow::step3() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* split = new QSplitter(Qt::Vertical);
    text_->setReadOnly(true);
    hits_->setFont(QFont(QStringLiteral("DejaVu Sans Mono")));
    split->addWidget(hits_);
    split->addWidget(text_);
    layout->addWidget(split, 1);
    auto* more = new QPushButton(QStringLiteral("Next Block"));
    layout->addWidget(more, 0, Qt::AlignRight);
    connect(more, &QPushButton::clicked, this, [this] { get_messages(); });
    connect(hits_, &QListWidget::currentRowChanged, this, &SearchWindow::show_hit);
    return page;
}

words::MatchOptions SearchWindow::match() const {
    words::MatchOptions m;
    m.whole_word = whole_word_->isChecked();
    m.starts_with = starts_with_->isChecked();
    m.soundex = soundex_->isChecked();
    m.approximate = approximate_->isChecked() ? mismatch_->value() : -1;
    return m;
}

bool SearchWindow::find() {
    Session& s = f_.session();
    search_.reset();
    if (!words::has_index_entries(s)) {
        s.dialog.message("Search Not Available",
                         "Search Could not be initialized.|Try Again Later.");
        return false;
    }
    const std::string typed = words_->text().toStdString();
    if (phrase_->isChecked()) {
        // A phrase's words all belong in every hit, in the order typed.
        words::SearchInput in;
        in.phrase = typed;
        in.match = match();
        const words::SearchExpression e = words::build_search_expression(s, in);
        if (e.result != words::ExpressionResult::Ready) return false;
        lists_ = e.lists;
        phrase_request_ = e.phrase;
        found_words_.clear();
        show_found();
        show_lists();
        return true;
    }
    const words::LookupOutcome out = words::find_indexed_words(s, {typed, match(), false});
    if (!out.ok) return false;
    found_words_ = out.found;
    show_found();
    return !found_words_.empty();
}

void SearchWindow::show_found() {
    found_list_->setRowCount(static_cast<int>(found_words_.size()));
    for (int r = 0; r < found_list_->rowCount(); ++r) {
        const words::FoundWord& w = found_words_[static_cast<size_t>(r)];
        found_list_->setItem(r, 0, new QTableWidgetItem(QString::number(w.count)));
        found_list_->setItem(r, 1, new QTableWidgetItem(q(w.word)));
    }
}

void SearchWindow::add_found(bool to_and) {
    for (const QModelIndex& i : found_list_->selectionModel()->selectedRows()) {
        const words::FoundWord& w = found_words_[static_cast<size_t>(i.row())];
        if (to_and ? lists_.add_and(w) : lists_.add_or(w)) search_.reset();
    }
    show_lists();
}

bool SearchWindow::delete_highlighted() {
    for (auto [table, list] : {std::pair{and_, &lists_.ANDQ}, std::pair{or_, &lists_.ORQ}}) {
        for (auto& e : *list) e.MARKFLAG = 0;
        for (const QModelIndex& i : table->selectionModel()->selectedRows())
            (*list)[static_cast<size_t>(i.row())].MARKFLAG = 1;
    }
    const bool removed = lists_.delete_marked(f_.session());
    if (removed) search_.reset();
    show_lists();
    return removed;
}

void SearchWindow::delete_all() {
    lists_.delete_all();
    phrase_request_ = {};
    search_.reset();
    show_lists();
}

void SearchWindow::show_lists() {
    for (auto [table, list] : {std::pair{and_, &lists_.ANDQ}, std::pair{or_, &lists_.ORQ}}) {
        table->clearSelection();
        table->setRowCount(static_cast<int>(list->size()));
        int r = 0;
        for (const words::SearchEntry& e : *list) {
            table->setItem(r, 0, new QTableWidgetItem(q(e.CONDITION.view())));
            table->setItem(r, 1, new QTableWidgetItem(q(e.THEWORD.view())));
            table->setItem(r, 2, new QTableWidgetItem(QString::number(e.WORDCOUNT)));
            ++r;
        }
    }
}

words::SearchOutcome SearchWindow::get_messages() {
    Session& s = f_.session();
    if (lists_.empty()) {
        s.dialog.message(
            "No Search Words",
            "Please use the Insert Button to Locate words of Interest!|Then Try Again.");
        return words::SearchOutcome::NoSearchWords;
    }
    if (!search_) {
        search_ = std::make_unique<words::SearchState>(s, s.mem.ForumType);
        if (!search_->prepare(lists_, phrase_request_)) return words::SearchOutcome::NoSearchWords;
    }
    words::HitQueue block;
    words::FoundWordsQueue found;
    const words::SearchOutcome out = search_->BUILDSEARCH(block, found);
    for (const auto& w : found)
        if (std::find(found_.begin(), found_.end(), w) == found_.end()) found_.push_back(w);
    // Newest first, as the browses list them.
    const int32_t date_format = date_preference(s);
    for (auto it = block.rbegin(); it != block.rend(); ++it) {
        auto* item = new QListWidgetItem(hit_label(s, *it, date_format), hits_);
        item->setData(Qt::UserRole, *it);
    }
    std::vector<uint32_t> listed;
    listed.reserve(static_cast<size_t>(hits_->count()));
    for (int i = 0; i < hits_->count(); ++i)
        listed.push_back(hits_->item(i)->data(Qt::UserRole).toUInt());
    words::HitQueue all;
    all.insert(listed.begin(), listed.end());
    words::write_result_set(s, all);
    if (hits_->count() > 0 && hits_->currentRow() < 0) hits_->setCurrentRow(0);
    return out;
}

void SearchWindow::show_hit(int row) {
    if (row < 0 || row >= hits_->count()) return;
    Session& s = f_.session();
    const uint32_t id = hits_->item(row)->data(Qt::UserRole).toUInt();
    std::string subject;
    if (s.mem.ForumType == kMailDb) {
        s.rec.Mail = Mail{};
        s.rec.Mail.MAILID = id;
        if (Get(s, kMail, keys::MaiIdKey)) subject = s.rec.Mail.SUBJECT.str();
    }
    const MessagePage page = PageMessage(s, id, subject, 1);
    std::vector<int> at;
    text_->setPlainText(shown_text(q(page.text), at));
    std::vector<words::WordPos> positions;
    words::BUILDWORDPOSQ1(words::WordRules::from(s.settings), positions, char_count(page.text),
                          page.text, found_);
    QList<QTextEdit::ExtraSelection> marks;
    for (const words::WordPos& p : positions) {
        if (p.first < 1 || p.last < p.first || static_cast<size_t>(p.last) >= at.size()) continue;
        QTextEdit::ExtraSelection sel;
        sel.cursor = QTextCursor(text_->document());
        sel.cursor.setPosition(at[static_cast<size_t>(p.first) - 1]);
        sel.cursor.setPosition(at[static_cast<size_t>(p.last)], QTextCursor::KeepAnchor);
        sel.format.setBackground(QColor(255, 230, 90));
        marks << sel;
    }
    text_->setExtraSelections(marks);
}

QList<QPair<int, int>> SearchWindow::highlights() const {
    QList<QPair<int, int>> spans;
    for (const auto& sel : text_->extraSelections())
        spans << qMakePair(sel.cursor.selectionStart(),
                           sel.cursor.selectionEnd() - sel.cursor.selectionStart());
    return spans;
}

QWidget* make_search_window(Frame& f) { return new SearchWindow(f); }

}  // namespace qs::desktop
