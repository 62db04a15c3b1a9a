// SPDX-License-Identifier: MIT
// The readers of the reader formats, by their catalogue names: what the import processor is given
// to read a format with.
#pragma once

#include <memory>
#include <string>

#include "import/parser.h"

namespace qs {

// The reader of a format by its catalogue name; nullptr when the format has no reader yet.
std::unique_ptr<Parser> make_parser(const std::string& format);

}  // namespace qs
