// SPDX-License-Identifier: MIT
// "PurgeMess": the purge and the count of the current database in a progress window.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "desktop/browse_window.h"
#include "desktop/frame.h"
#include "desktop/maintenance_windows.h"
#include "desktop/progress_window.h"
#include "desktop/windows.h"
#include "storage/file_access.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

// Stopping a purge or a count between batches keeps what was committed, but the counts of what
// it had not reached yet stay as they were.
constexpr const char* kStopText =
    "Stopping at this stage will cause message counts \r\nto be incorrect.\r\nIf you do quit, "
    "please run the Count Messages process to correct the numbers! Are you sure you want to "
    "quit?";

QString q(const std::string& text) { return QString::fromStdString(text).trimmed(); }

// The mail partners of the current mail database: the persons on the other side of its mails.
uint64_t count_mail_partners(Session& s) {
    OpenFiles open(s, {kMail});
    std::unordered_set<uint32_t> partners;
    Set(s, kMail, keys::PairKey);
    while (Next(s, kMail))
        if (s.rec.Mail.PAIRID != 0) partners.insert(s.rec.Mail.PAIRID);
    return partners.size();
}

class PurgeProcess : public LongProcess {
public:
    PurgeProcess(Session& s, const maint::PurgeRequest& rq)
        : s_(s), rq_(rq), run_(s, rq, [this](const std::string& c) { caption_ = q(c); }) {
        clock_.start();
    }
    bool step() override {
        result_ = run_.step();
        if (result_ == maint::Purge::Result::Done && !rq_.purge && s_.mem.ForumType == kMailDb)
            partners_ = count_mail_partners(s_);
        return result_ == maint::Purge::Result::More;
    }
    int percent() const override {
        if (result_ == maint::Purge::Result::Done) return 100;
        return purge_percent(run_.current(), rq_.purge, s_.mem.ForumType == kMailDb);
    }
    QString caption() const override { return caption_; }
    bool cancel() override {
        if (!s_.quiet() && !s_.dialog.ask(maint::purge_title(s_, rq_.purge), kStopText, true))
            return false;
        run_.cancel();
        result_ = run_.step();
        return true;
    }
    QString result() const override;
    int64_t seconds() const override {
        const bool whole = result_ == maint::Purge::Result::Done && !run_.cancelled();
        return whole ? run_.outcome().seconds : clock_.elapsed() / 1000;
    }
    bool database_removed() const { return run_.outcome().database_removed; }

private:
    QString totals() const;

    Session& s_;
    maint::PurgeRequest rq_;
    QString caption_;
    maint::Purge run_;
    maint::Purge::Result result_ = maint::Purge::Result::More;
    uint64_t partners_ = 0;  // of a mail database, after a count
    QElapsedTimer clock_;
};

QString PurgeProcess::result() const {
    const maint::PurgeOutcome& o = run_.outcome();
    if (o.database_removed) return QObject::tr("The database was removed with all its messages.");
    if (o.declined)
        return QObject::tr("The database is marked for deletion and was kept: nothing was purged.");
    const QString what = rq_.purge ? QObject::tr("purge") : QObject::tr("count");
    if (result_ == maint::Purge::Result::Failed)
        return QObject::tr(
                   "The %1 stopped on a failure. What it committed stays; running it "
                   "again finishes the work.")
            .arg(what);
    if (run_.cancelled())
        return QObject::tr(
                   "The %1 was stopped after %2 messages were deleted. Message counts may "
                   "be wrong until Count Messages runs; running the %1 again finishes "
                   "the work.")
            .arg(what)
            .arg(o.deleted.size());
    return totals();
}

// The window's display fields at the end of the run.
QString PurgeProcess::totals() const {
    const maint::PurgeOutcome& o = run_.outcome();
    const bool mail = s_.mem.ForumType == kMailDb;
    QStringList lines;
    if (rq_.purge) {
        lines << QObject::tr("Obsolete Message Purging")
              << QObject::tr("Messages before purging: %1").arg(o.before)
              << QObject::tr("Deleted during this session: %1").arg(o.deleted.size())
              << QObject::tr("Messages after purging: %1").arg(o.after);
        if (!mail) lines << QObject::tr("Number of threads in database: %1").arg(o.threads);
        return lines.join('\n');
    }
    lines << QObject::tr("Count Messages") << QObject::tr("Number of messages: %1").arg(o.after);
    if (!mail) lines << QObject::tr("Number of threads: %1").arg(o.threads);
    if (mail) lines << QObject::tr("Number of mailpartners: %1").arg(partners_);
    lines << (mail ? QObject::tr("Number of persons: %1")
                   : QObject::tr("Number of Forum members: %1"))
                 .arg(o.persons);
    return lines.join('\n');
}

}  // namespace

