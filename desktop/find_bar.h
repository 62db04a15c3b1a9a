// SPDX-License-Identifier: MIT
// The standard text search of a browse: the next (or previous) message of the list the user sees
// whose subject or text holds a string, with "match case" and "whole words"; a timer advances the
// search a pace of records per event, so the window stays responsive.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/standard_search.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qs::desktop {

class FindBar : public QWidget {
    Q_OBJECT
public:
    // `list` tells the list shown and its current message (nullopt-like: source with key -1 when
    // the list cannot be searched); `found` moves the list to a hit.
    FindBar(Session& s, bool mail, std::function<bool(ListContext&)> list,
            std::function<void(uint32_t)> found);
    ~FindBar() override;
    // Starts a search forwards or backwards; the timer runs it.
    void find(bool backward);
    // Runs the search's steps until it ends, as the timer would; the last result.
    StandardSearch::Result run();
    QLineEdit* text() const { return text_; }
    QCheckBox* match_case() const { return case_; }
    QCheckBox* whole_words() const { return whole_; }

private:
    StandardSearch::Result advance();

    Session& s_;
    bool mail_;
    std::function<bool(ListContext&)> list_;
    std::function<void(uint32_t)> found_;
    QLineEdit* text_;
    QCheckBox* case_;
    QCheckBox* whole_;
    QPushButton* next_;
    QPushButton* previous_;
    QTimer timer_;
    std::unique_ptr<StandardSearch> search_;
};

}  // namespace qs::desktop
