// SPDX-License-Identifier: MIT
// The message parser: header blocks, the tree of parts, and which part goes where.
//
//   Header (the message's own) --empty line--> Body by the message's type
//   Body of a multipart: Skip (preamble) --boundary--> Header (a part's) --empty line--> Body
//     a part of type multipart opens another level; message/rfc822 reads the forwarded
//     message's Header, then its Body; a closing boundary ends its level, and what follows up
//     to a boundary of a level above is Skip (epilogue)
//
// The open multiparts are a stack of frames. A boundary line is looked for from the innermost
// frame out: a line that closes or opens a part of an outer level also ends every part inside.
#include "import/mime/message_parser.h"

#include <algorithm>
#include <cstring>

#include "import/mime/charset.h"
#include "import/mime/header_text.h"
#include "import/mime/part_readers.h"

namespace qs {

namespace {

// A header field keeps at most this many bytes.
constexpr size_t kFieldMax = 32 * 1024;
// Multiparts nested deeper than this are kept whole as one attachment.
constexpr size_t kMaxDepth = 64;
// A field name is looked for in this many bytes of a line.
constexpr size_t kNameReach = 80;

struct FieldName {
    std::string_view name;
    std::string HeaderFields::*field;
};

constexpr FieldName kFields[] = {
    {"from", &HeaderFields::from},
    {"to", &HeaderFields::to},
    {"cc", &HeaderFields::cc},
    {"subject", &HeaderFields::subject},
    {"date", &HeaderFields::date},
    {"newsgroups", &HeaderFields::newsgroups},
    {"message-id", &HeaderFields::message_id},
    {"references", &HeaderFields::references},
    {"in-reply-to", &HeaderFields::in_reply_to},
    {"content-type", &HeaderFields::content_type},
    {"content-transfer-encoding", &HeaderFields::transfer_encoding},
    {"content-disposition", &HeaderFields::disposition},
    {"x-gmail-labels", &HeaderFields::labels},
};

constexpr size_t kCcField = 2;  // Cc may be given more than once

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim_left(std::string_view s) {
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    return s;
}

// The lower-case name of a header line ("subject" of "Subject: x") and where its value begins;
// an empty name when the line is not a header line.
std::string_view field_name(std::string_view line, char* buf, size_t& value) {
    const size_t reach = std::min(line.size(), kNameReach);
    const void* colon = std::memchr(line.data(), ':', reach);
    if (!colon) return {};
    const size_t c = static_cast<size_t>(static_cast<const char*>(colon) - line.data());
    size_t n = c;
    while (n > 0 && blank(line[n - 1])) --n;  // "Subject : x" is an old spelling
    if (n == 0) return {};
    for (size_t i = 0; i < n; ++i) {
        const auto u = static_cast<unsigned char>(line[i]);
        if (u <= 32 || u >= 127) return {};
        buf[i] = static_cast<char>(u >= 'A' && u <= 'Z' ? u - 'A' + 'a' : u);
    }
    value = c + 1;
    return {buf, n};
}

// The type of a part as "type/subtype" in lower case; a part without one is plain text, or a
// forwarded message in a digest.
std::string type_of(const std::string& value, bool digest_part) {
    if (value.empty()) return digest_part ? "message/rfc822" : "text/plain";
    const bool token = std::all_of(value.begin(), value.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > 32 && u < 127 && c != '"' && c != '(' && c != ')' && c != ',';
    });
    if (!token) return "application/octet-stream";
    const size_t slash = value.find('/');
    if (slash == std::string::npos || slash + 1 == value.size()) {
        const std::string major = value.substr(0, slash);
        if (major == "text") return "text/plain";
        if (major == "multipart") return "multipart/mixed";
        return "application/octet-stream";
    }
    return value;
}

bool shown_as_text(const std::string& type) {
    return type.compare(0, 5, "text/") == 0 || type == "message/delivery-status" ||
           type == "message/disposition-notification";
}

TextKind kind_of(const std::string& type) {
    if (type == "text/html") return TextKind::Html;
    if (type == "text/enriched" || type == "text/richtext") return TextKind::Enriched;
    return TextKind::Plain;
}

std::string charset_of(const HeaderValue& ct) {
    const HeaderParameter* p = ct.param("charset");
    return p ? p->raw : std::string();
}

}  // namespace

struct MessageParser::Frame {
    std::string boundary;
    bool alternative = false;
    bool digest = false;
    int part = -1;    // the part being read, -1 in the preamble
    int chosen = -1;  // an alternative's part that gave the text
};

MessageParser::MessageParser(Layout layout) : layout_(layout), state_(std::make_unique<State>()) {
    state_->notes = &notes_;
    state_->attachments_lost = &attachments_lost_;
    begin();
}

MessageParser::~MessageParser() = default;

void MessageParser::set_sink(AttachmentSink* sink) {
    sink_ = sink;
    state_->sink = sink;
}

