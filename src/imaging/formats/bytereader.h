// A bounds-checked cursor over a file held in memory. Every read past the end throws the
// caller's format error with "Unexpected end of file", so a reader never touches a byte it does
// not have. Written by hand: the format readers here need exactly this and nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/imageerrors.h"

namespace parvel {

// Error is one of the format classes of imaging/imageerrors.h (constructible from a text).
template <class Error>
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ == data_.size(); }

  // Moves to an absolute offset; the end itself is a valid position.
  void Seek(std::size_t offset) {
    if (offset > data_.size()) Fail(kUnexpectedEnd);
    pos_ = offset;
  }
  void Skip(std::size_t count) {
    Need(count);
    pos_ += count;
  }
  // The next count bytes, consumed.
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    Need(count);
    auto out = data_.subspan(pos_, count);
    pos_ += count;
    return out;
  }
  std::uint8_t U8() {
    Need(1);
    return data_[pos_++];
  }
  // The next byte without consuming it.
  std::uint8_t PeekU8() const {
    Need(1);
    return data_[pos_];
  }
  std::uint16_t U16LE() { return static_cast<std::uint16_t>(Little(2)); }
  std::uint32_t U32LE() { return static_cast<std::uint32_t>(Little(4)); }
  std::int32_t I32LE() { return static_cast<std::int32_t>(U32LE()); }
  std::uint16_t U16BE() { return static_cast<std::uint16_t>(Big(2)); }
  std::uint32_t U32BE() { return static_cast<std::uint32_t>(Big(4)); }

  // Throws unless count more bytes are there.
  void Need(std::size_t count) const {
    if (count > data_.size() - pos_) Fail(kUnexpectedEnd);
  }
  [[noreturn]] static void Fail(std::string_view text) { throw Error(text); }

 private:
  std::uint64_t Little(std::size_t count) {
    auto bytes = Bytes(count);
    std::uint64_t v = 0;
    for (std::size_t i = count; i-- > 0;) v = (v << 8) | bytes[i];
    return v;
  }
  std::uint64_t Big(std::size_t count) {
    auto bytes = Bytes(count);
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < count; ++i) v = (v << 8) | bytes[i];
    return v;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

// Appends the low `count` bytes of value, least significant first (the writers' counterpart).
inline void AppendLE(std::vector<std::uint8_t>& out, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace parvel
