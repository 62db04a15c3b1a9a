// SPDX-License-Identifier: MIT
// Word indexing of the current database ("AutoIndex") in a progress window: one pass of message
// texts per timer event. The frame refuses to close while it runs.
#include <QElapsedTimer>
#include <QObject>

#include "desktop/frame.h"
#include "desktop/progress_window.h"
#include "desktop/windows.h"
#include "wordindex/index_status.h"
#include "wordindex/indexer.h"

namespace qs::desktop {

namespace {

class IndexProcess : public LongProcess {
public:
    IndexProcess(Session& s, const words::IndexRequest& rq)
        : indexer_(s, rq,
                   {[this](const std::string& c) { caption_ = QString::fromStdString(c); }, {}}) {
        clock_.start();
    }
    bool step() override {
        result_ = indexer_.step();
        return result_ == words::Indexer::Result::More;
    }
    int percent() const override { return indexer_.percent(); }
    QString caption() const override { return caption_; }
    // What was read is written before the run ends; the next run takes the rest.
    bool cancel() override {
        indexer_.cancel();
        return false;  // the run ends at its next step
    }
    QString result() const override {
        if (indexer_.result() != words::kIndexFinished)
            return QObject::tr("Indexing did not finish.");
        const words::IndexOutcome& o = indexer_.outcome();
        return QObject::tr("Indexing finished!") + "\n" +
               QObject::tr("%1 messages tokenized, %2 word entries, %3 new words")
                   .arg(o.tokenized)
                   .arg(o.pairs)
                   .arg(o.new_words);
    }
    int64_t seconds() const override { return clock_.elapsed() / 1000; }

private:
    words::Indexer indexer_;
    words::Indexer::Result result_ = words::Indexer::Result::More;
    QString caption_;
    QElapsedTimer clock_;
};

}  // namespace

std::unique_ptr<LongProcess> index_process(Session& s) {
    words::IndexRequest rq;
    rq.type = s.mem.ForumType;
    rq.per_pass = words::messages_per_pass(s);
    return std::make_unique<IndexProcess>(s, rq);
}

QWidget* make_index_window(Frame& f) {
    Session& s = f.session();
    const uint8_t status = words::WSIndexFixup(s);
    if (status == words::kNothingToIndex || status == words::kIndexUnreadable) {
        s.dialog.message(words::index_title(s), words::index_status_text(status));
        return nullptr;
    }
    return new ProgressWindow(QString::fromStdString(words::index_title(s)), index_process(s));
}

}  // namespace qs::desktop
