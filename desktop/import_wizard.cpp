// SPDX-License-Identifier: MIT
#include "desktop/import_wizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "desktop/frame.h"
#include "desktop/progress_window.h"
#include "desktop/windows.h"
#include "import/catalogue.h"
#include "storage/database_list.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

QWizardPage* new_page(const QString& title, const QString& subtitle) {
    auto* p = new QWizardPage;
    p->setTitle(title);
    p->setSubTitle(subtitle);
    return p;
}

}  // namespace

ImportWizard::ImportWizard(Frame& f)
    : f_(f),
      format_(new QComboBox),
      family_(new QLabel),
      by_files_(new QRadioButton(tr("Selected &files"))),
      by_dir_(new QRadioButton(tr("One &directory"))),
      by_tree_(new QRadioButton(tr("Directory &tree"))),
      files_(new QListWidget),
      path_(new QLineEdit),
      masks_(new QLineEdit),
      mailbox_(new QComboBox),
      mail_(new QCheckBox(tr("Mail"))),
      forum_(new QCheckBox(tr("Forum messages"))),
      news_(new QCheckBox(tr("Newsgroup messages"))),
      forum_name_(new QLineEdit),
      save_(new QCheckBox(tr("Save these choices as an import definition"))) {
    setWindowTitle(tr("Import Messages"));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoCancelButtonOnLastPage, false);
    addPage(format_page());
    addPage(files_page());
    addPage(target_page());
    resize(620, 460);
}

QWizardPage* ImportWizard::format_page() {
    QWizardPage* p = new_page(tr("Format"), tr("The program whose files hold the messages."));
    for (const Format* fmt : offered_formats())
        format_->addItem(QString::fromLatin1(fmt->name), fmt->number);
    format_->setCurrentIndex(format_->findText(QStringLiteral("Unix Mailbox")));
    auto* layout = new QFormLayout(p);
    layout->addRow(tr("Message format"), format_);
    layout->addRow(tr("Kind of messages"), family_);
    connect(format_, &QComboBox::currentIndexChanged, this, &ImportWizard::format_chosen);
    format_chosen();
    return p;
}

QWizardPage* ImportWizard::files_page() {
    QWizardPage* p =
        new_page(tr("Files"), tr("The files to read: chosen one by one, all files of "
                                 "one directory, or of a directory and those below it."));
    auto* layout = new QVBoxLayout(p);
    by_files_->setChecked(true);
    for (QRadioButton* b : {by_files_, by_dir_, by_tree_}) layout->addWidget(b);
    layout->addWidget(files_);
    auto* add = new QPushButton(tr("&Add files..."));
    layout->addWidget(add, 0, Qt::AlignLeft);
    auto* form = new QFormLayout;
    auto* browse = new QPushButton(tr("&Browse..."));
    auto* path_row = new QHBoxLayout;
    path_row->addWidget(path_);
    path_row->addWidget(browse);
    form->addRow(tr("Directory"), path_row);
    form->addRow(tr("Masks (e.g. *.MBX;*.TXT)"), masks_);
    layout->addLayout(form);
    connect(add, &QPushButton::clicked, this, [this] {
        for (const QString& file : QFileDialog::getOpenFileNames(this, tr("Files to import")))
            files_->addItem(file);
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, tr("Directory to import"));
        if (!dir.isEmpty()) path_->setText(dir);
    });
    return p;
}

QWizardPage* ImportWizard::target_page() {
    QWizardPage* p =
        new_page(tr("Target"), tr("The mail database that receives mail, and the kinds of messages "
                                  "to import."));
    Session& s = f_.session();
    for (const Forums& db : ListDatabases(s))
        if (db.TYPE == kMailDb) {
            mailbox_->addItem(QString::fromStdString(db.DESCRIPTION.str()), db.ID);
            if (db.ID == s.mem.ForumNumber) mailbox_->setCurrentIndex(mailbox_->count() - 1);
        }
    auto* layout = new QFormLayout(p);
    layout->addRow(tr("Mail database"), mailbox_);
    layout->addRow(tr("Forum (for forum formats)"), forum_name_);
    for (QCheckBox* c : {mail_, forum_, news_}) {
        c->setChecked(true);
        layout->addRow(QString(), c);
    }
    layout->addRow(QString(), save_);
    return p;
}

// A format comes with the masks of its files.
void ImportWizard::format_chosen() {
    if (const Format* fmt = format_by_number(format_->currentData().toInt())) {
        masks_->setText(QString::fromLatin1(fmt->mask));
        family_->setText(tr("%1, files %2")
                             .arg(QString::fromLatin1(family_name(fmt->family)),
                                  *fmt->mask ? QString::fromLatin1(fmt->mask) : tr("chosen")));
    }
}

ImportSettings ImportWizard::settings() const {
    ImportSettings st;
    st.format = format_->currentText().toStdString();
    st.masks = masks_->text().trimmed().toStdString();
    st.path = path_->text().trimmed().toStdString();
    st.selection = by_tree_->isChecked()  ? kDirectoryTree
                   : by_dir_->isChecked() ? kOneDirectory
                                          : kSelectedFiles;
    for (int i = 0; i < files_->count(); ++i)
        st.files.push_back(files_->item(i)->text().toStdString());
    // A Maildir is a directory with its sub-folders in it: the reader walks it itself.
    if (st.format == "Maildir" && st.selection != kSelectedFiles) {
        st.files = {st.path};
        st.selection = kSelectedFiles;
    }
    st.mailbox = mailbox_->currentData().toUInt();
    st.forum_name = forum_name_->text().trimmed().toStdString();
    st.mail = mail_->isChecked();
    st.forum = forum_->isChecked();
    st.news = news_->isChecked();
    return st;
}

void ImportWizard::choose(const ImportSettings& st) {
    format_->setCurrentIndex(format_->findText(QString::fromStdString(st.format)));
    (st.selection == kDirectoryTree  ? by_tree_
     : st.selection == kOneDirectory ? by_dir_
                                     : by_files_)
        ->setChecked(true);
    files_->clear();
    for (const auto& file : st.files) files_->addItem(QString::fromStdString(file));
    path_->setText(QString::fromStdString(st.path));
    if (!st.masks.empty()) masks_->setText(QString::fromStdString(st.masks));
    if (int i = mailbox_->findData(st.mailbox); i >= 0) mailbox_->setCurrentIndex(i);
    mail_->setChecked(st.mail);
    forum_->setChecked(st.forum);
    news_->setChecked(st.news);
}

ProgressWindow* ImportWizard::start_import() {
    Session& s = f_.session();
    const ImportSettings st = settings();
    const Format* fmt = format_by_name(st.format);
    const bool no_files = st.selection == kSelectedFiles ? st.files.empty() : st.path.empty();
    if (!fmt || no_files) {
        s.dialog.message("Import Messages", "Choose the files or the directory to import.");
        return nullptr;
    }
    if (fmt->family == Family::Mail && st.mail && st.mailbox == 0) {
        s.dialog.message("Import Messages", "Choose the mail database that receives the mail.");
        return nullptr;
    }
    if (save_->isChecked()) SaveWizardChoices(s, st);
    auto* w =
        new ProgressWindow(tr("Importing %1").arg(format_->currentText()), import_process(s, st));
    f_.show_window(QStringLiteral("ImportProgress"), w);
    return w;
}

void ImportWizard::accept() {
    if (start_import()) QWizard::accept();
}

QWidget* make_import_wizard(Frame& f) {
    auto* w = new ImportWizard(f);
    QObject::connect(w, &QWizard::finished, w, [w] { close_window(w); });
    return w;
}

}  // namespace qs::desktop
