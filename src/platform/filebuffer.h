// Reading a whole regular file into a buffer the caller keeps from file to file, so that a large
// photograph does not take fresh memory (and its page faults) at every image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace parvel {

// Reads the regular file `path` into `buffer`, growing it as needed (never shrinking it), and
// sets `used` to the file's length. False when the file cannot be opened, is no regular file or
// a read fails; `buffer` then holds nothing meaningful. `stamp`, when given, receives the file's
// stamp as it was opened: bytes read are never older than it.
[[nodiscard]] bool ReadFileIntoBuffer(const std::string& path, std::vector<std::uint8_t>& buffer,
                                      std::size_t* used, FileStamp* stamp = nullptr);

// The first `limit` bytes of the regular file `path` (all of it when shorter) into `head`, and
// the file's length into `size`. False when it cannot be opened or is no regular file, with the
// system's reason in `error` when given. A pipe or device is never waited on.
[[nodiscard]] bool ReadFileHead(const std::string& path, std::size_t limit,
                                std::vector<std::uint8_t>* head, std::uint64_t* size,
                                std::string* error = nullptr);

}  // namespace parvel
