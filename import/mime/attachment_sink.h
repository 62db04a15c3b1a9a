// SPDX-License-Identifier: MIT
// Where the parts of a message that are not its text go while the message is read: the files a
// mail carries, uuencoded blocks, images, forwarded messages' own attachments. They are streamed
// (a part is never held whole in memory) and kept in the archive beside the message.
#pragma once

#include <string>
#include <string_view>

namespace qs {

struct AttachmentInfo {
    std::string file_name;     // decoded, UTF-8; empty when the part names none
    std::string content_type;  // lower case "type/subtype", "application/octet-stream" when unknown
};

// One call to begin() per attachment, its decoded bytes in pieces of any size through write(),
// then end(). Attachments arrive before the message they belong to is handed over.
class AttachmentSink {
public:
    virtual ~AttachmentSink() = default;
    virtual void begin(const AttachmentInfo& info) = 0;
    virtual void write(std::string_view bytes) = 0;
    // False when the bytes could not be kept (the disk is full, the temporary file failed): the
    // message is then not stored whole, and its reader reports it as damaged.
    virtual bool end() = 0;
};

}  // namespace qs
