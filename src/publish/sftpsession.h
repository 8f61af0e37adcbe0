// One SSH connection with its SFTP channel, opened as OpenSSH would open it: ~/.ssh/config
// (through libssh's own parser), the host key checked against ~/.ssh/known_hosts, then the
// agent, the key files and a password.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "publish/publishquestions.h"
#include "publish/publishurl.h"

namespace parvel {

// How long a host may keep an answer waiting.
inline constexpr int kHostTimeoutSeconds = 20;

struct RemoteEntry {
  std::string name;
  bool is_directory = false;
};

enum class RemoteKind { Missing, File, Directory, Other };

class SftpSession {
 public:
  SftpSession();
  ~SftpSession();
  SftpSession(const SftpSession&) = delete;
  SftpSession& operator=(const SftpSession&) = delete;

  // Connects, checks the host key, authenticates and starts SFTP. False with the reason in
  // error(): the host's name and what went wrong (never a secret). A server without the
  // posix-rename@openssh.com extension is refused, since files could not replace others in one
  // step there.
  bool Open(const PublishAddress& address, PublishQuestions& questions);

  // The host as connected (after ~/.ssh/config), for messages.
  const std::string& host() const { return host_; }
  const std::string& error() const { return error_; }

  // What is at an absolute remote path (links not followed); Other also when it cannot be told
  // (error() says why, and Kind returns false).
  bool Kind(const std::string& path, RemoteKind* kind);
  bool List(const std::string& directory, std::vector<RemoteEntry>* entries);
  bool MakeDirectory(const std::string& path);
  // Removes a file; a missing one counts as removed.
  bool RemoveFile(const std::string& path);
  // Removes an empty directory; false (without a message) when it is not empty.
  bool RemoveDirectory(const std::string& path);
  // Writes the local file to `remote` (created or truncated, mode 0644), calling `sent` with
  // each block's size; `sent` returning false stops (error() then says "cancelled"). With
  // `digest`, the SHA-256 (hex) of the bytes sent is put there, so that the file is read once.
  bool Upload(const std::string& local, const std::string& remote,
              const std::function<bool(std::uint64_t)>& sent, std::string* digest = nullptr);
  // Renames `from` over `to` in one step (posix-rename@openssh.com).
  bool Replace(const std::string& from, const std::string& to);

  // True when the last failure was the host not answering within kHostTimeoutSeconds.
  bool timed_out() const { return timed_out_; }

  struct Handles;  // the library's handles (defined in the source file)

 private:
  bool Fail(const std::string& what);
  bool CheckHostKey(PublishQuestions& questions);
  bool Authenticate(const PublishAddress& address, PublishQuestions& questions);
  bool SendRequest(unsigned char type, std::uint32_t id, const std::string& body);
  bool ReadReply(std::vector<unsigned char>* reply);

  std::unique_ptr<Handles> h_;
  std::string host_;
  std::string error_;
  bool timed_out_ = false;
};

}  // namespace parvel
