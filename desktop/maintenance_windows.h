// SPDX-License-Identifier: MIT
// The maintenance windows of the current database: "PurgeMess" (purge, with the ageing option,
// and the count) and "Duplicates" (the duplicate person elimination). Each is a form that starts
// its run and then shows the run's progress window inside itself: the step machine advances one
// batch per timer event, Cancel asks whether the counts may stay wrong, and a run stopped
// anywhere leaves the archive consistent (a new run finishes the work).
#pragma once

#include <QWidget>
#include <memory>

#include "maintenance/purge.h"
#include "storage/session.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace qs::desktop {

class Frame;
class LongProcess;
class ProgressWindow;

// The purge (`rq.purge`) or the count of the current database, as a progress window drives it.
std::unique_ptr<LongProcess> purge_process(Session& s, const maint::PurgeRequest& rq);
// The duplicate person elimination of the current database.
std::unique_ptr<LongProcess> duplicates_process(Session& s);

class PurgeWindow : public QWidget {
    Q_OBJECT
public:
    explicit PurgeWindow(Frame& f);

    // The form's ageing option: off, or the threads whose newest message is older than `weeks`
    // (0 stands for 999).
    void set_ageing(bool on, int weeks);
    // Starts the purge (true) or the count (false); the window then shows its progress. nullptr
    // when a run is under way already.
    ProgressWindow* start(bool purge);
    // Lists what a purge with the form's ageing would delete, writing nothing; false after a
    // read failed (told).
    bool list_planned();

    QPlainTextEdit* listing() const { return listing_; }
    ProgressWindow* progress() const { return progress_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    maint::PurgeRequest request(bool purge) const;
    void finished();

    Frame& f_;
    QCheckBox* ageing_;
    QSpinBox* weeks_;
    QPushButton* purge_;
    QPushButton* count_;
    QPushButton* list_;
    QPlainTextEdit* listing_;
    ProgressWindow* progress_ = nullptr;
};

class DuplicatesWindow : public QWidget {
    Q_OBJECT
public:
    explicit DuplicatesWindow(Frame& f);

    // Starts the elimination; nullptr when it is under way already.
    ProgressWindow* start();
    ProgressWindow* progress() const { return progress_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Frame& f_;
    QPushButton* start_;
    ProgressWindow* progress_ = nullptr;
};

// The percentage of a run that is at `step` of the steps its kind of database goes through.
int purge_percent(maint::PurgeStep step, bool purge, bool mail);

}  // namespace qs::desktop
