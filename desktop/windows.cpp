// SPDX-License-Identifier: MIT
// The table of the windows the program has, and the About box.
#include "desktop/windows.h"

#include <QLabel>
#include <QVBoxLayout>
#include <utility>

namespace qs::desktop {

WindowFactory window_factory(const QString& name) {
    static const std::pair<const char*, WindowFactory> table[] = {
        {"ChangeForum", make_database_window},   {"BrowseMail", make_mail_browse},
        {"BrowseMsgNmbr", make_message_browse},  {"BrowsePerson", make_person_browse},
        {"ThreadTree", make_thread_tree_window}, {"MessageText", make_text_view},
        {"ImportMeny", make_import_wizard},      {"StartUpWizard", make_startup_wizard},
        {"BrowseTopics", make_topics_window},    {"Classify", make_classify_window},
        {"AutoIndex", make_index_window},        {"SearchWz", make_search_window},
        {"WordList", make_word_list_window},     {"StopList", make_stop_list_window},
        {"UserPanel", make_preferences_window},  {"About", make_about},
        {"PurgeMess", make_purge_window},        {"Duplicates", make_duplicates_window},
        {"SetIndex", make_index_setup_wizard},
    };
    for (const auto& [n, f] : table)
        if (name == QLatin1String(n)) return f;
    return nullptr;
}

void close_window(QWidget* w) {
    if (QWidget* sub = w->parentWidget())
        sub->close();
    else
        w->close();
}

QWidget* make_about(Frame&) {
    auto* w = new QWidget;
    w->setWindowTitle(QObject::tr("About Quillstow"));
    auto* layout = new QVBoxLayout(w);
    auto* text = new QLabel(QObject::tr(
        "<h3>Quillstow</h3><p>A desktop message archiver: mail, forum messages and newsgroup "
        "articles kept in databases of your own for decades.</p>"));
    text->setWordWrap(true);
    layout->addWidget(text);
    return w;
}

}  // namespace qs::desktop
