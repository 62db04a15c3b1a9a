// SPDX-License-Identifier: MIT
#include "desktop/startup_wizard.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "desktop/frame.h"
#include "desktop/windows.h"
#include "storage/database_list.h"

namespace qs::desktop {

namespace {

QWizardPage* welcome_page() {
    auto* p = new QWizardPage;
    p->setTitle(QObject::tr("Welcome to Quillstow"));
    auto* text = new QLabel(QObject::tr(
        "Quillstow keeps your mail, forum messages and newsgroup articles in databases of your "
        "own, long after the programs that fetched them have let them go.\n\n"
        "Each database holds one kind of messages. On the next page you create your first one; "
        "you can add more at any time with File / Select Database."));
    text->setWordWrap(true);
    (new QVBoxLayout(p))->addWidget(text);
    return p;
}

}  // namespace

StartupWizard::StartupWizard(Frame& f)
    : f_(f),
      mail_(new QRadioButton(tr("A &mail database"))),
      forum_(new QRadioButton(tr("A &forum database"))),
      name_(new QLineEdit),
      address_(new QLineEdit),
      import_(new QCheckBox(tr("Import messages now"))) {
    setWindowTitle(tr("Start-up Wizard"));
    setWizardStyle(QWizard::ClassicStyle);
    addPage(welcome_page());
    auto* p = new QWizardPage;
    p->setTitle(tr("Your first database"));
    auto* layout = new QFormLayout(p);
    mail_->setChecked(true);
    layout->addRow(mail_);
    layout->addRow(forum_);
    layout->addRow(tr("Database name"), name_);
    layout->addRow(tr("Your mail address"), address_);
    import_->setChecked(true);
    layout->addRow(import_);
    connect(mail_, &QRadioButton::toggled, address_, &QWidget::setEnabled);
    addPage(p);
    resize(560, 380);
}

uint32_t StartupWizard::create() {
    Session& s = f_.session();
    const std::string name = name_->text().trimmed().toStdString();
    const std::string address = address_->text().trimmed().toStdString();
    QLineEdit* missing = name.empty()                            ? name_
                         : mail_->isChecked() && address.empty() ? address_
                                                                 : nullptr;
    if (missing) {
        s.dialog.beep();
        missing->setFocus();
        return 0;
    }
    uint32_t id = 0;
    if (mail_->isChecked()) {
        MailIdentity m{name, address, {}};
        if (std::string wrong = CheckMailIdentity(m); !wrong.empty()) {
            s.dialog.message("Add New Mail Database", wrong);
            return 0;
        }
        id = AddMailDatabase(s, m, true);
    } else {
        id = AddForumDatabase(s, name);
    }
    if (id && MakeCurrent(s, id)) f_.database_changed();
    return id;
}

void StartupWizard::accept() {
    if (!create()) return;
    const bool import = import_->isChecked();
    Frame& f = f_;
    QWizard::accept();
    if (import) QTimer::singleShot(0, &f, [&f] { f.SemaFore(201); });
}

QWidget* make_startup_wizard(Frame& f) {
    auto* w = new StartupWizard(f);
    QObject::connect(w, &QWizard::finished, w, [w] { close_window(w); });
    return w;
}

}  // namespace qs::desktop
