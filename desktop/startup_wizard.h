// SPDX-License-Identifier: MIT
// The start-up wizard ("StartUpWizard", started on the first start): welcomes the user and
// creates the first database, a mail database with its owner's address or a forum, which then
// becomes current; it can go on to the import wizard.
#pragma once

#include <QWizard>

class QLineEdit;
class QRadioButton;
class QCheckBox;

namespace qs::desktop {

class Frame;

class StartupWizard : public QWizard {
    Q_OBJECT
public:
    explicit StartupWizard(Frame& f);
    QRadioButton* mail() const { return mail_; }
    QLineEdit* name() const { return name_; }
    QLineEdit* address() const { return address_; }
    QCheckBox* import_now() const { return import_; }
    // Creates the database and makes it current; 0 when nothing was created (told).
    uint32_t create();
    void accept() override;

private:
    Frame& f_;
    QRadioButton* mail_;
    QRadioButton* forum_;
    QLineEdit* name_;
    QLineEdit* address_;
    QCheckBox* import_;
};

}  // namespace qs::desktop
