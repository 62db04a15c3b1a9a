// SPDX-License-Identifier: MIT
#include "desktop/topics_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "desktop/frame.h"
#include "storage/file_access.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TopicDialog::TopicDialog(Session& s, int request, const std::string& name, QWidget* parent)
    : QDialog(parent), s_(s), field_(new QLineEdit) {
    // A change or delete works on the topic as stored: it is the current Codes record.
    OP_CLOSE(s_, kOpOpen, {kCodes});
    if (request != kAdd) {
        s_.rec.Codes = Codes{};
        s_.rec.Codes.TYPE = kTopicCode;
        s_.rec.Codes.INDEX = name;
        if (!Get(s_, kCodes, 0)) request = kAdd;
    }
    s_.GlobalRequest = request;
    form_ = std::make_unique<TopicForm>(s_, kTopicCode);
    setWindowTitle(QString::fromStdString(form_->title()));
    field_->setText(q(form_->record().INDEX.view()));
    field_->setMaxLength(static_cast<int>(decltype(Codes::INDEX)::size()));
    field_->setEnabled(form_->name_enabled());
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("Topic"), field_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    auto* accept_button = new QPushButton(QString::fromStdString(form_->accept_label()));
    buttons->addButton(accept_button, QDialogButtonBox::AcceptRole);
    layout->addRow(buttons);
    connect(accept_button, &QPushButton::clicked, this, [this] {
        if (save()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        form_->cancel();
        reject();
    });
}

TopicDialog::~TopicDialog() {
    form_.reset();
    OP_CLOSE(s_, kOpClose, {kCodes});
}

bool TopicDialog::save() {
    if (field_->isEnabled()) form_->record().INDEX = field_->text().toStdString();
    return form_->accept();
}

TopicsWindow::TopicsWindow(Frame& f) : f_(f), table_(new QTableWidget(0, 2)) {
    table_->setHorizontalHeaderLabels({tr("Topic"), tr("Indexes")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    const std::pair<const char*, int> buttons[] = {{"Add a new key word", kAdd},
                                                   {"Change", kUpdate},
                                                   {"Delete highlighted key word", kDelete}};
    for (const auto& [text, request] : buttons) {
        auto* b = new QPushButton(tr(text));
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, request = request] { edit(request); });
    }
    reload();
    resize(420, 360);
}

void TopicsWindow::reload() {
    Session& s = f_.session();
    const int64_t count = RecountCodes(s);
    const std::vector<Codes> topics = ListCodes(s);
    setWindowTitle(QString::fromStdString(
        codes_title(s, kTopicCode, count < 0 ? topics.size() : static_cast<uint64_t>(count))));
    table_->setRowCount(static_cast<int>(topics.size()));
    for (int r = 0; r < table_->rowCount(); ++r) {
        const Codes& c = topics[static_cast<size_t>(r)];
        table_->setItem(r, 0, new QTableWidgetItem(q(c.INDEX.view())));
        table_->setItem(r, 1, new QTableWidgetItem(QString::number(c.COUNT)));
    }
}

bool TopicsWindow::edit(int request) {
    const int r = table_->currentRow();
    if (request != kAdd && r < 0) return false;
    const std::string name = request == kAdd ? "" : table_->item(r, 0)->text().toStdString();
    TopicDialog form(f_.session(), request, name, this);
    const bool done = form.exec() == QDialog::Accepted;
    if (done) reload();
    return done;
}

ClassifyWindow::ClassifyWindow(Frame& f)
    : f_(f), classification_(f.session()), list_(new QListWidget) {
    setWindowTitle(tr("Classify"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { toggle(list_->row(item)); });
    connect(&f_, &Frame::selectionChanged, this, &ClassifyWindow::follow);
    classification_.reload();
    follow();
    resize(300, 360);
}

void ClassifyWindow::follow() {
    classification_.select(f_.selection().number);
    show_entries();
}

void ClassifyWindow::show_entries() {
    list_->clear();
    for (const auto& e : classification_.entries()) {
        auto* item = new QListWidgetItem(q(e.topic.INDEX.view()), list_);
        item->setCheckState(e.tagged ? Qt::Checked : Qt::Unchecked);
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    }
    list_->setEnabled(classification_.selected() != 0);
}

bool ClassifyWindow::toggle(int i) {
    if (i < 0 || classification_.selected() == 0) return false;
    const bool done = classification_.toggle(static_cast<size_t>(i));
    show_entries();
    list_->setCurrentRow(i);
    if (auto* topics = qobject_cast<TopicsWindow*>(f_.running(QStringLiteral("BrowseTopics"))))
        topics->reload();
    return done;
}

QWidget* make_topics_window(Frame& f) { return new TopicsWindow(f); }
QWidget* make_classify_window(Frame& f) { return new ClassifyWindow(f); }

}  // namespace qs::desktop
