// SPDX-License-Identifier: MIT
// Enriched text to plain text: formatting commands go, their parameters with them; "<<" is a
// literal "<". Line ends are kept as they stand. The text is UTF-8 and is cut at the text limit
// between two characters.
#include "import/mime/mime.h"
#include "import/mime/utf8_text.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace qs {

namespace {

constexpr std::string_view kParamClose = "</PARAM>";
// Enough bytes for the text limit's characters, however long they are.
constexpr size_t kByteBound = 4 * kTextLimit;

}  // namespace

std::string enriched_to_text(std::string_view text) {
    std::string upper = ascii_upper(text);
    std::string out;
    size_t n = text.size();
    size_t i = 0;
    while (i < n && out.size() < kByteBound) {
        size_t lt = text.find('<', i);
        out.append(text.substr(i, lt == std::string_view::npos ? n - i : lt - i));
        if (lt == std::string_view::npos) {
            break;
        }
        if (lt + 1 < n && text[lt + 1] == '<') {
            size_t gt = text.find('>', lt + 1);
            size_t end = gt == std::string_view::npos ? n : gt + 1;
            out.append(text.substr(lt + 1, end - lt - 1));
            i = end;
            continue;
        }
        size_t stop = text.find_first_of("<>", lt + 1);
        if (stop == std::string_view::npos || text[stop] == '<') {
            // Never closed: what looked like a command was text, also at the very end.
            size_t end = stop == std::string_view::npos ? n : stop;
            out.append(text.substr(lt, end - lt));
            i = end;
            continue;
        }
        i = stop + 1;
        if (std::string_view(upper).substr(lt + 1, stop - lt - 1) == "PARAM") {
            size_t close = upper.find(kParamClose, i);
            i = close == std::string::npos ? n : close + kParamClose.size();
        }
    }
    out.resize(utf8_prefix(out, kTextLimit));
    return out;
}

}  // namespace qs
