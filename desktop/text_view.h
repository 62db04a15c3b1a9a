// SPDX-License-Identifier: MIT
// The text view: the message or mail selected in the browse, its header lines, its text page by
// page, and the files it carries with "Save attachment...".
#pragma once

#include <QWidget>
#include <vector>

#include "app/message_pages.h"
#include "storage/records.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace qs::desktop {

class Frame;

class TextView : public QWidget {
    Q_OBJECT
public:
    explicit TextView(Frame& f);
    // Shows page `page` of the selected message.
    void show_page(int page);
    // Writes attachment `index` (0 for the first) into `path`; false after telling why not.
    bool save_attachment(int index, const QString& path);

    const MessagePage& page() const { return page_; }
    QPlainTextEdit* text() const { return text_; }
    QListWidget* attachments() const { return files_; }

private:
    void follow();
    void read_attachments();
    void save_chosen();

    Frame& f_;
    QLabel* header_;
    QPlainTextEdit* text_;
    QListWidget* files_;
    QPushButton* previous_;
    QPushButton* next_;
    QPushButton* save_;
    MessagePage page_;
    std::vector<Attach> list_;
};

}  // namespace qs::desktop
