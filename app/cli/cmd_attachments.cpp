// SPDX-License-Identifier: MIT
// quillstow attachments | attachment, and the attachment list of show: the files a message
// carries, listed and written out byte for byte.
#include <cstdio>
#include <iostream>

#include "app/attachment_file.h"
#include "app/cli/command.h"
#include "app/cli/json.h"
#include "platform/fs.h"
#include "storage/attachments.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

constexpr NumberRule kAttachmentNumber{"an attachment number", 1, UINT32_MAX};

int header_file(const Context& c) { return c.s.mem.ForumType == kMailDb ? kMail : kMsgNmbr; }

// The current database's files that a message's attachments need, opened for the object's life.
struct OpenFiles {
    Context& c;
    std::vector<int> files;
    explicit OpenFiles(Context& ctx) : c(ctx), files{header_file(ctx), kAttach, kAttData} {
        OP_CLOSE(c.s, kOpOpen, files);
    }
    ~OpenFiles() { OP_CLOSE(c.s, kOpClose, files); }
};

bool message_exists(Context& c, uint32_t number, const std::string& db) {
    bool found;
    if (header_file(c) == kMail) {
        c.s.rec.Mail = Mail{};
        c.s.rec.Mail.MAILID = number;
        found = Get(c.s, kMail, keys::MaiIdKey);
    } else {
        c.s.rec.MsgNmbr = MsgNmbr{};
        c.s.rec.MsgNmbr.MSGNUMBER = number;
        found = Get(c.s, kMsgNmbr, keys::MsgIdKey);
    }
    if (!found) std::cerr << "quillstow: no message " << number << " in \"" << db << "\"\n";
    return found;
}

// The texts of the links are UTF-8 as stored; they go out as they are.
std::string json_of(const Attach& a) {
    JsonObject o;
    o.number("MSGNUMBER", a.MSGNUMBER);
    o.number("NUMBER", a.NUMBER);
    o.raw("FILENAME", json_string(a.FILENAME.trimmed()));
    o.raw("CONTENTTYPE", json_string(a.CONTENTTYPE.trimmed()));
    o.number("SIZE", a.SIZE);
    o.raw("HASH", json_string(a.HASH.trimmed()));
    return o.str();
}

std::string line_of(const Attach& a) {
    char head[64];
    std::snprintf(head, sizeof head, "%3u %10u  ", a.NUMBER, a.SIZE);
    std::string type = a.CONTENTTYPE.str();
    type.resize(std::max<size_t>(type.size() + 1, 25), ' ');
    return head + type + (a.FILENAME.blank() ? "(no name)" : a.FILENAME.str());
}

// Writes an attachment into `path`; a failure leaves no file (see SaveAttachment).
int write_file(Context& c, const Attach& a, const std::string& path) {
    const Status st = SaveAttachment(c.s, a, path);
    if (st) return kExitOk;
    if (st.code() == Code::Corrupt)
        std::cerr << "quillstow: attachment " << a.NUMBER << " of message " << a.MSGNUMBER
                  << " is damaged: " << st.text() << "\n";
    else
        std::cerr << "quillstow: " << path << " cannot be written: " << st.text() << "\n";
    return kExitFailed;
}

int write_out(Context& c, const Attach& a) {
    Status st = ReadAttachment(c.s, a, [&](std::string_view b) {
        c.out.write(b.data(), static_cast<std::streamsize>(b.size()));
        return static_cast<bool>(c.out);
    });
    c.out.flush();
    if (st) return kExitOk;
    std::cerr << "quillstow: attachment " << a.NUMBER << " of message " << a.MSGNUMBER
              << (st.code() == Code::Corrupt ? " is damaged: " : " was not written whole: ")
              << st.text() << "\n";
    return kExitFailed;
}

}  // namespace

bool print_attachments(Context& c, uint32_t number, std::string* json) {
    OP_CLOSE(c.s, kOpOpen, {kAttach});
    std::vector<Attach> list;
    bool read = AttachmentsOf(c.s, number, list);
    OP_CLOSE(c.s, kOpClose, {kAttach});
    if (json) {
        *json = "[";
        for (size_t i = 0; i < list.size(); ++i) *json += (i ? "," : "") + json_of(list[i]);
        *json += "]";
        return read;
    }
    if (!list.empty()) c.out << "\nAttachments:\n";
    for (const Attach& a : list) c.out << line_of(a) << "\n";
    return read;
}

int cmd_attachments(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(2);
    const std::string& db = a.need(0, "DB");
    if (!current_database(c, db)) return kExitFailed;
    auto number = static_cast<uint32_t>(a.number_at(1, "NUMBER", kMessageNumber));
    OpenFiles open(c);
    if (!message_exists(c, number, db)) return kExitFailed;
    std::vector<Attach> list;
    if (!AttachmentsOf(c.s, number, list)) return kExitFailed;
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < list.size(); ++i) c.out << (i ? "," : "") << json_of(list[i]);
        c.out << "]\n";
    } else {
        for (const Attach& att : list) c.out << line_of(att) << "\n";
    }
    return kExitOk;
}

int cmd_attachment(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--out"}, {"--force"});
    a.at_most(3);
    const std::string& db = a.need(0, "DB");
    auto number = static_cast<uint32_t>(a.number_at(1, "NUMBER", kMessageNumber));
    auto n = static_cast<uint32_t>(a.number_at(2, "N", kAttachmentNumber));
    if (!a.has("--out") || a.value("--out").empty())
        throw UsageError("--out FILE is needed (--out - writes to the standard output)");
    const std::string out = a.value("--out");
    if (out != "-" && fs::exists(out) && !a.flag("--force")) {
        std::cerr << "quillstow: " << out << " exists; --force writes over it\n";
        return kExitFailed;
    }
    if (!current_database(c, db)) return kExitFailed;
    OpenFiles open(c);
    if (!message_exists(c, number, db)) return kExitFailed;
    Attach att;
    if (!AttachmentOf(c.s, number, n, att)) {
        std::cerr << "quillstow: message " << number << " has no attachment " << n << "\n";
        return kExitFailed;
    }
    return out == "-" ? write_out(c, att) : write_file(c, att, out);
}

}  // namespace qs::cli
