// SPDX-License-Identifier: MIT
// Preferences ("UserPanel"): the date formats of lists and trees, the locator's typing interval,
// the pace levels of the long processes, the font of the lists, the colours of marked rows and of
// the thread tree's current message, the format of the thread tree's lines, and whether the
// completion time is shown; kept in the general and display settings of the Control file. The
// windows opened after a save (and at the next start) show them.
#pragma once

#include <QWidget>
#include <array>

#include "desktop/display_prefs.h"

class QComboBox;
class QFontComboBox;
class QSpinBox;
class QCheckBox;
class QPushButton;

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
    QFontComboBox* font() const { return font_; }
    QSpinBox* font_size() const { return font_size_; }
    QComboBox* tree_format() const { return tree_format_; }
    // Colour choice `choice` (0 kept rows, 1 rows to delete, 2 and 3 the thread tree's current
    // line and its background), as the colour dialog sets it.
    void set_colour(size_t choice, const QColor& c);

private:
    void load();

    Session& s_;
    QComboBox* date_format_;
    QComboBox* second_date_format_;
    QSpinBox* locator_;
    std::array<QSpinBox*, 5> pace_;  // items 26 to 30
    QFontComboBox* font_;
    QSpinBox* font_size_;
    QComboBox* tree_format_;
    std::array<QPushButton*, 4> colours_{};
    QCheckBox* completion_time_;
    DisplayLook look_;
};

}  // namespace qs::desktop
