// SPDX-License-Identifier: MIT
// Leaf parts of a message: a text decoded into the message text, an attachment streamed to the
// sink, a part left out.
#include "import/mime/part_readers.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "import/mime/charset.h"
#include "import/mime/mime.h"

namespace qs {

namespace {

// A line longer than this is handed on in pieces; the bytes of an attachment go to the sink in
// pieces of about this size.
constexpr size_t kPiece = 64 * 1024;
// An HTML or enriched part is converted from at most this many bytes.
constexpr size_t kMarkupMax = 1024 * 1024;
// The bytes of an HTML part looked through for a <meta> that names its charset.
constexpr size_t kMetaReach = 4096;

bool ends_with(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The charset an HTML text names in a <meta> element near its start; empty when none.
std::string meta_charset(std::string_view html) {
    std::string head(html.substr(0, kMetaReach));
    std::transform(head.begin(), head.end(), head.begin(), lower);
    const size_t meta = head.find("<meta");
    if (meta == std::string::npos) return {};
    size_t at = head.find("charset", meta);
    if (at == std::string::npos) return {};
    at += 7;
    while (at < head.size() &&
           (head[at] == ' ' || head[at] == '=' || head[at] == '"' || head[at] == '\''))
        ++at;
    size_t end = at;
    while (end < head.size() &&
           (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' ||
            head[end] == '_' || head[end] == '.' || head[end] == ':'))
        ++end;
    return head.substr(at, end - at);
}

// Where the next CR or LF stands from `i`, npos when none does.
size_t line_break(std::string_view s, size_t i) {
    if (i >= s.size()) return std::string_view::npos;
    const char* from = s.data() + i;
    const size_t n = s.size() - i;
    const void* lf = std::memchr(from, '\n', n);
    const size_t reach = lf ? static_cast<size_t>(static_cast<const char*>(lf) - from) : n;
    const void* cr = std::memchr(from, '\r', reach);
    if (cr) return i + static_cast<size_t>(static_cast<const char*>(cr) - from);
    return lf ? i + reach : std::string_view::npos;
}

// Cuts a stream of UTF-8 text into lines at CR LF, LF or CR; a line longer than kPiece goes on
// in pieces.
class LineSplitter {
public:
    template <class Out>
    void feed(std::string_view s, Out&& out) {
        size_t i = 0;
        if (cr_ && !s.empty()) {
            cr_ = false;
            if (s[0] == '\n') i = 1;
        }
        while (i < s.size()) {
            const size_t brk = line_break(s, i);
            if (brk == std::string_view::npos) {
                hold(s.substr(i), out);
                return;
            }
            const std::string_view part = s.substr(i, brk - i);
            if (partial_.empty()) {
                out(part, true);
            } else {
                partial_.append(part);
                out(partial_, true);
                partial_.clear();
            }
            i = brk + 1;
            if (s[brk] == '\r') {
                if (i == s.size()) cr_ = true;
                if (i < s.size() && s[i] == '\n') ++i;
            }
        }
    }
    // No part of a line is held.
    bool idle() const { return partial_.empty() && !cr_; }

    template <class Out>
    void finish(Out&& out) {
        if (!partial_.empty()) out(partial_, true);
        partial_.clear();
        cr_ = false;
    }

private:
    template <class Out>
    void hold(std::string_view rest, Out&& out) {
        partial_.append(rest);
        if (partial_.size() >= kPiece) {
            out(partial_, false);
            partial_.clear();
        }
    }

    std::string partial_;
    bool cr_ = false;  // a CR ended the last piece: an LF starting the next belongs to it
};

// Writes the bytes of one attachment to the sink in pieces.
class AttachmentOut {
public:
    AttachmentOut(MessageParser::State& st, const AttachmentInfo& info) : st_(st) {
        st_.sink->begin(info);
    }
    std::string& buffer() { return out_; }
    void flush_if_full() {
        if (out_.size() >= kPiece) flush();
    }
    void end() {
        flush();
        if (!st_.sink->end()) *st_.attachments_lost = true;
    }

private:
    void flush() {
        if (!out_.empty()) st_.sink->write(out_);
        out_.clear();
    }
    MessageParser::State& st_;
    std::string out_;
};

class TextReader : public PartReader {
public:
    TextReader(MessageParser::State& st, const TextPartOptions& o) : st_(st), o_(o) {
        if (o_.kind == TextKind::Plain) charset_ = decoder(o_.charset);
    }

    void line(std::string_view bytes, std::string_view, bool goes_on) override {
        const bool line_end = !goes_on;
        std::string_view data = bytes;
        bool hard = line_end;
        decoded_.clear();
        switch (o_.encoding) {
            case TransferEncoding::QuotedPrintable:
                hard = qp_.decode(bytes, line_end, decoded_);
                data = decoded_;
                break;
            case TransferEncoding::Base64:
                b64_.decode(bytes, decoded_);
                data = decoded_;
                hard = false;  // the decoded bytes carry their own line ends
                break;
            default: break;
        }
        if (o_.sniff_html && !sniffed_ && !data.empty()) sniff(data);
        if (o_.kind != TextKind::Plain) {
            if (markup_.size() < kMarkupMax) {
                markup_.append(data.substr(0, kMarkupMax - markup_.size()));
                if (hard) markup_.append("\r\n");
            }
            return;
        }
        plain(data, hard);
    }

    void finish() override {
        if (o_.encoding == TransferEncoding::Base64) {
            decoded_.clear();
            b64_.finish(decoded_);
            if (o_.kind == TextKind::Plain) {
                plain(decoded_, false);
            } else {
                markup_.append(decoded_);
            }
        }
        if (o_.kind != TextKind::Plain) return convert_markup();
        utf8_.clear();
        charset_->finish(utf8_);
        split_.feed(utf8_, [this](std::string_view l, bool end) { text_line(l, end); });
        split_.finish([this](std::string_view l, bool end) { text_line(l, end); });
        if (uu_ == Uu::Begin) st_.text.add(uu_begin_, true);
        if (uu_ == Uu::Block) end_uu();
    }

    bool raw_lines() const override { return uu_ != Uu::None; }

private:
    enum class Uu { None, Begin, Block };

    std::unique_ptr<CharsetDecoder> decoder(const std::string& name) {
        auto d = std::make_unique<CharsetDecoder>(name);
        if (!d->known()) st_.note(unknown_charset_note(name));
        return d;
    }

    // A text without MIME headers that begins as HTML is HTML.
    void sniff(std::string_view first) {
        sniffed_ = true;
        std::string start(first.substr(0, 8));
        for (char& c : start) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (start.find("HTML") != std::string::npos) o_.kind = TextKind::Html;
    }

    void plain(std::string_view data, bool hard) {
        utf8_.clear();
        const std::string_view text = charset_->decode_view(data, utf8_);
        // Most lines are a whole line of the text: they need no splitting.
        if (hard && split_.idle() && line_break(text, 0) == std::string_view::npos)
            return text_line(text, true);
        const auto out = [this](std::string_view l, bool end) {
            text_line(l, end);
        };
        split_.feed(text, out);
        if (hard) split_.feed("\n", out);
    }

    // One line of the text (or a piece of one): uuencoded blocks go to the sink, the rest to
    // the message text.
    void text_line(std::string_view l, bool end) {
        const bool whole = end && !mid_line_;
        mid_line_ = !end;
        if (uu_ == Uu::Block) {
            if (whole && uuencode_end(l)) return end_uu();
            std::string scratch;
            if (whole && uudecode_line(l, uu_out_ ? uu_out_->buffer() : scratch)) {
                if (uu_out_) uu_out_->flush_if_full();
                return;
            }
            end_uu();
        }
        if (uu_ == Uu::Begin) {
            std::string first;
            if (whole && uudecode_line(l, first) && !first.empty()) {
                uu_ = Uu::Block;
                if (st_.sink) {
                    uu_out_ = std::make_unique<AttachmentOut>(
                        st_, AttachmentInfo{uu_name_, "application/octet-stream"});
                    uu_out_->buffer() = std::move(first);
                }
                return;
            }
            uu_ = Uu::None;
            st_.text.add(uu_begin_, true);
        }
        if (whole && l.size() > 6 && l.substr(0, 6) == "begin ") {
            uu_name_ = uuencode_begin(l);
            if (!uu_name_.empty()) {
                uu_ = Uu::Begin;
                uu_begin_.assign(l);
                return;
            }
        }
        st_.text.add(l, end);
    }

    void end_uu() {
        if (uu_out_) uu_out_->end();
        uu_out_.reset();
        uu_ = Uu::None;
    }

    void convert_markup() {
        std::string name = o_.charset;
        if (name.empty() && o_.kind == TextKind::Html) name = meta_charset(markup_);
        std::unique_ptr<CharsetDecoder> d = decoder(name);
        std::string utf8;
        d->decode(markup_, utf8);
        d->finish(utf8);
        std::string().swap(markup_);
        std::string text = o_.kind == TextKind::Html ? html_to_text(utf8) : enriched_to_text(utf8);
        // The text stays UTF-8 whatever the conversion writes for a character reference.
        if (!valid_utf8(text)) {
            std::string checked;
            append_utf8_or_1252(checked, text);
            text.swap(checked);
        }
        st_.text.add_text(text);
    }

    MessageParser::State& st_;
    TextPartOptions o_;
    std::unique_ptr<CharsetDecoder> charset_;
    QuotedPrintableDecoder qp_;
    Base64Decoder b64_;
    LineSplitter split_;
    std::string decoded_, utf8_, markup_;
    bool sniffed_ = false;
    bool mid_line_ = false;
    Uu uu_ = Uu::None;
    std::string uu_name_, uu_begin_;
    std::unique_ptr<AttachmentOut> uu_out_;
};

class AttachmentReader : public PartReader {
public:
    AttachmentReader(MessageParser::State& st, const AttachmentInfo& info, TransferEncoding e)
        : out_(st, info), encoding_(e) {}

    void line(std::string_view bytes, std::string_view eol, bool goes_on) override {
        std::string& out = out_.buffer();
        switch (encoding_) {
            case TransferEncoding::Identity:
                // The line end before a boundary line belongs to the boundary: each line end is
                // written only when another line follows it.
                out.append(eol_);
                out.append(bytes);
                eol_.assign(goes_on ? std::string_view() : eol);
                break;
            case TransferEncoding::QuotedPrintable: {
                out.append(eol_);
                const bool hard = qp_.decode(bytes, !goes_on, out);
                eol_.assign(hard ? eol : std::string_view());
                break;
            }
            case TransferEncoding::Base64: b64_.decode(bytes, out); break;
            case TransferEncoding::Uuencode:
                if (!goes_on && !in_piece_ && uuencode_begin(bytes).empty() && !uuencode_end(bytes))
                    uudecode_line(bytes, out);
                break;
        }
        in_piece_ = goes_on;
        out_.flush_if_full();
    }

    void finish() override {
        if (encoding_ == TransferEncoding::Base64) b64_.finish(out_.buffer());
        out_.end();
    }

private:
    AttachmentOut out_;
    TransferEncoding encoding_;
    QuotedPrintableDecoder qp_;
    Base64Decoder b64_;
    std::string eol_;
    bool in_piece_ = false;
};

class DiscardingReader : public PartReader {
public:
    void line(std::string_view, std::string_view, bool) override {}
};

}  // namespace

void MessageParser::State::note(const std::string& text) {
    if (std::find(notes->begin(), notes->end(), text) == notes->end()) notes->push_back(text);
}

void MessageText::new_block() {
    if (!text_.empty()) gap_ = true;
    leading_ = true;
}

void MessageText::add(std::string_view s, bool line_end) {
    constexpr size_t kLineRoom = kTextLimit - 2;  // room for the CR LF of the last line
    if (full_) return;
    if (!mid_line_) {
        if (leading_ && s.empty() && line_end) return;
        if (gap_ && !ends_with(text_, "\r\n\r\n")) {
            if (!ends_with(text_, "\r\n")) {
                text_.append("\r\n");
                chars_ += 2;
            }
            text_.append("\r\n");
            chars_ += 2;
        }
        gap_ = false;
        leading_ = false;
    }
    if (chars_ >= kLineRoom) {
        full_ = true;
        return;
    }
    const size_t n = char_count(s);
    if (chars_ + n + 2 >= kTextLimit) {
        text_.append(s.substr(0, utf8_prefix_chars(s, kLineRoom - chars_)));
        text_.append("\r\n");
        full_ = true;
        return;
    }
    text_.append(s);
    chars_ += n;
    if (line_end) {
        text_.append("\r\n");
        chars_ += 2;
    }
    mid_line_ = !line_end;
}

void MessageText::add_text(std::string_view utf8) {
    LineSplitter split;
    const auto out = [this](std::string_view l, bool end) {
        add(l, end);
    };
    split.feed(utf8, out);
    split.finish(out);
}

std::string MessageText::take() {
    std::string t;
    t.swap(text_);
    *this = MessageText();
    return t;
}

std::unique_ptr<PartReader> make_text_reader(MessageParser::State& st,
                                             const TextPartOptions& options) {
    return std::make_unique<TextReader>(st, options);
}

std::unique_ptr<PartReader> make_attachment_reader(MessageParser::State& st,
                                                   const AttachmentInfo& info,
                                                   TransferEncoding encoding) {
    return std::make_unique<AttachmentReader>(st, info, encoding);
}

std::unique_ptr<PartReader> make_discarding_reader() {
    return std::make_unique<DiscardingReader>();
}

}  // namespace qs
