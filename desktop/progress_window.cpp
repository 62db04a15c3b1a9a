// SPDX-License-Identifier: MIT
#include "desktop/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qs::desktop {

ProgressWindow::ProgressWindow(const QString& title, std::unique_ptr<LongProcess> process)
    : process_(std::move(process)),
      caption_(new QLabel),
      bar_(new QProgressBar),
      result_(new QLabel),
      button_(new QPushButton(tr("Cancel"))) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    caption_->setMinimumWidth(420);
    layout->addWidget(caption_);
    layout->addWidget(bar_);
    result_->setWordWrap(true);
    layout->addWidget(result_);
    layout->addWidget(button_, 0, Qt::AlignRight);
    bar_->setRange(0, 100);
    connect(button_, &QPushButton::clicked, this, [this] {
        if (finished_)
            close();
        else
            cancel();
    });
    // A zero timer fires whenever the event queue is empty: one batch per event loop pass.
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &ProgressWindow::advance);
    timer_.start();
}

bool ProgressWindow::advance() {
    if (finished_) return false;
    const bool more = process_->step();
    caption_->setText(process_->caption());
    bar_->setValue(process_->percent());
    if (!more) finish();
    return more;
}

void ProgressWindow::cancel() {
    // The question is asked from inside a timer event: no batch runs while it is open.
    timer_.stop();
    if (process_->cancel())
        finish();
    else
        timer_.start();
}

void ProgressWindow::finish() {
    timer_.stop();
    finished_ = true;
    bar_->setValue(process_->percent());
    result_->setText(process_->result() + "\n" + tr("The time for completion was: ") +
                     QString::number(process_->seconds()));
    button_->setText(tr("Close"));
    Q_EMIT done();
}

}  // namespace qs::desktop
