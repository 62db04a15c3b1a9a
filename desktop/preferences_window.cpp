// SPDX-License-Identifier: MIT
#include "desktop/preferences_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
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

}  // namespace

PreferencesWindow::PreferencesWindow(Frame& f)
    : s_(f.session()),
      date_format_(new QComboBox),
      second_date_format_(new QComboBox),
      locator_(new QSpinBox),
      font_(new QFontComboBox),
      font_size_(new QSpinBox),
      completion_time_(new QCheckBox(tr("Show the time for completion of long processes"))) {
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
    std::string font = font_->currentFont().family().toStdString();
    v = font_size_->value();
    ok = ok && Konfig(s_, kSetDisplay, item::kFirstFont, &v, &font) &&
         display(item::kShowCompletionTime, completion_time_->isChecked() ? 1 : 0);
    ok = ok && Konfig(s_, kSaveGeneral) && Konfig(s_, kSaveDisplay);
    // The pace values follow the new levels at once.
    if (ok) SpeedVal(s_, kComputePace);
    return ok;
}

QWidget* make_preferences_window(Frame& f) { return new PreferencesWindow(f); }

}  // namespace qs::desktop
