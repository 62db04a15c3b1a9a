// SPDX-License-Identifier: MIT
#include "desktop/search_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
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

std::vector<std::string> inputs(const QLineEdit* e) {
    const QString t = e->text().trimmed();
    return t.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{t.toStdString()};
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
      all_(new QLineEdit),
      any_(new QLineEdit),
      none_(new QLineEdit),
      phrase_(new QLineEdit),
      whole_word_(new QCheckBox(QStringLiteral("  Whole Word Only?"))),
      starts_with_(new QCheckBox(QStringLiteral(" Starts With...?"))),
      soundex_(new QCheckBox(QStringLiteral(" Soundex?"))),
      approximate_(new QSpinBox),
      lists_(new QTableWidget(0, 3)),
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

QWidget* SearchWindow::step1() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("Must Contain ALL of These:"), all_);
    form->addRow(QStringLiteral("Must Contain One or More of These:"), any_);
    form->addRow(tr("Must Contain NONE of These:"), none_);
    form->addRow(QStringLiteral(" Phrase Search"), phrase_);
    for (QCheckBox* c : {whole_word_, starts_with_, soundex_}) form->addRow(QString(), c);
    approximate_->setRange(-1, 40);
    approximate_->setValue(-1);
    approximate_->setSpecialValueText(tr("off"));
    form->addRow(QStringLiteral(" Approximate Match?  Degree of Mismatch:"), approximate_);
    auto* next = new QPushButton(tr("&Look up the words"));
    form->addRow(QString(), next);
    connect(next, &QPushButton::clicked, this, [this] {
        if (build()) steps_->setCurrentIndex(1);
    });
    return page;
}

QWidget* SearchWindow::step2() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    lists_->setHorizontalHeaderLabels(
        {tr("List"), tr("Condition"), QStringLiteral(" Search Word")});
    lists_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    lists_->verticalHeader()->hide();
    lists_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(lists_);
    auto* get = new QPushButton(QStringLiteral("Get Msgs"));
    layout->addWidget(get, 0, Qt::AlignRight);
    // A click on the condition column toggles NOT.
    connect(lists_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column != 1) return;
        auto& and_list = expression_.lists.ANDQ;
        auto& entry = row < static_cast<int>(and_list.size())
                          ? and_list[static_cast<size_t>(row)]
                          : expression_.lists.ORQ[static_cast<size_t>(row) - and_list.size()];
        words::SearchLists::toggle_not(entry);
        search_.reset();
        show_lists();
    });
    connect(get, &QPushButton::clicked, this, [this] {
        hits_->clear();
        search_.reset();
        get_messages();
        steps_->setCurrentIndex(2);
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

bool SearchWindow::build() {
    Session& s = f_.session();
    words::SearchInput in;
    in.all = inputs(all_);
    in.any = inputs(any_);
    in.none = inputs(none_);
    if (!phrase_->text().trimmed().isEmpty()) in.phrase = phrase_->text().trimmed().toStdString();
    in.match.whole_word = whole_word_->isChecked();
    in.match.starts_with = starts_with_->isChecked();
    in.match.soundex = soundex_->isChecked();
    in.match.approximate = approximate_->value();
    search_.reset();
    if (!words::has_index_entries(s)) {
        s.dialog.message("Search Not Available",
                         "Search Could not be initialized.|Try Again Later.");
        return false;
    }
    expression_ = words::build_search_expression(s, in);
    show_lists();
    return expression_.result == words::ExpressionResult::Ready ||
           expression_.result == words::ExpressionResult::NoMatch;
}

void SearchWindow::show_lists() {
    const auto& l = expression_.lists;
    lists_->setRowCount(static_cast<int>(l.ANDQ.size() + l.ORQ.size()));
    int r = 0;
    for (const auto* list : {&l.ANDQ, &l.ORQ})
        for (const words::SearchEntry& e : *list) {
            lists_->setItem(r, 0, new QTableWidgetItem(list == &l.ANDQ ? "AND" : "OR"));
            lists_->setItem(r, 1, new QTableWidgetItem(q(e.CONDITION.view())));
            lists_->setItem(
                r, 2,
                new QTableWidgetItem(
                    QStringLiteral("%1  (%2)").arg(q(e.THEWORD.view())).arg(e.WORDCOUNT)));
            ++r;
        }
}

words::SearchOutcome SearchWindow::get_messages() {
    Session& s = f_.session();
    if (expression_.lists.empty()) {
        s.dialog.message(
            "No Search Words",
            "Please use the Insert Button to Locate words of Interest!|Then Try Again.");
        return words::SearchOutcome::NoSearchWords;
    }
    if (!search_) {
        search_ = std::make_unique<words::SearchState>(s, s.mem.ForumType);
        if (!search_->prepare(expression_.lists, expression_.phrase))
            return words::SearchOutcome::NoSearchWords;
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
    words::HitQueue all;
    for (int i = 0; i < hits_->count(); ++i)
        all.insert(hits_->item(i)->data(Qt::UserRole).toUInt());
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
