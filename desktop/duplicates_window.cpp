// SPDX-License-Identifier: MIT
// "Duplicates": the duplicate person elimination of the current database in a progress window.
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "desktop/browse_window.h"
#include "desktop/frame.h"
#include "desktop/maintenance_windows.h"
#include "desktop/progress_window.h"
#include "desktop/windows.h"
#include "maintenance/dedupe_persons.h"
#include "storage/file_access.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

// The persons of the current database, the mail database's owner aside, whose stored counts
// say they sent and received nothing (the count process removes them).
uint64_t persons_without_messages(Session& s) {
    OpenFiles open(s, {kPerson});
    const bool mail = s.mem.ForumType == kMailDb;
    uint64_t n = 0;
    Set(s, kPerson, keys::PersonKey);
    while (Next(s, kPerson)) {
        const Person& p = s.rec.Person;
        if (p.FROMCOUNT == 0 && p.TOCOUNT == 0 &&
            !(mail && p.PERSONID == static_cast<uint32_t>(s.mem.PersonID)))
            ++n;
    }
    return n;
}

class DuplicatesProcess : public LongProcess {
public:
    explicit DuplicatesProcess(Session& s)
        : s_(s),
          forum_(s.mem.ForumType == kForumDb),
          run_(s, [this](const std::string& c) { caption_ = QString::fromStdString(c); }) {
        clock_.start();
    }
    bool step() override {
        result_ = run_.step();
        if (result_ == DuplicatePersons::Result::Done) without_ = persons_without_messages(s_);
        return result_ == DuplicatePersons::Result::More;
    }
    int percent() const override {
        static const int order[] = {50, 2, 11, 3, 4, 5, 7};
        if (result_ == DuplicatePersons::Result::Done) return 100;
        const int* at = std::find(std::begin(order), std::end(order), run_.state());
        return static_cast<int>(100 * (at - std::begin(order)) / std::size(order));
    }
    QString caption() const override { return caption_; }
    // The run asks its own question before its next batch; a No lets that batch run.
    bool cancel() override {
        run_.stop();
        return !step();
    }
    QString result() const override;
    int64_t seconds() const override { return clock_.elapsed() / 1000; }

private:
    Session& s_;
    bool forum_;
    uint64_t without_ = 0;  // persons left without a message, after the run
    QString caption_;
    DuplicatePersons run_;
    DuplicatePersons::Result result_ = DuplicatePersons::Result::More;
    QElapsedTimer clock_;
};

QString DuplicatesProcess::result() const {
    const DedupeTotals& t = run_.totals();
    switch (result_) {
        case DuplicatePersons::Result::Failed:
            return QObject::tr(
                "The duplicate elimination stopped on a failure. What it committed "
                "stays; running it again finishes the work.");
        case DuplicatePersons::Result::Stopped:
            return QObject::tr(
                       "The duplicate elimination was stopped after %1 duplicate persons. "
                       "Message counts are wrong until Count Messages runs; running the "
                       "elimination again finishes the work.")
                .arg(t.duplicates);
        default: break;
    }
    // Whoever is neither merged away nor remaining was removed for want of messages.
    const uint64_t kept = t.duplicates + t.remaining;
    const uint64_t removed = t.persons_before > kept ? t.persons_before - kept : 0;
    QStringList lines = {
        QObject::tr("The Duplicate Removal Process has finished!"),
        QObject::tr("Number of persons before duplicate elimination: %1").arg(t.persons_before),
        QObject::tr("Number of persons without related messages: %1").arg(without_),
        QObject::tr("Number of duplicate persons: %1").arg(t.duplicates),
        QObject::tr("Number of remaining persons: %1").arg(t.remaining)};
    if (forum_)
        lines << QObject::tr("Existing Forum Members in database: %1").arg(t.persons_before)
              << QObject::tr("Obsolete Forum Members removed: %1").arg(removed);
    return lines.join('\n');
}

}  // namespace

std::unique_ptr<LongProcess> duplicates_process(Session& s) {
    return std::make_unique<DuplicatesProcess>(s);
}

DuplicatesWindow::DuplicatesWindow(Frame& f)
    : f_(f), start_(new QPushButton(tr("Start the duplicate elimination process"))) {
    Session& s = f.session();
    setWindowTitle(QString::fromStdString(DuplicatePersons::title(s)).trimmed());
    auto* layout = new QVBoxLayout(this);
    if (s.mem.ForumType == kForumDb)
        layout->addWidget(new QLabel(tr("Merge Duplicate Forum Members")));
    layout->addWidget(start_, 0, Qt::AlignLeft);
    connect(start_, &QPushButton::clicked, this, [this] { start(); });
}

ProgressWindow* DuplicatesWindow::start() {
    if (progress_) return nullptr;
    start_->setEnabled(false);
    progress_ = new ProgressWindow(windowTitle(), duplicates_process(f_.session()));
    layout()->addWidget(progress_);
    progress_->installEventFilter(this);
    // The person browse lists the survivors only.
    connect(progress_, &ProgressWindow::done, this, [this] {
        if (auto* b = qobject_cast<BrowseWindow*>(f_.running(QStringLiteral("BrowsePerson"))))
            b->refresh();
    });
    return progress_;
}

bool DuplicatesWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == progress_ && event->type() == QEvent::Close) close_window(this);
    return QWidget::eventFilter(watched, event);
}

QWidget* make_duplicates_window(Frame& f) { return new DuplicatesWindow(f); }

}  // namespace qs::desktop
