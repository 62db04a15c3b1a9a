// SPDX-License-Identifier: MIT
#include "desktop/browse_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "app/status_marks.h"
#include "app/topics.h"
#include "desktop/find_bar.h"
#include "desktop/frame.h"
#include "desktop/window_places.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

const char* title_of(BrowseKind kind) {
    switch (kind) {
        case BrowseKind::Mail: return "Mail";
        case BrowseKind::Messages: return "Messages";
        case BrowseKind::Persons: break;
    }
    return "Persons";
}

// What each group of three entries of the pop-up marks.
std::vector<MarkTarget> mark_targets(bool mail) {
    if (mail) return {MarkTarget::Mail, MarkTarget::Partner, MarkTarget::Database};
    return {MarkTarget::Message, MarkTarget::Thread, MarkTarget::Section, MarkTarget::Database};
}

}  // namespace

BrowseWindow::BrowseWindow(Frame& f, BrowseKind kind)
    : f_(f),
      kind_(kind),
      views_(new QComboBox),
      topics_(new QComboBox),
      marks_(new QComboBox),
      word_(new QLineEdit),
      locator_(new QLineEdit),
      table_(new QTableView),
      look_(read_look(f.session())) {
    setWindowTitle(QString::fromStdString(f.session().mem.Description) + " - " +
                   tr(title_of(kind)));
    auto* layout = new QVBoxLayout(this);
    build_top_row();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->setFont(look_.list_font);
    table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(look_.list_font).height() + 6);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->installEventFilter(this);
    layout->addWidget(table_);
    if (kind == BrowseKind::Persons) {
        // Persons are picked for a merge by selecting several rows.
        table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        keep_label_ = new QLabel;
        layout->addWidget(keep_label_);
    } else {
        find_ = new FindBar(
            f.session(), kind == BrowseKind::Mail,
            [this](ListContext& list) { return list_context(list); },
            [this](uint32_t number) { go_to(number); });
        layout->addWidget(find_);
    }
    connect(table_, &QWidget::customContextMenuRequested, this, &BrowseWindow::pop_up);
    connect(table_, &QAbstractItemView::activated, this,
            [this] { f_.start(QStringLiteral("MessageText")); });
    connect(&f_, &Frame::messageRequested, this, &BrowseWindow::go_to_message);
    connect(table_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &BrowseWindow::fill_above);
    show_view({});
    resize(760, 420);
}

BrowseWindow::~BrowseWindow() {
    std::vector<int> widths;
    for (int c = 0; c < model_->columnCount(); ++c) widths.push_back(table_->columnWidth(c));
    store_widths(f_.session(), static_cast<int>(kind_), widths);
    // The list closes its files before the window's selection goes.
    table_->setModel(nullptr);
}

void BrowseWindow::build_top_row() {
    auto* row = new QHBoxLayout;
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
    for (const auto& v : views_of(kind_)) views_->addItem(tr(v.name));
    row->addWidget(views_);
    row->addWidget(topics_);
    for (const char* m : {"Normal", "Keep", "Delete"}) marks_->addItem(tr(m));
    row->addWidget(marks_);
    word_->setPlaceholderText(tr("an indexed word"));
    row->addWidget(word_);
    row->addWidget(new QLabel(tr("Locate:")));
    row->addWidget(locator_, 1);
    auto* top = new QPushButton(tr("&Top"));
    row->addWidget(top);
    auto* set_mark = new QPushButton(tr("Set BookMark"));
    auto* reset_mark = new QPushButton(tr("Reset to BookMark"));
    row->addWidget(set_mark);
    row->addWidget(reset_mark);
    connect(set_mark, &QPushButton::clicked, this, &BrowseWindow::set_bookmark);
    connect(reset_mark, &QPushButton::clicked, this, &BrowseWindow::reset_to_bookmark);
    auto changed = [this] {
        show_view({static_cast<size_t>(views_->currentIndex()), topics_->currentData().toUInt(),
                   static_cast<uint8_t>(marks_->currentIndex()), word_->text().toStdString()});
    };
    connect(word_, &QLineEdit::returnPressed, this, changed);
    connect(views_, &QComboBox::currentIndexChanged, this, changed);
    connect(topics_, &QComboBox::currentIndexChanged, this, changed);
    connect(marks_, &QComboBox::currentIndexChanged, this, changed);
    connect(locator_, &QLineEdit::returnPressed, this, [this] { locate(locator_->text()); });
    connect(top, &QPushButton::clicked, this, [this] {
        locator_->clear();
        locate({});
    });
}

