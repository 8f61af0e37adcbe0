// Where a site is published: "sftp://[user@]host[:port]/absolute/folder".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace parvel {

struct PublishAddress {
  std::string user;    // empty: from ~/.ssh/config, else the local user
  std::string host;    // a name, an address or a ~/.ssh/config alias; "[...]" around IPv6
  int port = 0;        // 0: from ~/.ssh/config, else 22
  std::string folder;  // absolute, without a trailing "/" (except the root itself)

  // The address as the record and the messages name it: "sftp://user@host:port/folder" with the
  // parts given.
  std::string Text() const;
  // "user@host" or "host", for questions and messages.
  std::string Who() const;
};

// True when `text` starts with "sftp://" (letter case ignored): a live directory on a host.
bool IsSftpUrl(std::string_view text);

// Parses an address; nullopt with the reason in `why` ("has no host", ...) when it is not one.
// Percent escapes in the folder ("%20") are decoded; the folder must be absolute and may not
// hold "." or ".." steps.
std::optional<PublishAddress> ParsePublishUrl(std::string_view text, std::string* why);

}  // namespace parvel