void MessageParser::begin() {
    leaf_.reset();
    frames_.clear();
    fields_ = HeaderFields();
    top_ = HeaderFields();
    field_ = nullptr;
    seen_ = 0;
    stray_ = false;
    mode_ = Mode::Header;
    entity_ = Entity::Top;
    digest_part_ = body_started_ = mime_ = in_piece_ = skip_piece_ = false;
    notes_.clear();
    attachments_lost_ = false;
    state_->text = MessageText();
    state_->sink = sink_;
}

bool MessageParser::in_header() const { return mode_ == Mode::Header; }

bool MessageParser::repeats_after_stray(std::string_view line) const {
    if (mode_ != Mode::Header || entity_ != Entity::Top || !stray_) return false;
    char buf[kNameReach];
    size_t value = 0;
    const std::string_view name = field_name(line, buf, value);
    for (size_t k = 0; k < std::size(kFields); ++k)
        if (kFields[k].name == name) return (seen_ & (1u << k)) != 0 && k != kCcField;
    return false;
}

bool MessageParser::reads_raw() const {
    return mode_ == Mode::Header || mime_ || layout_ == Layout::Decoded ||
           (leaf_ && leaf_->raw_lines());
}

void MessageParser::line(std::string_view bytes, std::string_view eol, bool goes_on) {
    const bool start = !in_piece_;
    in_piece_ = goes_on;
    if (!start && skip_piece_) {
        skip_piece_ = goes_on;
        return;
    }
    if (start && !frames_.empty() && bytes.size() >= 2 && bytes[0] == '-' && bytes[1] == '-' &&
        boundary_line(bytes)) {
        skip_piece_ = goes_on;
        return;
    }
    switch (mode_) {
        case Mode::Header: return header_line(bytes, eol, start, goes_on);
        case Mode::Skip: return;
        case Mode::Body: return leaf_->line(bytes, eol, goes_on);
    }
}

void MessageParser::append_field(std::string_view bytes) {
    if (field_ && field_->size() < kFieldMax)
        field_->append(bytes.substr(0, kFieldMax - field_->size()));
}

void MessageParser::header_line(std::string_view bytes, std::string_view eol, bool start,
                                bool goes_on) {
    if (!start) return append_field(bytes);
    if (bytes.empty() && !goes_on) return end_header();
    if (blank(bytes.front())) {  // a folded line goes on with the field before it
        // The line break and the blanks around it become one blank.
        while (field_ && !field_->empty() && blank(field_->back())) field_->pop_back();
        if (field_ && !field_->empty()) append_field(" ");
        return append_field(trim_left(bytes));
    }
    char buf[kNameReach];
    size_t value = 0;
    const std::string_view name = field_name(bytes, buf, value);
    if (name.empty()) {
        field_ = nullptr;
        // A stray line in a message's own header (a mailbox's status line, a header folded
        // without a blank) is passed over; in a part's header it is the first line of a body
        // whose header block was not ended by an empty line.
        if (entity_ == Entity::Top) {
            stray_ = true;
            return;
        }
        end_header();
        if (mode_ == Mode::Header) return header_line(bytes, eol, start, goes_on);
        if (mode_ == Mode::Body) leaf_->line(bytes, eol, goes_on);
        return;
    }
    field_ = nullptr;
    for (size_t k = 0; k < std::size(kFields); ++k) {
        if (kFields[k].name != name) continue;
        const auto bit = 1u << k;
        std::string& f = fields_.*kFields[k].field;
        if (kFields[k].field == &HeaderFields::cc) {
            if (!f.empty()) f.push_back(',');
        } else if (seen_ & bit) {
            break;  // a field given twice keeps its first value
        }
        seen_ |= bit;
        field_ = &f;
        break;
    }
    if (name == "date") fields_.has_date = true;
    if (name == "subject") fields_.has_subject = true;
    if (name == "newsgroups") fields_.has_newsgroups = true;
    if (name == "mime-version" || name == "content-type" || name == "content-transfer-encoding")
        fields_.mime = true;
    append_field(trim_left(bytes.substr(value)));
}

void MessageParser::end_header() {
    field_ = nullptr;
    seen_ = 0;
    stray_ = false;
    mode_ = Mode::Body;
    switch (entity_) {
        case Entity::Top:
            top_ = std::move(fields_);
            fields_ = HeaderFields();
            body_started_ = true;
            mime_ = layout_ == Layout::Mime && top_.mime;
            if (mime_) return open_entity(top_, false);
            return open_flat();
        case Entity::Part: return open_entity(fields_, digest_part_);
        case Entity::Embedded: {
            // The forwarded message shows who sent it, when and about what, then its text.
            MessageText& t = state_->text;
            t.new_block();
            const std::pair<const char*, const std::string*> shown[] = {
                {"From: ", &fields_.from},
                {"Date: ", &fields_.date},
                {"Subject: ", &fields_.subject}};
            for (const auto& [label, field] : shown) {
                if (field->empty()) continue;
                std::string unknown;
                t.add(label + decode_header_text(*field, &unknown), true);
                if (!unknown.empty()) note(unknown_charset_note(unknown));
            }
            return open_entity(fields_, false);
        }
    }
}