void BrowseWindow::fill_topics() {
    if (topics_->count() > 0) return;
    QSignalBlocker quiet(topics_);
    for (const Codes& c : ListCodes(f_.session()))
        topics_->addItem(QString::fromStdString(c.INDEX.str()), c.ID);
}

void BrowseWindow::show_view(const ViewChoice& choice) {
    const auto& views = views_of(kind_);
    choice_ = choice;
    choice_.view = std::min(choice.view, views.size() - 1);
    const BrowseView& v = views[choice_.view];
    if (v.kind == ViewKind::Topic) {
        fill_topics();
        if (choice_.topic == 0) choice_.topic = topics_->currentData().toUInt();
    }
    {
        QSignalBlocker a(views_), b(marks_);
        views_->setCurrentIndex(static_cast<int>(choice_.view));
        marks_->setCurrentIndex(choice_.mark);
        word_->setText(QString::fromStdString(choice_.word));
    }
    topics_->setVisible(v.kind == ViewKind::Topic);
    word_->setVisible(v.kind == ViewKind::Word);
    marks_->setVisible(v.kind == ViewKind::Status);
    locator_->setEnabled(*v.hint != 0);
    locator_->setPlaceholderText(*v.hint ? tr("type a %1").arg(tr(v.hint)) : QString());
    table_->setModel(nullptr);
    model_ = std::make_unique<BrowseModel>(make_source(f_.session(), kind_, choice_));
    model_->set_look(look_.list_font, look_.keep_colour, look_.delete_colour);
    table_->setModel(model_.get());
    // Rows dropped above the view would move what it shows: it goes on showing the same rows.
    connect(model_.get(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                shown_top_ = first == 0 ? table_->rowAt(0) - (last + 1) : -1;
            });
    connect(model_.get(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (shown_top_ < 0) return;
        table_->doItemsLayout();
        table_->scrollTo(model_->index(shown_top_, 0), QAbstractItemView::PositionAtTop);
    });
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    if (model_->columnCount() > 4)
        table_->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    else
        table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    const std::vector<int> widths = stored_widths(f_.session(), static_cast<int>(kind_));
    for (int c = 0; c < model_->columnCount() && c < static_cast<int>(widths.size()); ++c)
        if (widths[static_cast<size_t>(c)] > 0)
            table_->setColumnWidth(c, widths[static_cast<size_t>(c)]);
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &BrowseWindow::selection_moved);
    if (model_->rowCount() > 0) table_->selectRow(0);
}

bool BrowseWindow::locate(const QString& typed) {
    if (!model_->locate(typed.trimmed().toStdString())) return false;
    jumped();
    return true;
}

bool BrowseWindow::go_to(uint32_t number) {
    if (!model_->locate_record(number)) return false;
    jumped();
    return true;
}

// The list starts at the row jumped to: it is selected, and the page before it is read so that
// the list scrolls up from there as well as down.
void BrowseWindow::jumped() {
    if (model_->rowCount() > 0) table_->selectRow(0);
    table_->scrollToTop();
    fill_above();
}

// When the view shows the first row read and more lie before it, their page comes in at the
// top and the view keeps showing the rows it showed.
void BrowseWindow::fill_above() {
    const QScrollBar* bar = table_->verticalScrollBar();
    if (filling_ || bar->value() > bar->minimum() || !model_->canFetchPrevious()) return;
    // The layout below moves the scroll bar, which calls here again.
    filling_ = true;
    const int top = std::max(table_->rowAt(0), 0);
    const int n = model_->fetchPrevious();
    if (n > 0) {
        // The scroll bar's range follows the new rows first, or the position would be cut to it.
        table_->doItemsLayout();
        table_->scrollTo(model_->index(top + n, 0), QAbstractItemView::PositionAtTop);
    }
    filling_ = false;
}

void BrowseWindow::set_bookmark() {
    const int r = table_->currentIndex().row();
    if (r >= 0) bookmark_ = model_->row(r).number;
}

bool BrowseWindow::reset_to_bookmark() { return bookmark_ && go_to(bookmark_); }

