// SPDX-License-Identifier: MIT
// Which reader reads which format.
#include "import/readers/registry.h"

#include <functional>
#include <map>

#include "import/readers/capture.h"
#include "import/readers/mail_reader.h"
#include "import/readers/news_reader.h"

namespace qs {

namespace {

using Factory = std::function<std::unique_ptr<Parser>()>;

// Readers join this table as they are written.
const std::map<std::string, Factory>& readers() {
    static const std::map<std::string, Factory> table = {
        {"Generic Mail Type 2", make_separator_reader},
        {"IE Mail", make_ie_reader},
        {"Outlook Express 4 Mail", make_ie_reader},
        {"Netscape Mail", make_netscape_reader},
        {"Eudora", make_eudora_reader},
        {"Generic Mail Type 1", make_header_run_reader},
        {"Becky Mail", make_header_run_reader},
        {"Agent Mail", make_header_run_reader},
        {"Pegasus", make_pegasus_reader},
        {"Unix Mailbox", make_unix_mailbox_reader},
        {"Maildir", make_maildir_reader},
        {"EML Files", make_eml_reader},
        {"Unix News", make_unix_news_reader},
        {"Agent News", make_unix_news_reader},
        {"VirtualAccess", make_virtual_access_reader},
        {"IE News", make_ie_news_reader},
        {"Outlook Express 4 News", make_ie_news_reader},
        {"Netscape News", make_netscape_news_reader},
        {"Gravity", make_gravity_reader},
    };
    return table;
}

}  // namespace

std::unique_ptr<Parser> make_parser(const std::string& format) {
    // The CompuServe capture formats share one reader.
    if (std::unique_ptr<Parser> capture = make_capture_reader(format)) return capture;
    auto it = readers().find(format);
    return it == readers().end() ? nullptr : it->second();
}

}  // namespace qs
