// A real OpenSSH server on 127.0.0.1 for the publishing tests: a throwaway host key, the test's
// own key authorised, SFTP served in-process, and $HOME pointed at a scratch folder whose
// ~/.ssh (config, key, known_hosts) is the test's.
#pragma once

#include <sys/types.h>

#include <string>

#include "support/testsupport.h"

namespace parvel::testing {

class SshServer {
 public:
  SshServer();
  ~SshServer();

  // Starts sshd (again, on the same port and key after Kill); false when it did not start.
  bool Start();
  // Kills the server and every session it serves.
  void Kill();

  int port() const { return port_; }
  // The ~/.ssh/config alias of the server ("testhost").
  static constexpr const char* kAlias = "testhost";
  // A scratch folder the server's sessions can write (remote paths are local ones).
  std::string Scratch(const std::string& name) const { return dir_ / name; }
  // Writes ~/.ssh/known_hosts: the server's real key, another key (a changed host), or nothing.
  enum class Known { Real, Other, None };
  void SetKnownHosts(Known known);
  std::string KnownHostsFile() const { return dir_ / "home/.ssh/known_hosts"; }
  std::string log() const;

 private:
  TempDir dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace parvel::testing
