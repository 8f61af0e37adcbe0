// Hand-written: the rule is a few lines and must match one fixed set of kept bytes exactly.
#include "build/htmlsafe.h"

#include "model/textutil.h"

namespace parvel {
namespace {

// Unreserved and sub-delimiter characters that are safe in a relative path, minus ":".
constexpr std::string_view kKeptPunctuation = "-._~!$&()*+,;=@/";

bool KeptInUrl(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return kKeptPunctuation.find(ch) != std::string_view::npos;
}

}  // namespace

std::string UrlFromFileName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url;
  url.reserve(name.size());
  for (char ch : name) {
    if (KeptInUrl(ch)) {
      url += ch;
    } else {
      url += '%';
      const auto c = static_cast<unsigned char>(ch);
      url += kHex[c >> 4];
      url += kHex[c & 0x0F];
    }
  }
  return url;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
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

std::string AttrUrl(std::string_view name) {
  return HtmlEscape(UrlFromFileName(name));
}

std::string ScriptUrl(std::string_view name) {
  return HtmlEscape(ReplaceAll(UrlFromFileName(name), "%", "%25"));
}

std::string TextFromFileName(std::string_view name) {
  return HtmlEscape(name);
}

}  // namespace parvel
