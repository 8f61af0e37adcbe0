// The colour setting of the page settings: either Default (no colour of its own, the page's colour
// applies) or a 32-bit colour laid out 0x00BBGGRR, with its stored text form ("Default", one of
// the 41 colour names, or "$" and eight upper-case hexadecimal digits).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parvel {

class Colour {
 public:
  // A fresh colour setting is Default.
  constexpr Colour() = default;
  static constexpr Colour Default() { return Colour(); }
  static constexpr Colour Of(std::uint32_t value) { return Colour(false, value); }

  constexpr bool IsDefault() const { return is_default_; }
  // The colour value; 0 for Default.
  constexpr std::uint32_t Value() const { return is_default_ ? 0u : value_; }
  constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(Value() & 0xFF); }
  constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>((Value() >> 8) & 0xFF); }
  constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>((Value() >> 16) & 0xFF); }

  friend constexpr bool operator==(const Colour& a, const Colour& b) {
    return a.is_default_ == b.is_default_ && a.Value() == b.Value();
  }

 private:
  constexpr Colour(bool is_default, std::uint32_t value) : is_default_(is_default), value_(value) {}

  bool is_default_ = true;
  std::uint32_t value_ = 0;
};

// Values of the named colours used elsewhere in the program.
inline constexpr std::uint32_t kClBlack = 0x00000000;
inline constexpr std::uint32_t kClWhite = 0x00FFFFFF;
inline constexpr std::uint32_t kClRed = 0x000000FF;
inline constexpr std::uint32_t kClSilver = 0x00C0C0C0;

// The value of a colour name ("clRed", "clBtnFace", ...; any case), or nullopt.
std::optional<std::uint32_t> ColourFromName(std::string_view name);
// The name of a value that has one ("clRed"), or empty.
std::string_view ColourName(std::uint32_t value);

// Reads a stored colour: "Default" (any case), a colour name (any case), or an integer ("$" for
// hexadecimal, as ParseInt). nullopt when the text is none of these.
std::optional<Colour> ParseColour(std::string_view text);
// The stored text: "Default", the colour's name, or "$" and eight upper-case hex digits.
std::string ColourToString(const Colour& colour);

// The colour as pages and the page settings show it: "#" and red, green, blue as upper-case hex
// pairs of a 0x00BBGGRR value; the top byte is ignored.
std::string ColourHexText(std::uint32_t value);

}  // namespace parvel