// What the standard search walks: the list as shown, from the selected message on.
bool BrowseWindow::list_context(ListContext& list) const {
    const BrowseView& v = views_of(kind_)[choice_.view];
    switch (v.kind) {
        case ViewKind::Key: list.source = ListContext::Source::KeyOrder; break;
        case ViewKind::Topic: list.source = ListContext::Source::Topic; break;
        case ViewKind::ResultSet: list.source = ListContext::Source::ResultSet; break;
        case ViewKind::Word:
        case ViewKind::Status: return false;
    }
    list.key = v.key;
    list.topic = choice_.topic;
    const int r = table_->currentIndex().row();
    list.current = r >= 0 ? model_->row(r).number : 0;
    return true;
}

// The thread tree asks for a message: the list moves to it, in the view by number when the
// view shown does not list it.
void BrowseWindow::go_to_message(quint32 number) {
    if (kind_ != BrowseKind::Messages || go_to(number)) return;
    show_view({0, 0, 0});
    go_to(number);
}

// The message or mail of the selected row becomes the frame's selection.
void BrowseWindow::selection_moved() {
    const int r = table_->currentIndex().row();
    if (kind_ == BrowseKind::Persons || r < 0) return;
    Session& s = f_.session();
    Selection sel;
    sel.number = model_->row(r).number;
    sel.mail = kind_ == BrowseKind::Mail;
    if (sel.mail) {
        s.rec.Mail = Mail{};
        s.rec.Mail.MAILID = sel.number;
        if (!Get(s, kMail, keys::MaiIdKey)) return;
        sel.mail_header = s.rec.Mail;
    } else {
        s.rec.MsgNmbr = MsgNmbr{};
        s.rec.MsgNmbr.MSGNUMBER = sel.number;
        if (!Get(s, kMsgNmbr, keys::MsgIdKey)) return;
        sel.message = s.rec.MsgNmbr;
    }
    f_.select(sel);
}

QStringList BrowseWindow::mark_entries() const {
    QStringList entries;
    for (const QString& e :
         QString::fromLatin1(status_menu(kind_ == BrowseKind::Mail)).split(QLatin1Char('|')))
        if (!e.isEmpty()) entries << e;
    return entries;
}

bool BrowseWindow::mark(int row, int entry) {
    if (kind_ == BrowseKind::Persons || row < 0 || row >= model_->rowCount()) return false;
    const std::vector<MarkTarget> targets = mark_targets(kind_ == BrowseKind::Mail);
    // The entries run in groups of three (normal, keep, delete) with a line between groups.
    const int group = entry / 4, within = entry % 4;
    if (within == 3 || group >= static_cast<int>(targets.size())) return false;
    const MarkResult done = SetStatus(f_.session(), targets[static_cast<size_t>(group)],
                                      model_->row(row).number, static_cast<uint8_t>(within));
    model_->refresh(row);
    return done == MarkResult::Done;
}

void BrowseWindow::pop_up(const QPoint& at) {
    const int row = table_->indexAt(at).row();
    if (row < 0) return;
    if (kind_ == BrowseKind::Persons) {
        person_pop_up(row, at);
        return;
    }
    QMenu menu(this);
    const QStringList entries = mark_entries();
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i] == QLatin1String("-")) {
            menu.addSeparator();
            continue;
        }
        menu.addAction(entries[i], this, [this, row, i] { mark(row, i); });
    }
    menu.exec(table_->viewport()->mapToGlobal(at));
}

// Letters, digits and blanks typed into the list build the locator text, as long as they come
// quickly one after another; the list then stands at the first row at or after it.
bool BrowseWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != table_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() != 1 || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const QChar c = text[0].toUpper();
    const int code = c.isDigit() && key->modifiers() & Qt::KeypadModifier
                         ? kKeyPad0 + c.digitValue()
                         : static_cast<int>(c.unicode());
    Session& s = f_.session();
    if (!IncrementStep(s, typed_, code, s.clock.now())) return false;
    locator_->setText(QString::fromStdString(typed_));
    locate(locator_->text());
    return true;
}

QWidget* make_mail_browse(Frame& f) { return new BrowseWindow(f, BrowseKind::Mail); }
QWidget* make_message_browse(Frame& f) { return new BrowseWindow(f, BrowseKind::Messages); }
QWidget* make_person_browse(Frame& f) { return new BrowseWindow(f, BrowseKind::Persons); }

}  // namespace qs::desktop
