#include "publish/publishurl.h"

#include <cctype>

#include "base/textutil.h"

namespace parvel {
namespace {

constexpr std::string_view kScheme = "sftp://";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(c | 0x20);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes "%XX"; nullopt for a broken escape or an encoded NUL or "/".
std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    const char c = static_cast<char>(high * 16 + low);
    if (c == '\0' || c == '/') return std::nullopt;
    out += c;
    i += 2;
  }
  return out;
}

std::optional<PublishAddress> Fail(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return std::nullopt;
}

}  // namespace

std::string PublishAddress::Who() const {
  return user.empty() ? host : user + "@" + host;
}

std::string PublishAddress::Text() const {
  std::string text = std::string(kScheme) + Who();
  if (port != 0) text += ":" + std::to_string(port);
  return text + folder;
}

bool IsSftpUrl(std::string_view text) {
  const std::string trimmed = Trim(text);
  return trimmed.size() >= kScheme.size() &&
         LowerAscii(trimmed.substr(0, kScheme.size())) == kScheme;
}

std::optional<PublishAddress> ParsePublishUrl(std::string_view text, std::string* why) {
  const std::string trimmed = Trim(text);
  if (!IsSftpUrl(trimmed)) return Fail(why, "not an address that begins with sftp://");
  std::string_view rest = std::string_view(trimmed).substr(kScheme.size());
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return Fail(why, "missing the folder on the host");
  std::string_view authority = rest.substr(0, slash);
  const std::string_view path = rest.substr(slash);
  PublishAddress address;
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const auto user = PercentDecoded(authority.substr(0, at));
    if (!user || user->empty() || user->find(':') != std::string::npos) {
      return Fail(why, "not a valid user name (a password does not belong in the address)");
    }
    address.user = *user;
    authority = authority.substr(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return Fail(why, "missing the ] after the host");
    host = authority.substr(0, close + 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return Fail(why, "not a valid host");
      port = after.substr(1);
    }
  } else if (const size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  }
  if (host.empty()) return Fail(why, "missing the host");
  for (const char c : host) {
    if (std::isspace(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) < 0x20) {
      return Fail(why, "not a valid host");
    }
  }
  address.host = std::string(host);
  if (!port.empty() || authority.size() != host.size()) {
    const auto number = ParseInt(port);
    if (!number || *number < 1 || *number > 65535 ||
        port.find_first_not_of("0123456789") != std::string_view::npos) {
      return Fail(why, "not a valid port (a number from 1 to 65535)");
    }
    address.port = *number;
  }
  const auto folder = PercentDecoded(path);
  if (!folder) return Fail(why, "a folder with a broken % escape");
  std::string clean;
  size_t start = 0;
  while (start < folder->size()) {
    size_t end = folder->find('/', start);
    if (end == std::string::npos) end = folder->size();
    const std::string step = folder->substr(start, end - start);
    if (step == "." || step == "..") return Fail(why, "a folder with . or .. in it");
    if (!step.empty()) clean += "/" + step;
    start = end + 1;
  }
  address.folder = clean.empty() ? "/" : clean;
  return address;
}

}  // namespace parvel
