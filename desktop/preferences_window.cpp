// SPDX-License-Identifier: MIT
#include "desktop/preferences_window.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include "app/display_date.h"
#include "desktop/frame.h"
#include "desktop/windows.h"
#include "storage/config.h"

namespace qs::desktop {

namespace {

void add_date_formats(QComboBox* box) {
    const std::pair<const char*, int> formats[] = {{"mm-dd-yyyy", kMonthDayYear},
                                                   {"dd-mm-yyyy", kDayMonthYear},
                                                   {"yyyy-mm-dd", kYearMonthDay},
                                                   {"Windows setting", kSystemShortDate}};
    for (const auto& [name, code] : formats) box->addItem(QString::fromLatin1(name), code);
}

const char* const kPaceNames[] = {"Duplicate elimination", "Purge and merge", "Word indexing",
                                  "Standard text search", "Import"};

// The choices of "Format of thread tree items", by their numbers 1 to 5.
const char* const kTreeFormats[] = {"SenderName", "SenderName MsgNumber", "SenderName MsgDate",
                                    "SenderName MsgNumber MsgDate", "SenderName MsgDate MsgNumber"};

struct ColourChoice {
    const char* label;
    QColor DisplayLook::*colour;
};
const ColourChoice kColours[] = {
    {"Messages marked Keep", &DisplayLook::keep_colour},
    {"Messages marked Delete", &DisplayLook::delete_colour},
    {"Current message in the thread tree", &DisplayLook::tree_current_colour},
    {"Its background", &DisplayLook::tree_current_back},
};

void paint_button(QPushButton* b, const QColor& c) {
    b->setText(c.name());
    b->setStyleSheet(QStringLiteral("background-color: %1").arg(c.name()));
}

}  // namespace

PreferencesWindow::PreferencesWindow(Frame& f)
    : s_(f.session()),
      date_format_(new QComboBox),
      second_date_format_(new QComboBox),
      locator_(new QSpinBox),
      font_(new QFontComboBox),
      font_size_(new QSpinBox),
      tree_format_(new QComboBox),
      completion_time_(new QCheckBox(tr("Show the time for completion of long processes"))),
      look_(read_look(f.session())) {
    setWindowTitle(tr("Preferences"));
    auto* form = new QFormLayout(this);
    add_date_formats(date_format_);
    add_date_formats(second_date_format_);
    form->addRow(tr("Date format"), date_format_);
    form->addRow(tr("Second date format"), second_date_format_);
    locator_->setRange(1, 35);
    locator_->setSuffix(tr(" tenths of a second"));
    form->addRow(tr("Typing interval of list locators"), locator_);
    for (size_t i = 0; i < pace_.size(); ++i) {
        pace_[i] = new QSpinBox;
        pace_[i]->setRange(1, 7);
        form->addRow(tr("Pace of %1 (1 slow machine - 7 fast)").arg(tr(kPaceNames[i])), pace_[i]);
    }
    font_size_->setRange(6, 36);
    form->addRow(tr("List font"), font_);
    form->addRow(tr("List font size"), font_size_);
    for (int i = 0; i < 5; ++i) tree_format_->addItem(QString::fromLatin1(kTreeFormats[i]), i + 1);
    form->addRow(tr("Format of thread tree items"), tree_format_);
    for (size_t i = 0; i < std::size(kColours); ++i) {
        colours_[i] = new QPushButton;
        form->addRow(tr(kColours[i].label), colours_[i]);
        connect(colours_[i], &QPushButton::clicked, this, [this, i] {
            const QColor c = QColorDialog::getColor(look_.*kColours[i].colour, this);
            if (c.isValid()) set_colour(i, c);
        });
    }
    form->addRow(QString(), completion_time_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (save()) close_window(this);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { close_window(this); });
    load();
}

void PreferencesWindow::load() {
    int32_t v = 0;
    auto general = [&](int item) {
        return Konfig(s_, kGetGeneral, item, &v) ? v : 0;
    };
    auto display = [&](int item) {
        return Konfig(s_, kGetDisplay, item, &v) ? v : 0;
    };
    date_format_->setCurrentIndex(date_format_->findData(general(item::kDateFormat)));
    second_date_format_->setCurrentIndex(
        second_date_format_->findData(general(item::kSecondDateFormat)));
    locator_->setValue(general(item::kLocatorTenths));
    for (size_t i = 0; i < pace_.size(); ++i)
        pace_[i]->setValue(display(item::kPaceDuplicates + static_cast<int>(i)));
    std::string font;
    v = 0;
    if (Konfig(s_, kGetDisplay, item::kFirstFont, &v, &font)) {
        font_->setCurrentFont(QFont(QString::fromStdString(font)));
        font_size_->setValue(v);
    }
    completion_time_->setChecked(display(item::kShowCompletionTime) != 0);
    tree_format_->setCurrentIndex(std::max(tree_format_->findData(look_.tree_format), 0));
    for (size_t i = 0; i < std::size(kColours); ++i) set_colour(i, look_.*kColours[i].colour);
}

void PreferencesWindow::set_colour(size_t choice, const QColor& c) {
    look_.*kColours[choice].colour = c;
    paint_button(colours_[choice], c);
}

bool PreferencesWindow::save() {
    int32_t v = 0;
    auto general = [&](int item, int32_t value) {
        return Konfig(s_, kSetGeneral, item, &(v = value));
    };
    auto display = [&](int item, int32_t value) {
        return Konfig(s_, kSetDisplay, item, &(v = value));
    };
    bool ok = general(item::kDateFormat, date_format_->currentData().toInt()) &&
              general(item::kSecondDateFormat, second_date_format_->currentData().toInt()) &&
              general(item::kLocatorTenths, locator_->value());
    for (size_t i = 0; i < pace_.size() && ok; ++i)
        ok = display(item::kPaceDuplicates + static_cast<int>(i), pace_[i]->value());
    look_.list_font = font_->currentFont();
    look_.list_font.setPointSize(font_size_->value());
    look_.tree_format = tree_format_->currentData().toInt();
    ok = ok && set_look(s_, look_) &&
         display(item::kShowCompletionTime, completion_time_->isChecked() ? 1 : 0);
    ok = ok && Konfig(s_, kSaveGeneral) && Konfig(s_, kSaveDisplay);
    // The pace values follow the new levels at once.
    if (ok) SpeedVal(s_, kComputePace);
    return ok;
}

QWidget* make_preferences_window(Frame& f) { return new PreferencesWindow(f); }

}  // namespace qs::desktop
