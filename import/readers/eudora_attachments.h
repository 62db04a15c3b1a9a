// SPDX-License-Identifier: MIT
// Eudora takes the files out of mail as it arrives: it saves each in its attachment folder and
// leaves a line "Attachment Converted: "C:\Eudora\Attach\report.pdf"" in the text. The reader
// finds those files beside the mailbox (the folder "Attach" of the mailbox's directory or of one
// above it, names compared without regard to case, the Windows or Mac path of the line reduced
// to its file name) and keeps each with its mail, byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "import/mime/attachment_sink.h"

namespace qs {

// The file name of an "Attachment Converted:" line; empty for any other line.
std::string converted_attachment(std::string_view line);

// The saved file of that name for the mailbox at `mailbox`; empty when it is not found.
std::string find_converted_attachment(const std::string& mailbox, const std::string& name);

// Streams the file into the sink as an attachment under its name. False when the file could
// not be read whole or the sink could not keep it.
bool keep_converted_attachment(const std::string& path, AttachmentSink& sink);

}  // namespace qs
