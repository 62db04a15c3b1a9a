// SPDX-License-Identifier: MIT
// What each fuzz target feeds the body conversion and the decoders of mail, shared with the test
// that replays the corpus in every build. Each returns false when an output breaks its promised
// bounds.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include "import/mime/attachment_sink.h"
#include "import/mime/charset.h"
#include "import/mime/header_text.h"
#include "import/mime/line_queue.h"
#include "import/mime/message_parser.h"
#include "import/mime/mime.h"
#include "import/mime/transfer_encoding.h"

namespace qs::fuzz {

// The input as a message body: its lines in the queue, a boundary from the first line that
// names one, part selection, then assembly by every body kind. (The readers' own line reading,
// with its quoted-printable rules, is fuzzed by the mail reader targets.)
inline bool body_conversion(std::string_view in) {
    LineQueue q;
    size_t at = 0;
    while (at < in.size()) {
        size_t end = in.find('\n', at);
        size_t stop = end == std::string_view::npos ? in.size() : end;
        push_line(q, in.substr(at, stop - at));
        at = stop + 1;
    }
    bool ok = true;
    for (const TQ& e : q) {
        ok = ok && e.LINE.size() <= kQueueLine;
    }
    std::string boundary;
    for (const TQ& e : q) {
        BoundaryResult r = find_boundary(e.LINE, 1);
        ok = ok && r.boundary.size() <= kBoundaryMax;
        if (!r.go_on) {
            boundary = r.boundary;
            break;
        }
    }
    LineQueue selected = q;
    select_part(selected, 0, selected.size() + 3, boundary);
    for (BodyKind kind : {kPlainBody, kHtmlBody, kEnrichedBody}) {
        ok = ok && assemble_text(selected, 0, selected.size(), kind).size() <= kTextLimit;
    }
    ForumBody fb = forum_body_mime(q, 0, q.size());
    ok = ok && fb.first_body <= q.size();
    return ok;
}

inline bool html_text(std::string_view in) {
    bool ok = html_to_text(in).size() <= kTextLimit;
    ok = enriched_to_text(in).size() <= kTextLimit && ok;
    return body_conversion(in) && ok;
}

// Header text: encoded words and structured values always give valid UTF-8.
inline bool encoded_words(std::string_view in) {
    bool ok = valid_utf8(decode_header_text(in));
    for (const HeaderParameter& p : parse_header_value(in).params) ok = ok && valid_utf8(p.value);
    ok = StripChar(1, in).size() <= kTextLimit && ok;
    ok = StripChar(2, in).size() <= kTextLimit && ok;
    is_embedded_mail_header(in);
    if (in.size() >= 2) {
        hex_pair(in[0], in[1]);
    }
    return ok;
}

// A sink that checks the order of its calls: bytes only inside an attachment, every one ended.
class CheckingSink : public AttachmentSink {
public:
    void begin(const AttachmentInfo& info) override {
        ok = ok && !open && valid_utf8(info.file_name) && !info.content_type.empty();
        open = true;
    }
    void write(std::string_view) override { ok = ok && open; }
    bool end() override {
        ok = ok && open;
        open = false;
        return ++ended % 3 != 0;  // some attachments are refused, as by a full disk
    }
    bool ok = true;
    bool open = false;
    size_t ended = 0;
};

// The input as a message fed to the message parser line by line, each line in pieces of a size
// taken from the input's first byte: the text is valid UTF-8 of at most 64,000 characters and
// every attachment begun is ended. Then a second message, to see that nothing of the first
// is left over.
inline bool message_parser(std::string_view in) {
    const size_t piece = in.empty() ? 0 : static_cast<unsigned char>(in[0]) % 64;
    CheckingSink sink;
    MessageParser p;
    p.set_sink(&sink);
    bool ok = true;
    for (int round = 0; round < 2; ++round) {
        p.begin();
        size_t at = 0;
        while (at < in.size()) {
            size_t end = in.find('\n', at);
            const size_t stop = end == std::string_view::npos ? in.size() : end;
            std::string_view line = in.substr(at, stop - at);
            while (piece && line.size() > piece) {
                p.line(line.substr(0, piece), {}, true);
                line.remove_prefix(piece);
            }
            p.line(line, end == std::string_view::npos ? "" : "\n");
            p.reads_raw();
            p.in_header();
            at = stop + 1;
        }
        const std::string text = p.finish();
        ok = ok && valid_utf8(text) && char_count(text) <= kTextLimit && !sink.open;
        for (const std::string& n : p.notes()) ok = ok && valid_utf8(n);
        in = "From: a@b\n\nsecond\n";
    }
    return ok && sink.ok;
}

// Charset conversion, base64, quoted-printable and uuencoding: the first line names a charset,
// the rest is decoded whole and in pieces cut at every 7th byte; both give the same bytes, and
// the converted text is valid UTF-8.
inline bool decoders(std::string_view in) {
    const size_t nl = in.find('\n');
    const std::string_view name = in.substr(0, std::min<size_t>(nl, 40));
    const std::string_view body =
        nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);
    auto convert = [&](size_t step) {
        CharsetDecoder d(name);
        std::string out;
        for (size_t at = 0; at < body.size(); at += step) d.decode(body.substr(at, step), out);
        d.finish(out);
        return out;
    };
    const std::string whole = convert(body.size() + 1), cut = convert(7);
    // iconv's UTF-7 keeps the bits of a broken base64 run in its own state from one piece to
    // the next: there the pieces may read otherwise than the whole, both valid.
    // (iconv matches names by their letters and digits alone: "utf+7" is UTF-7.)
    std::string letters;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            letters.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    const bool utf7 = letters.find("UTF7") != std::string::npos;
    bool ok = valid_utf8(whole) && valid_utf8(cut) && (whole == cut || utf7);
    auto base64 = [&](size_t step) {
        Base64Decoder b;
        std::string out;
        for (size_t at = 0; at < body.size(); at += step) b.decode(body.substr(at, step), out);
        b.finish(out);
        return out;
    };
    ok = ok && base64(body.size() + 1) == base64(7);
    QuotedPrintableDecoder qp;
    std::string out;
    qp.decode(body, true, out);
    ok = ok && out.size() <= body.size();
    std::string uu;
    uudecode_line(body, uu);
    uuencode_begin(body);
    ok = ok && uu.size() <= body.size();
    transfer_encoding(name);
    return ok;
}

}  // namespace qs::fuzz
