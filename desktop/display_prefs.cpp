// SPDX-License-Identifier: MIT
#include "desktop/display_prefs.h"

#include <QApplication>

#include "storage/config.h"

namespace qs::desktop {

QColor colour_of(int32_t rgb) {
    const auto v = static_cast<uint32_t>(rgb);
    return QColor(static_cast<int>(v & 0xff), static_cast<int>((v >> 8) & 0xff),
                  static_cast<int>((v >> 16) & 0xff));
}

int32_t rgb_of(const QColor& c) {
    return static_cast<int32_t>(static_cast<uint32_t>(c.red()) |
                                static_cast<uint32_t>(c.green()) << 8 |
                                static_cast<uint32_t>(c.blue()) << 16);
}

DisplayLook read_look(Session& s) {
    DisplayLook l;
    auto item = [&s](int number) {
        int32_t v = 0;
        return Konfig(s, kGetDisplay, number, &v) ? v : 0;
    };
    l.delete_colour = colour_of(item(look::kDeleteColour));
    l.tree_current_back = colour_of(item(look::kTreeCurrentBack));
    l.keep_colour = colour_of(item(look::kKeepColour));
    l.tree_current_colour = colour_of(item(look::kTreeCurrentColour));
    l.tree_format = item(look::kTreeFormat);
    l.list_font = QApplication::font();
    int32_t size = 0;
    std::string name;
    if (Konfig(s, kGetDisplay, look::kListFont, &size, &name)) {
        const QString family = QString::fromStdString(name).trimmed();
        if (!family.isEmpty()) l.list_font.setFamily(family);
        if (size > 0) l.list_font.setPointSize(size);
    }
    return l;
}

bool set_look(Session& s, const DisplayLook& l) {
    const std::pair<int, int32_t> numbers[] = {
        {look::kDeleteColour, rgb_of(l.delete_colour)},
        {look::kTreeCurrentBack, rgb_of(l.tree_current_back)},
        {look::kKeepColour, rgb_of(l.keep_colour)},
        {look::kTreeCurrentColour, rgb_of(l.tree_current_colour)},
        {look::kTreeFormat, l.tree_format},
    };
    for (auto [number, value] : numbers)
        if (!Konfig(s, kSetDisplay, number, &value)) return false;
    int32_t size = l.list_font.pointSize();
    std::string name = l.list_font.family().toStdString();
    return Konfig(s, kSetDisplay, look::kListFont, &size, &name);
}

}  // namespace qs::desktop
