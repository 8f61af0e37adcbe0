// Reading a whole regular file into a buffer the caller keeps from file to file, so that a large
// photograph does not take fresh memory (and its page faults) at every image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace parvel {

// Reads the regular file `path` into `buffer`, growing it as needed (never shrinking it), and
// sets `used` to the file's length. False when the file cannot be opened, is no regular file or
// a read fails; `buffer` then holds nothing meaningful.
[[nodiscard]] bool ReadFileIntoBuffer(const std::string& path, std::vector<std::uint8_t>& buffer,
                                      std::size_t* used);

}  // namespace parvel
