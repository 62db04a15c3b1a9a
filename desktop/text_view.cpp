// SPDX-License-Identifier: MIT
#include "desktop/text_view.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/attachment_file.h"
#include "app/display_date.h"
#include "desktop/frame.h"
#include "storage/attachments.h"
#include "storage/file_access.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString person_name(Session& s, uint32_t id) {
    OP_CLOSE(s, kOpOpen, {kPerson});
    s.rec.Person = Person{};
    s.rec.Person.PERSONID = id;
    QString name;
    if (id && Get(s, kPerson, keys::PersonKey)) {
        const Person& p = s.rec.Person;
        name = (q(p.FIRSTNAME.view()) + " " + q(p.LASTNAME.view())).trimmed();
        name += " <" + q(p.ADDRESS.view()) + ">";
    }
    OP_CLOSE(s, kOpClose, {kPerson});
    return name.toHtmlEscaped();
}

QString size_text(uint32_t bytes) {
    return bytes < 10240 ? QString::number(bytes) + " B" : QString::number(bytes / 1024) + " KB";
}

}  // namespace

TextView::TextView(Frame& f)
    : f_(f),
      header_(new QLabel),
      text_(new QPlainTextEdit),
      files_(new QListWidget),
      previous_(new QPushButton(tr("&Previous page"))),
      next_(new QPushButton(tr("&Next page"))),
      save_(new QPushButton(tr("Save attachment..."))) {
    setWindowTitle(tr("Message Text"));
    text_->setReadOnly(true);
    text_->setFont(QFont(QStringLiteral("DejaVu Sans Mono")));
    auto* layout = new QVBoxLayout(this);
    header_->setTextFormat(Qt::RichText);
    layout->addWidget(header_);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(text_);
    split->addWidget(files_);
    split->setStretchFactor(0, 4);
    layout->addWidget(split, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(previous_);
    row->addWidget(next_);
    row->addStretch();
    row->addWidget(save_);
    layout->addLayout(row);
    connect(previous_, &QPushButton::clicked, this, [this] { show_page(page_.number - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { show_page(page_.number + 1); });
    connect(save_, &QPushButton::clicked, this, &TextView::save_chosen);
    connect(&f_, &Frame::selectionChanged, this, &TextView::follow);
    follow();
    resize(640, 480);
}

void TextView::follow() {
    const Selection& sel = f_.selection();
    Session& s = f_.session();
    const int32_t format = date_preference(s);
    if (sel.mail) {
        const Mail& m = sel.mail_header;
        header_->setText("<b>From:</b> " + person_name(s, m.FROMID) + "<br><b>To:</b> " +
                         person_name(s, m.TOID) + "<br><b>Date:</b> " +
                         q(display_date(m.DATE, format)) + " " + q(hms_time(m.TIME)));
    } else {
        const MsgNmbr& m = sel.message;
        header_->setText("<b>Number:</b> " + QString::number(m.MSGNUMBER) + "<br><b>From:</b> " +
                         person_name(s, m.FROMID) + "<br><b>To:</b> " + person_name(s, m.TOID) +
                         "<br><b>Date:</b> " + q(display_date(m.DATE, format)));
    }
    read_attachments();
    show_page(1);
}

void TextView::show_page(int page) {
    const Selection& sel = f_.selection();
    if (sel.number == 0) {
        page_ = MessagePage{};
    } else {
        // The subject of the whole text record where the header keeps only its start.
        const std::string subject = sel.mail ? sel.mail_header.SUBJECT.str() : std::string();
        page_ = PageMessage(f_.session(), sel.number, subject, page);
    }
    text_->setPlainText(q(page_.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    previous_->setEnabled(page_.number > 1);
    next_->setEnabled(page_.number < page_.count);
}

void TextView::read_attachments() {
    Session& s = f_.session();
    list_.clear();
    files_->clear();
    const uint32_t number = f_.selection().number;
    if (number) {
        OP_CLOSE(s, kOpOpen, {kAttach});
        if (!AttachmentsOf(s, number, list_)) list_.clear();
        OP_CLOSE(s, kOpClose, {kAttach});
    }
    for (const Attach& a : list_)
        files_->addItem(QStringLiteral("%1  (%2, %3)")
                            .arg(a.FILENAME.blank() ? tr("(no name)") : q(a.FILENAME.view()),
                                 q(a.CONTENTTYPE.view()), size_text(a.SIZE)));
    files_->setVisible(!list_.empty());
    save_->setEnabled(!list_.empty());
    if (!list_.empty()) files_->setCurrentRow(0);
}

bool TextView::save_attachment(int index, const QString& path) {
    if (index < 0 || static_cast<size_t>(index) >= list_.size()) return false;
    Session& s = f_.session();
    const Attach& a = list_[static_cast<size_t>(index)];
    OP_CLOSE(s, kOpOpen, {kAttach, kAttData});
    const Status st = SaveAttachment(s, a, path.toStdString());
    OP_CLOSE(s, kOpClose, {kAttach, kAttData});
    if (!st)
        s.dialog.message("Save attachment", (st.code() == Code::Corrupt
                                                 ? "The attachment is damaged: "
                                                 : path.toStdString() + " cannot be written: ") +
                                                st.text());
    return static_cast<bool>(st);
}

void TextView::save_chosen() {
    const int index = files_->currentRow();
    if (index < 0) return;
    const Attach& a = list_[static_cast<size_t>(index)];
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save attachment"), q(a.FILENAME.view()));
    if (!path.isEmpty()) save_attachment(index, path);
}

QWidget* make_text_view(Frame& f) { return new TextView(f); }

}  // namespace qs::desktop
