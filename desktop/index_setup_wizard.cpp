// SPDX-License-Identifier: MIT
#include "desktop/index_setup_wizard.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <climits>

#include "desktop/frame.h"
#include "desktop/windows.h"
#include "platform/text.h"
#include "wordindex/word_sets.h"

namespace qs::desktop {

namespace {

QWizardPage* make_page(const QString& title, QLayout* layout) {
    auto* p = new QWizardPage;
    p->setTitle(title);
    p->setLayout(layout);
    return p;
}

QCheckBox* check(const char* text, bool on) {
    auto* box = new QCheckBox(QString::fromLatin1(text));
    box->setChecked(on);
    return box;
}

// The character of a row of the tables, as the code page the tables were made for draws it.
QString character_of(int row) {
    if (row < 32 || row == 127) return {};
    const char32_t cp = cp1252_code_point(static_cast<unsigned char>(row));
    return QString::fromUcs4(&cp, 1);
}

}  // namespace

IndexSetupWizard::IndexSetupWizard(Frame& f, const words::WordIndexSetup& setup)
    : f_(f),
      list_(words::WordRules::from(f.session().settings)),
      set_name_(words::kCurrentSelection),
      pause_value_(setup.pause_count),
      numbers_(check(" Index Numbers", setup.index_numbers != 0)),
      forum_footers_(check(" Forum messages", setup.forum_footers == 0)),
      news_footers_(check(" Newsgroup messages", setup.news_footers == 0)),
      mail_stop_(check(" Mail databases", setup.mail_stop != 0)),
      forum_stop_(check(" Forum databases", setup.forum_stop != 0)),
      news_stop_(check(" Newsgroup databases", setup.news_stop != 0)),
      chars_(new QTableWidget(256, 4)),
      sets_(new QListWidget),
      pause_(new QSpinBox) {
    setWindowTitle(QStringLiteral("Word Index Setup Wizard"));
    setButtonText(QWizard::FinishButton, QStringLiteral("&Finish"));
    for (QWizardPage* p :
         {welcome_page(), numbers_page(), footers_page(), rules_page(), stop_page(), pause_page()})
        addPage(p);
    resize(620, 520);
}

QWizardPage* IndexSetupWizard::welcome_page() {
    auto* layout = new QVBoxLayout;
    layout->addWidget(
        new QLabel(tr("This wizard sets how the word index of your databases is "
                      "built and searched.")));
    layout->addWidget(new QLabel(QStringLiteral("Mail, Forum and Newsgroup databases")));
    layout->addWidget(new QLabel(QStringLiteral("currently indexed for VEV Search:")));
    auto* count = new QLabel(QString::number(words::CountIndexedDatabases(f_.session())));
    count->setObjectName(QStringLiteral("IndexedCount"));
    layout->addWidget(count);
    layout->addStretch();
    return make_page(QStringLiteral("Word Index Setup Wizard"), layout);
}

QWizardPage* IndexSetupWizard::numbers_page() {
    auto* layout = new QVBoxLayout;
    layout->addWidget(numbers_);
    layout->addStretch();
    return make_page(QStringLiteral(" Index Numbers"), layout);
}

QWizardPage* IndexSetupWizard::footers_page() {
    auto* layout = new QVBoxLayout;
    layout->addWidget(forum_footers_);
    layout->addWidget(news_footers_);
    layout->addStretch();
    return make_page(QStringLiteral(" Do not index signature blocks/footers"), layout);
}

QWizardPage* IndexSetupWizard::rules_page() {
    chars_->setHorizontalHeaderLabels({QStringLiteral("ASCII"), QStringLiteral("Start"),
                                       QStringLiteral("Inside"), QStringLiteral("End")});
    chars_->verticalHeader()->hide();
    chars_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    chars_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    chars_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int r = 0; r < 256; ++r) fill_row(r);
    connect(chars_, &QTableWidget::cellClicked, this, &IndexSetupWizard::click);
    sets_->addItem(QString::fromLatin1(words::kCurrentSelection));
    if (words::ShipWordSets(f_.session()))
        for (const words::SavedSet& set : words::ListWordSets(f_.session()))
            sets_->addItem(QString::fromStdString(set.name));
    sets_->setCurrentRow(0);
    connect(sets_, &QListWidget::currentTextChanged, this, &IndexSetupWizard::show_set);
    auto* save = new QPushButton(QStringLiteral("Save && Reindex"));
    connect(save, &QPushButton::clicked, this, &IndexSetupWizard::save_and_reindex);
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Saved Sets")));
    side->addWidget(sets_);
    side->addWidget(save);
    auto* layout = new QHBoxLayout;
    layout->addWidget(chars_, 2);
    layout->addLayout(side, 1);
    return make_page(QStringLiteral("Rules for forming words."), layout);
}

