// SPDX-License-Identifier: MIT
#include "desktop/database_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/display_date.h"
#include "desktop/frame.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

const char* type_name(uint8_t type) {
    switch (type) {
        case kForumDb: return "Forum";
        case kMailDb: return "Mail";
        case kNewsDb: return "Newsgroup";
    }
    return "?";
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QPushButton* button(QHBoxLayout* row, const QString& text) {
    auto* b = new QPushButton(text);
    row->addWidget(b);
    return b;
}

}  // namespace

DatabaseWindow::DatabaseWindow(Frame& f) : f_(f), table_(new QTableWidget(0, 4)) {
    setWindowTitle(tr("Select Database"));
    table_->setHorizontalHeaderLabels({tr("Database"), tr("Type"), tr("Messages"), tr("Created")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    connect(button(row, tr("&Select")), &QPushButton::clicked, this,
            [this] { choose(highlighted()); });
    connect(button(row, tr("Add &Mail Database...")), &QPushButton::clicked, this,
            &DatabaseWindow::add_mail);
    connect(button(row, tr("Add &Forum...")), &QPushButton::clicked, this,
            &DatabaseWindow::add_forum);
    connect(button(row, tr("&Addresses...")), &QPushButton::clicked, this,
            &DatabaseWindow::change_mail);
    connect(button(row, tr("&Remove")), &QPushButton::clicked, this,
            [this] { remove(highlighted()); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { choose(highlighted()); });
    reload();
    resize(620, 320);
}

void DatabaseWindow::reload() {
    Session& s = f_.session();
    const int32_t date_format = date_preference(s);
    const std::vector<Forums> list = ListDatabases(s);
    table_->setRowCount(static_cast<int>(list.size()));
    for (int r = 0; r < table_->rowCount(); ++r) {
        const Forums& db = list[static_cast<size_t>(r)];
        auto* name = cell(QString::fromStdString(db.DESCRIPTION.str()));
        name->setData(Qt::UserRole, db.ID);
        QFont font = name->font();
        font.setBold(db.ID == s.mem.ForumNumber);
        name->setFont(font);
        table_->setItem(r, 0, name);
        table_->setItem(r, 1, cell(tr(type_name(db.TYPE))));
        table_->setItem(r, 2, cell(QString::number(db.MSGCOUNT)));
        table_->setItem(r, 3, cell(QString::fromStdString(display_date(db.CREATED, date_format))));
        if (db.ID == s.mem.ForumNumber) table_->selectRow(r);
    }
}

uint32_t DatabaseWindow::highlighted() const {
    const int r = table_->currentRow();
    QTableWidgetItem* item = r >= 0 ? table_->item(r, 0) : nullptr;
    return item ? item->data(Qt::UserRole).toUInt() : 0;
}

bool DatabaseWindow::choose(uint32_t id) {
    if (id == 0) return false;
    Session& s = f_.session();
    if (!MakeCurrent(s, id)) {
        s.dialog.message(" Path Not Found", "The specified path " + s.mem.FileDir + "/" +
                                                s.mem.Dirnamn + " does not exist.\r\n");
        return false;
    }
    f_.database_changed();
    reload();
    return true;
}

bool DatabaseWindow::remove(uint32_t id) {
    if (id == 0) return false;
    Session& s = f_.session();
    std::string name;
    for (const Forums& db : ListDatabases(s))
        if (db.ID == id) name = db.DESCRIPTION.str();
    if (!s.dialog.ask(
            " Remove Database",
            "Remove the database " + name + " with all its messages?|This cannot be undone.",
            false))
        return false;
    // Search and tool windows work on the current database's files: they go first.
    f_.close_group("FindGroup");
    f_.close_group("NotToolsGroup");
    f_.close_database_windows();
    const bool done = RemoveDatabase(s, id);
    f_.database_changed();
    reload();
    return done;
}

void DatabaseWindow::add_forum() {
    ForumForm form(f_.session(), this);
    if (form.exec() == QDialog::Accepted) reload();
}

void DatabaseWindow::add_mail() {
    MailForm form(f_.session(), 0, this);
    if (form.exec() == QDialog::Accepted) reload();
}

void DatabaseWindow::change_mail() {
    const uint32_t id = highlighted();
    for (const Forums& db : ListDatabases(f_.session()))
        if (db.ID == id && db.TYPE == kMailDb) {
            MailForm form(f_.session(), id, this);
            if (form.exec() == QDialog::Accepted) reload();
        }
}

ForumForm::ForumForm(Session& s, QWidget* parent) : QDialog(parent), s_(s), name_(new QLineEdit) {
    setWindowTitle(QStringLiteral(" Add New Forum"));
    auto* layout = new QFormLayout(this);
    name_->setMaxLength(static_cast<int>(decltype(Forums::DESCRIPTION)::size()));
    layout->addRow(tr("Forum name"), name_);
    auto* save_button = new QPushButton(QStringLiteral("Save new Forum"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    buttons->addButton(save_button, QDialogButtonBox::AcceptRole);
    layout->addRow(buttons);
    connect(save_button, &QPushButton::clicked, this, [this] {
        if (save()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

uint32_t ForumForm::save() {
    const std::string name = name_->text().trimmed().toStdString();
    if (name.empty()) {
        s_.dialog.beep();
        name_->setFocus();
        return 0;
    }
    return AddForumDatabase(s_, name);
}

MailForm::MailForm(Session& s, uint32_t id, QWidget* parent)
    : QDialog(parent),
      s_(s),
      id_(id),
      name_(new QLineEdit),
      address_(new QLineEdit),
      alternatives_(new QPlainTextEdit) {
    setWindowTitle(id ? QStringLiteral("Update alternative addresses")
                      : QStringLiteral("Add New Mail Database"));
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("Mail database name"), name_);
    layout->addRow(tr("Default mail address"), address_);
    layout->addRow(tr("Alternative addresses\n(one a line, up to ten)"), alternatives_);
    for (const Forums& db : ListDatabases(s))
        if (db.ID == id) {
            name_->setText(QString::fromStdString(db.DESCRIPTION.str()));
            address_->setText(QString::fromStdString(db.MAILADDRESS.str()));
            for (const auto& alt : db.ALTADDRESS)
                if (!alt.blank()) alternatives_->appendPlainText(QString::fromStdString(alt.str()));
        }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (save()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

MailIdentity MailForm::identity() const {
    MailIdentity m;
    m.name = name_->text().trimmed().toStdString();
    m.address = address_->text().trimmed().toStdString();
    const QStringList lines = alternatives_->toPlainText().split(QLatin1Char('\n'));
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty()) m.alternatives.push_back(line.trimmed().toStdString());
    return m;
}

uint32_t MailForm::save() {
    const MailIdentity m = identity();
    QLineEdit* missing = m.name.empty() ? name_ : m.address.empty() ? address_ : nullptr;
    if (missing) {
        s_.dialog.beep();
        missing->setFocus();
        return 0;
    }
    if (std::string wrong = CheckMailIdentity(m); !wrong.empty()) {
        s_.dialog.message("Add New Mail Database", wrong);
        return 0;
    }
    if (id_) return UpdateMailDatabase(s_, id_, m) ? id_ : 0;
    return AddMailDatabase(s_, m);
}

QWidget* make_database_window(Frame& f) { return new DatabaseWindow(f); }

}  // namespace qs::desktop