// The body of a message without MIME headers, or stored decoded by its mail program.
void MessageParser::open_flat() {
    TextPartOptions o;
    o.sniff_html = true;
    if (layout_ == Layout::Decoded) {
        const HeaderValue ct = parse_header_value(top_.content_type);
        o.charset = charset_of(ct);
        o.kind = ct.value == "multipart/alternative" ? TextKind::Html : kind_of(ct.value);
    }
    leaf_ = make_text_reader(*state_, o);
}

// Decides where the body of a part (or of the message, or of a forwarded message) goes by its
// header: a new level of parts, a forwarded message, the text, or the attachment sink.
void MessageParser::open_entity(const HeaderFields& f, bool digest_part) {
    const HeaderValue ct = parse_header_value(f.content_type);
    std::string type = type_of(ct.value, digest_part);
    const TransferEncoding encoding = transfer_encoding(f.transfer_encoding);
    const HeaderValue disposition = parse_header_value(f.disposition);
    if (type.compare(0, 10, "multipart/") == 0) {
        const HeaderParameter* b = ct.param("boundary");
        if (!b || b->raw.empty()) {
            note("multipart without a boundary: its body is kept as text");
            type = "text/plain";
        } else if (open_multipart(b->raw, type)) {
            return;
        }
    }
    const bool forwarded = type == "message/rfc822" || type == "message/global";
    const bool text = shown_as_text(type) && disposition.value != "attachment" &&
                      encoding != TransferEncoding::Uuencode;
    if ((forwarded && encoding == TransferEncoding::Identity) || text) {
        // Of an alternative, only the part that gives the text is read.
        if (!alternative_allows()) {
            leaf_ = make_discarding_reader();
        } else if (forwarded) {
            entity_ = Entity::Embedded;
            fields_ = HeaderFields();
            mode_ = Mode::Header;
        } else {
            TextPartOptions o;
            o.encoding = encoding;
            o.charset = charset_of(ct);
            o.kind = kind_of(type);
            state_->text.new_block();
            leaf_ = make_text_reader(*state_, o);
        }
        return;
    }
    if (!sink_) {
        leaf_ = make_discarding_reader();
        return;
    }
    AttachmentInfo info;
    const HeaderParameter* name = disposition.param("filename");
    if (!name) name = ct.param("name");
    if (name) info.file_name = name->value;
    info.content_type = type;
    leaf_ = make_attachment_reader(*state_, info, encoding);
}

// Opens a level of parts; false when it would lie too deep (it is then kept whole as an
// attachment).
bool MessageParser::open_multipart(const std::string& boundary, const std::string& type) {
    if (frames_.size() >= kMaxDepth) return false;
    Frame frame;
    frame.boundary = boundary;
    frame.alternative = type == "multipart/alternative";
    frame.digest = type == "multipart/digest";
    frames_.push_back(std::move(frame));
    mode_ = Mode::Skip;  // the preamble
    return true;
}

bool MessageParser::boundary_line(std::string_view bytes) {
    const std::string_view after_dashes = bytes.substr(2);
    size_t level = frames_.size();
    bool close = false;
    while (level-- > 0) {
        const std::string& b = frames_[level].boundary;
        if (after_dashes.substr(0, b.size()) != b) continue;
        std::string_view rest = after_dashes.substr(b.size());
        close = rest.substr(0, 2) == "--";
        if (close) rest.remove_prefix(2);
        if (trim_left(rest).empty()) break;
    }
    if (level == static_cast<size_t>(-1)) return false;
    end_leaf();
    field_ = nullptr;
    seen_ = 0;
    stray_ = false;
    if (close) {
        // What follows up to a boundary of a level above is this multipart's epilogue.
        frames_.resize(level);
        mode_ = Mode::Skip;
        return true;
    }
    frames_.resize(level + 1);
    Frame& f = frames_[level];
    ++f.part;
    entity_ = Entity::Part;
    digest_part_ = f.digest;
    fields_ = HeaderFields();
    mode_ = Mode::Header;
    return true;
}

// A text part inside an alternative is taken only when no other part of that alternative has
// given the text; taking it makes its part the one that does.
bool MessageParser::alternative_allows() {
    for (const Frame& f : frames_)
        if (f.alternative && f.chosen >= 0 && f.chosen != f.part) return false;
    for (Frame& f : frames_)
        if (f.alternative) f.chosen = f.part;
    return true;
}

void MessageParser::end_leaf() {
    if (leaf_) leaf_->finish();
    leaf_.reset();
}

void MessageParser::note(const std::string& text) { state_->note(text); }

std::string MessageParser::finish() {
    end_leaf();
    frames_.clear();
    if (!body_started_) {
        top_ = std::move(fields_);
        fields_ = HeaderFields();
        body_started_ = true;
    }
    mode_ = Mode::Skip;
    return state_->text.take();
}

}  // namespace qs
