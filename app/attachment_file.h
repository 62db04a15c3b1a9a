// SPDX-License-Identifier: MIT
// Writing an attachment out into a file of the user's choice, byte for byte.
#pragma once

#include <string>

#include "platform/status.h"
#include "storage/records.h"
#include "storage/session.h"

namespace qs {

// Writes the attachment into `path` through a file beside it that takes the name only when every
// byte was written and checked: a failure leaves no file, and no half-written one. Attach and
// AttData of the current database must be open. Code::Corrupt when the stored bytes are damaged,
// Code::IoError when the file could not be written.
Status SaveAttachment(Session& s, const Attach& a, const std::string& path);

}  // namespace qs
