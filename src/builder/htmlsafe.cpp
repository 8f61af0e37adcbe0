// Hand-written: the rule is a few lines and must match one fixed set of encoded bytes exactly.
#include "builder/htmlsafe.h"

#include <cstddef>

#include "base/textutil.h"

namespace parvel {
namespace {

constexpr std::string_view kEncodedPunctuation = "\"#%<>?\\:";

// The length of the well-formed UTF-8 sequence of two or more bytes that starts at `at`, or 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
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
  for (std::size_t i = 0; i < name.size();) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80) {
      const std::size_t length = Utf8SequenceAt(name, i);
      if (length == 0) {
        AppendEncoded(url, c);
        ++i;
      } else {
        url.append(name.substr(i, length));
        i += length;
      }
      continue;
    }
    const bool edge_blank = c == ' ' && (i == 0 || i + 1 == name.size());
    if (c < 0x20 || c == 0x7F || edge_blank ||
        kEncodedPunctuation.find(name[i]) != std::string_view::npos) {
      AppendEncoded(url, c);
    } else {
      url += name[i];
    }
    ++i;
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
  return Escape(name, "&<");
}

}  // namespace parvel
