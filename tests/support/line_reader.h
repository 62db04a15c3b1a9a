// SPDX-License-Identifier: MIT
// A reader of a plain test format, one message a line, tab-separated:
//   kind(F forum, N newsgroup, M mail)  forum-or-group  section-number  section-name  number
//   reply-to  subject  from-name  from-address  to-name  to-address  date(YYYY-MM-DD)
//   time(HH:MM:SS)  text("\n" for a line break)  message-id  parent-id  copies("name<addr>;...")
// It exercises the import processor the way the real readers do, without their formats.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "import/parser.h"
#include "platform/clock.h"

namespace qs::testing {

class LineReader : public Parser {
public:
    bool open(ParseContext&, const std::string& path) override {
        in_.open(path);
        return static_cast<bool>(in_);
    }

    bool step(ParseContext& ctx, int budget) override {
        std::string line;
        for (int i = 0; i < budget; ++i) {
            if (!std::getline(in_, line)) return true;
            if (line.empty() || line[0] == '#') continue;
            read_line(ctx, line);
        }
        return false;
    }

private:
    static std::vector<std::string> split(const std::string& line) {
        std::vector<std::string> f;
        std::string cur;
        for (char c : line) {
            if (c == '\t') {
                f.push_back(cur);
                cur.clear();
            } else {
                cur.push_back(c);
            }
        }
        f.push_back(cur);
        return f;
    }

    static std::string unescape(const std::string& s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
                out += "\r\n";
                ++i;
            } else {
                out.push_back(s[i]);
            }
        }
        return out;
    }

    static int32_t time_of(const std::string& hms) {
        int h = 0, m = 0, sec = 0;
        if (std::sscanf(hms.c_str(), "%d:%d:%d", &h, &m, &sec) < 2) return 0;
        return time_from_hms(h, m, sec);
    }

    static std::vector<CCT> copies_of(const std::string& list) {
        std::vector<CCT> out;
        std::stringstream ss(list);
        std::string item;
        while (std::getline(ss, item, ';')) {
            auto lt = item.find('<');
            if (lt == std::string::npos || item.back() != '>') continue;
            CCT c;
            c.R_NAME = item.substr(0, lt);
            c.R_CISADRESS = item.substr(lt + 1, item.size() - lt - 2);
            c.RECIPTYPE = "CC";
            out.push_back(c);
        }
        return out;
    }

    void read_line(ParseContext& ctx, const std::string& line) {
        auto f = split(line);
        if (f.size() < 14) {
            ctx.skip_message(SkipReason::Damaged, "line \"" + line.substr(0, 30) + "\"");
            return;
        }
        f.resize(17);
        const ImportSettings& cfg = ctx.settings();
        char kind = f[0].empty() ? '?' : f[0][0];
        std::string what = "\"" + f[6] + "\"";
        NHR h;
        h.HEADING = f[6];
        h.S_NAME = f[7];
        h.S_CISADRESS = f[8];
        h.R_NAME = f[9];
        h.R_CISADRESS = f[10];
        h.DATE = date_from_iso(f[11]);
        h.TIME = time_of(f[12]);
        h.MSGTEXT.text = unescape(f[13]);
        if (kind == 'M') {
            if (!cfg.mail) return ctx.skip_message(SkipReason::KindNotSelected, what);
            h.INTERNAL = cfg.mailbox;
            h.MSGNUMBER = h.REFNUMBER = ctx.next_id();
            // The owner's side is written with the default address, the other lower-cased.
            const bool sent = ctx.own_address(h.S_CISADRESS.view());
            h.MAILTYPE = sent ? 2 : 1;
            (sent ? h.S_CISADRESS : h.R_CISADRESS) = ctx.owner_address();
            Text<60>& partner = sent ? h.R_CISADRESS : h.S_CISADRESS;
            partner = lower1252(partner.view());
            auto copies = copies_of(f[16]);
            for (auto& c : copies) c.MAILID = h.MSGNUMBER;
            ctx.add_message(h, copies);
            return;
        }
        bool news = kind == 'N';
        if ((news && !cfg.news) || (!news && !cfg.forum))
            return ctx.skip_message(SkipReason::KindNotSelected, what);
        DatabaseRef db = ctx.lookup_database(f[1], news);
        if (!db.import) return ctx.skip_message(SkipReason::NotImported, what);
        h.INTERNAL = db.id;
        h.FOR_DESCRIPTION = f[1];
        if (news) {
            h.MSGNUMBER = ctx.next_id();
            h.SECTIONNUMBER = db.section_id;
            h.SEC_DESCRIPTION = db.section_name;
            ctx.add_message(h, {}, f[14], f[15]);
            return;
        }
        h.SECTIONNUMBER = static_cast<uint32_t>(std::stoul("0" + f[2]));
        h.SEC_DESCRIPTION = f[3];
        h.MSGNUMBER = static_cast<uint32_t>(std::stoul("0" + f[4]));
        h.REFNUMBER = static_cast<uint32_t>(std::stoul("0" + f[5]));
        if (!cfg.reimport && ctx.imported_before(db.id, h.MSGNUMBER))
            return ctx.skip_message(SkipReason::Duplicate, what);
        ctx.add_message(h);
    }

    std::ifstream in_;
};

}  // namespace qs::testing
