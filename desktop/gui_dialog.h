// SPDX-License-Identifier: MIT
// The dialogs of the desktop program: every message and question of the system as a message box
// over the frame. A "|" in a text starts a new line.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/dialog.h"

namespace qs::desktop {

class GuiDialog : public Dialog {
public:
    // The boxes open over `parent` (the frame, once it exists).
    void set_parent(QWidget* parent) { parent_ = parent; }
    void message(std::string_view title, std::string_view text) override;
    bool ask(std::string_view title, std::string_view text, bool default_yes) override;
    void beep() override;
    std::string ask_text(std::string_view title, std::string_view prompt) override;

private:
    QPointer<QWidget> parent_;
};

// A text of the system as a box shows it: "|" and "\r\n" become line breaks.
QString box_text(std::string_view text);

}  // namespace qs::desktop
