// Hand-written: the rule is a few lines and must match one fixed set of encoded bytes exactly.
#include "builder/htmlsafe.h"

#include <cstddef>
#include <cstdint>

#include "base/textutil.h"

namespace parvel {
namespace {

constexpr std::string_view kEncodedPunctuation = "\"#%<>?\\:";

// The code point of the well-formed UTF-8 sequence of two or more bytes that starts at `at`, and
// its length; a length of 0 when the bytes there are no such sequence.
struct Utf8Char {
  char32_t code_point = 0;
  std::size_t length = 0;
};

Utf8Char Utf8SequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  char32_t code_point = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};
  }
  if (at + length > text.size()) return {};
  if (byte(at + 1) < low || byte(at + 1) > high) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return {};
    code_point = (code_point << 6) | (byte(at + i) & 0x3Fu);
  }
  return {code_point, length};
}

// The character of a single byte 0x80..0xFF in windows-1252; U+FFFD for the five it leaves
// undefined.
char32_t Windows1252(unsigned char c) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  return c < 0xA0 ? kHigh[c - 0x80] : c;
}

void AppendEncoded(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

// `text` with those of & < > " ' that are in `escaped` written as character references.
std::string Escape(std::string_view text, std::string_view escaped) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    if (escaped.find(ch) == std::string_view::npos) {
      out += ch;
      continue;
    }
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

}  // namespace

std::string UrlFromFileName(std::string_view name) {
  std::string url;
  url.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool edge_blank = c == ' ' && (i == 0 || i + 1 == name.size());
    if (c < 0x20 || c >= 0x7F || edge_blank ||
        kEncodedPunctuation.find(name[i]) != std::string_view::npos) {
      AppendEncoded(url, c);
    } else {
      url += name[i];
    }
  }
  return url;
}

std::string HtmlEscape(std::string_view text) {
  return Escape(text, "&<>\"'");
}

std::string AttrText(std::string_view text) {
  return Escape(text, "&\"");
}

std::string AttrUrl(std::string_view name) {
  return AttrText(UrlFromFileName(name));
}

std::string ScriptUrl(std::string_view name) {
  return AttrText(ReplaceAll(ReplaceAll(UrlFromFileName(name), "%", "%25"), "'", "\\'"));
}

std::string TextFromFileName(std::string_view name) {
  const std::string ascii_escaped = Escape(name, "&<");
  std::string text;
  text.reserve(ascii_escaped.size());
  for (std::size_t i = 0; i < ascii_escaped.size();) {
    const auto c = static_cast<unsigned char>(ascii_escaped[i]);
    if (c < 0x80) {
      text += ascii_escaped[i];
      ++i;
      continue;
    }
    Utf8Char ch = Utf8SequenceAt(ascii_escaped, i);
    if (ch.length == 0) ch = {Windows1252(c), 1};
    text += "&#" + std::to_string(static_cast<std::uint32_t>(ch.code_point)) + ";";
    i += ch.length;
  }
  return text;
}

}  // namespace parvel
