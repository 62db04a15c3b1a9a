// SPDX-License-Identifier: MIT
// The progress window of a long process: a timer advances the process's step machine one batch
// per event, so the frame stays responsive; the window shows the process's caption and how far
// it got, offers Cancel (the process asks its own question), and at the end shows its result and
// "The time for completion was: " with the seconds.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qs::desktop {

// What a progress window drives.
class LongProcess {
public:
    virtual ~LongProcess() = default;
    // One batch; false once the process is over (completed or not).
    virtual bool step() = 0;
    virtual int percent() const = 0;
    virtual QString caption() const = 0;
    // Asks the user and stops; true when the process stopped.
    virtual bool cancel() = 0;
    // What the window shows at the end.
    virtual QString result() const = 0;
    virtual int64_t seconds() const = 0;
};

class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    ProgressWindow(const QString& title, std::unique_ptr<LongProcess> process);
    // Runs one batch, as the timer does; false once the process is over.
    bool advance();
    bool finished() const { return finished_; }
    LongProcess& process() { return *process_; }
    QLabel* result_label() const { return result_; }

Q_SIGNALS:
    void done();

private:
    void cancel();
    void finish();

    std::unique_ptr<LongProcess> process_;
    QTimer timer_;
    QLabel* caption_;
    QProgressBar* bar_;
    QLabel* result_;
    QPushButton* button_;
    bool finished_ = false;
};

}  // namespace qs::desktop
