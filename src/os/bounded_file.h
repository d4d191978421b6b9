// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a whole input file that a user may point anywhere: only a regular file is read, and
// only up to a size limit, so a FIFO, a terminal or /dev/zero is refused at once instead of
// blocking the program or filling its memory.

#include <cstdint>
#include <filesystem>
#include <string>

namespace zm::os {

struct BoundedRead {
    std::string bytes;
    std::string error;  // empty when the file was read; otherwise why not ("not a regular file")
};

BoundedRead ReadRegularFile(const std::filesystem::path& path, std::uint64_t limit);

// "64 MiB", "4096 bytes": a limit as a person reads it in a message.
std::string SizeText(std::uint64_t bytes);

}  // namespace zm::os