QWizardPage* IndexSetupWizard::stop_page() {
    auto* layout = new QVBoxLayout;
    for (QCheckBox* b : {mail_stop_, forum_stop_, news_stop_}) layout->addWidget(b);
    layout->addStretch();
    return make_page(QStringLiteral(" Automatically add common words to stop list"), layout);
}

QWizardPage* IndexSetupWizard::pause_page() {
    pause_->setRange(0, INT_MAX);
    pause_->setValue(pause_value_);
    // A count below 1000 gives back the one before.
    connect(pause_, &QSpinBox::editingFinished, this, [this] {
        pause_value_ = words::PauseCount(pause_->value(), pause_value_);
        pause_->setValue(pause_value_);
    });
    auto* layout = new QVBoxLayout;
    layout->addWidget(new QLabel(QStringLiteral("after scanning this many records:")));
    layout->addWidget(pause_);
    layout->addStretch();
    return make_page(QStringLiteral("Pause and ask to continue"), layout);
}

// A cell shows whether the character may start, stand inside or end a word.
void IndexSetupWizard::fill_row(int row) {
    static const char* const kWords[] = {"Indexed", "Not indexed"};
    const QIcon yes = style()->standardIcon(QStyle::SP_DialogApplyButton);
    const QIcon no = style()->standardIcon(QStyle::SP_DialogCancelButton);
    const auto r = static_cast<size_t>(row);
    chars_->setItem(row, 0,
                    new QTableWidgetItem(QStringLiteral("%1  %2").arg(row).arg(character_of(row))));
    const uint8_t cells[] = {list_.start[r], list_.inside[r], list_.end[r]};
    for (int c = 0; c < 3; ++c) {
        const bool off = cells[c] != 0;
        auto* item = new QTableWidgetItem(off ? no : yes, QString::fromLatin1(kWords[off]));
        chars_->setItem(row, c + 1, item);
    }
}

void IndexSetupWizard::show_set(const QString& name) {
    set_name_ = name.toStdString();
    list_ = words::ReadWordSet(f_.session(), set_name_);
    for (int r = 0; r < 256; ++r) fill_row(r);
}

void IndexSetupWizard::click(int row, int column) {
    if (row < 0 || row > 255) return;
    const auto c = static_cast<uint8_t>(row);
    switch (column) {
        case 1: words::ToggleStart(list_, c); break;
        case 2: words::ToggleInside(list_, c); break;
        case 3: words::ClickEnd(list_, c); break;
        default: return;
    }
    fill_row(row);
}

words::SaveResult IndexSetupWizard::save_and_reindex() {
    return words::SaveAndReindex(f_.session(), list_, set_name_);
}

words::WordIndexSetup IndexSetupWizard::setup() const {
    words::WordIndexSetup v;
    v.index_numbers = numbers_->isChecked() ? 1 : 0;
    v.pause_count = words::PauseCount(pause_->value(), pause_value_);
    // The page asks which footers are left out: a tick means "do not index".
    v.forum_footers = forum_footers_->isChecked() ? 0 : 1;
    v.news_footers = news_footers_->isChecked() ? 0 : 1;
    v.mail_stop = mail_stop_->isChecked() ? 1 : 0;
    v.forum_stop = forum_stop_->isChecked() ? 1 : 0;
    v.news_stop = news_stop_->isChecked() ? 1 : 0;
    return v;
}

bool IndexSetupWizard::finish() { return words::FinishSetup(f_.session(), setup()); }

void IndexSetupWizard::accept() {
    if (finish()) QWizard::accept();
}

QWidget* make_index_setup_wizard(Frame& f) {
    words::WordIndexSetup setup;
    if (!words::OpenSetup(f.session(), setup)) return nullptr;
    auto* w = new IndexSetupWizard(f, setup);
    QObject::connect(w, &QWizard::finished, w, [w] { close_window(w); });
    return w;
}

}  // namespace qs::desktop