std::unique_ptr<LongProcess> purge_process(Session& s, const maint::PurgeRequest& rq) {
    return std::make_unique<PurgeProcess>(s, rq);
}

PurgeWindow::PurgeWindow(Frame& f)
    : f_(f),
      ageing_(new QCheckBox(tr("Purge threads older than (weeks):"))),
      weeks_(new QSpinBox),
      purge_(new QPushButton(tr("Start the purging process"))),
      count_(new QPushButton(tr("Count Messages"))),
      list_(new QPushButton(tr("List what would be deleted"))),
      listing_(new QPlainTextEdit) {
    setWindowTitle(q(maint::purge_title(f.session(), true)));
    weeks_->setRange(0, 65535);
    weeks_->setValue(52);
    listing_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    auto* age = new QHBoxLayout;
    age->addWidget(ageing_);
    age->addWidget(weeks_);
    age->addStretch();
    layout->addLayout(age);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {purge_, count_, list_}) buttons->addWidget(b);
    layout->addLayout(buttons);
    layout->addWidget(listing_);
    connect(purge_, &QPushButton::clicked, this, [this] { start(true); });
    connect(count_, &QPushButton::clicked, this, [this] { start(false); });
    connect(list_, &QPushButton::clicked, this, [this] { list_planned(); });
}

void PurgeWindow::set_ageing(bool on, int weeks) {
    ageing_->setChecked(on);
    weeks_->setValue(weeks);
}

maint::PurgeRequest PurgeWindow::request(bool purge) const {
    maint::PurgeRequest rq;
    rq.purge = purge;
    rq.ageing = purge && ageing_->isChecked();
    if (rq.ageing) rq.weeks = static_cast<uint16_t>(weeks_->value());
    return rq;
}

ProgressWindow* PurgeWindow::start(bool purge) {
    if (progress_) return nullptr;
    setWindowTitle(q(maint::purge_title(f_.session(), purge)));
    for (QWidget* w : std::initializer_list<QWidget*>{ageing_, weeks_, purge_, count_, list_})
        w->setEnabled(false);
    listing_->hide();
    progress_ = new ProgressWindow(windowTitle(), purge_process(f_.session(), request(purge)));
    layout()->addWidget(progress_);
    // Its Close button closes this window.
    progress_->installEventFilter(this);
    connect(progress_, &ProgressWindow::done, this, &PurgeWindow::finished);
    return progress_;
}

// The open browse shows what is left; a removed database takes its windows with it, this one
// included, once this event is over.
void PurgeWindow::finished() {
    if (static_cast<PurgeProcess&>(progress_->process()).database_removed()) {
        Frame* f = &f_;
        QTimer::singleShot(0, f, [f] { f->database_changed(); });
        return;
    }
    for (const char* name : {"BrowseMail", "BrowseMsgNmbr"})
        if (auto* b = qobject_cast<BrowseWindow*>(f_.running(QLatin1String(name)))) b->refresh();
}

bool PurgeWindow::list_planned() {
    Session& s = f_.session();
    maint::PurgePlan plan;
    if (!maint::plan_purge(s, request(true), plan)) return false;
    const bool mail = s.mem.ForumType == kMailDb;
    QStringList lines;
    if (s.mem.ForumCheck == 2) {
        lines << tr(
            "The database is marked for deletion: the purge asks to remove it with all "
            "its messages.");
    } else {
        const auto& marked = mail ? plan.duplicates : plan.aged_threads;
        for (uint32_t id : marked)
            lines << (mail ? tr("duplicate %1") : tr("aged thread %1")).arg(id);
        for (uint32_t id : plan.messages)
            lines << (mail ? tr("mail %1") : tr("message %1")).arg(id);
        lines << (mail ? tr("%1 mails would be deleted") : tr("%1 messages would be deleted"))
                     .arg(plan.messages.size());
    }
    listing_->setPlainText(lines.join('\n'));
    return true;
}

bool PurgeWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == progress_ && event->type() == QEvent::Close) close_window(this);
    return QWidget::eventFilter(watched, event);
}

QWidget* make_purge_window(Frame& f) { return new PurgeWindow(f); }

}  // namespace qs::desktop
