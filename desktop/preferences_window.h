// SPDX-License-Identifier: MIT
// Preferences ("UserPanel"): the date formats of lists and trees, the locator's typing interval,
// the pace levels of the long processes, the font of the lists, and whether the completion time
// is shown; kept in the general and display settings of the Control file.
#pragma once

#include <QWidget>
#include <array>

class QComboBox;
class QFontComboBox;
class QSpinBox;
class QCheckBox;

namespace qs {
class Session;
}

namespace qs::desktop {

class Frame;

class PreferencesWindow : public QWidget {
    Q_OBJECT
public:
    explicit PreferencesWindow(Frame& f);
    // Stores every item and saves both records; false when a save failed (told).
    bool save();

    QComboBox* date_format() const { return date_format_; }
    QSpinBox* pace(int item) const { return pace_[static_cast<size_t>(item - 26)]; }

private:
    void load();

    Session& s_;
    QComboBox* date_format_;
    QComboBox* second_date_format_;
    QSpinBox* locator_;
    std::array<QSpinBox*, 5> pace_;  // items 26 to 30
    QFontComboBox* font_;
    QSpinBox* font_size_;
    QCheckBox* completion_time_;
};

}  // namespace qs::desktop
