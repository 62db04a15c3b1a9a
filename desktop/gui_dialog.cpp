// SPDX-License-Identifier: MIT
#include "desktop/gui_dialog.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace qs::desktop {

QString box_text(std::string_view text) {
    QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('|'), QLatin1Char('\n'));
    return t.trimmed();
}

void GuiDialog::message(std::string_view title, std::string_view text) {
    QMessageBox::information(parent_, box_text(title), box_text(text));
}

bool GuiDialog::ask(std::string_view title, std::string_view text, bool default_yes) {
    auto answer = QMessageBox::question(parent_, box_text(title), box_text(text),
                                        QMessageBox::Yes | QMessageBox::No,
                                        default_yes ? QMessageBox::Yes : QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void GuiDialog::beep() { QApplication::beep(); }

std::string GuiDialog::ask_text(std::string_view title, std::string_view prompt) {
    bool ok = false;
    QString text = QInputDialog::getText(parent_, box_text(title), box_text(prompt),
                                         QLineEdit::Normal, QString(), &ok);
    return ok ? text.toStdString() : std::string();
}

}  // namespace qs::desktop
