// SPDX-License-Identifier: MIT
#include "desktop/find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qs::desktop {

FindBar::FindBar(Session& s, bool mail, std::function<bool(ListContext&)> list,
                 std::function<void(uint32_t)> found)
    : s_(s),
      mail_(mail),
      list_(std::move(list)),
      found_(std::move(found)),
      text_(new QLineEdit),
      case_(new QCheckBox(tr("Match case"))),
      whole_(new QCheckBox(tr("Whole words"))),
      next_(new QPushButton(tr("Find &next"))),
      previous_(new QPushButton(tr("Find pre&vious"))) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Find:")));
    text_->setMaxLength(static_cast<int>(kMaxSearchText));
    row->addWidget(text_, 1);
    row->addWidget(case_);
    row->addWidget(whole_);
    row->addWidget(next_);
    row->addWidget(previous_);
    connect(next_, &QPushButton::clicked, this, [this] { find(false); });
    connect(previous_, &QPushButton::clicked, this, [this] { find(true); });
    connect(text_, &QLineEdit::returnPressed, this, [this] { find(false); });
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &FindBar::advance);
}

FindBar::~FindBar() { search_.reset(); }

void FindBar::find(bool backward) {
    timer_.stop();
    search_.reset();
    ListContext list;
    if (text_->text().isEmpty() || !list_(list)) return;
    SearchOptions o;
    o.text = text_->text().toStdString();
    o.backward = backward;
    o.match_case = case_->isChecked();
    o.whole_words = whole_->isChecked();
    search_ = mail_ ? MailFind(s_, list, o) : FindText(s_, list, o);
    timer_.start();
}

StandardSearch::Result FindBar::advance() {
    if (!search_) return StandardSearch::Result::Done;
    const StandardSearch::Result r = search_->step();
    if (r == StandardSearch::Result::More) return r;
    timer_.stop();
    const uint32_t hit = search_->hit().number;
    search_.reset();
    if (r == StandardSearch::Result::Found) found_(hit);
    return r;
}

StandardSearch::Result FindBar::run() {
    StandardSearch::Result r = StandardSearch::Result::More;
    while (search_ && (r = advance()) == StandardSearch::Result::More) {
    }
    return r;
}

}  // namespace qs::desktop
