// SPDX-License-Identifier: MIT
#include "app/attachment_file.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "storage/attachments.h"

namespace qs {

Status SaveAttachment(Session& s, const Attach& a, const std::string& path) {
    const std::filesystem::path target(path);
    const std::string part = (target.parent_path() / ("." + target.filename().string() + ".part-" +
                                                      std::to_string(getpid())))
                                 .string();
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    Status st =
        file ? ReadAttachment(s, a,
                              [&](std::string_view b) {
                                  file.write(b.data(), static_cast<std::streamsize>(b.size()));
                                  return static_cast<bool>(file);
                              })
             : Status(Code::IoError, "it cannot be created");
    file.close();
    std::error_code ec;
    if (st && !file) st = Status(Code::IoError, "it could not be written whole");
    if (st) std::filesystem::rename(part, target, ec);
    if (st && ec) st = Status(Code::IoError, ec.message());
    if (!st) std::filesystem::remove(part, ec);
    return st;
}

}  // namespace qs
