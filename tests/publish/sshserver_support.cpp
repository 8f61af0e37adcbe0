#include "publish/sshserver_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace parvel::testing {
namespace {

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t size = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
  ::close(fd);
  return ntohs(addr.sin_port);
}

bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

void Run(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

}  // namespace

SshServer::SshServer() {
  const std::string d = dir_.path();
  Run("ssh-keygen -q -t ed25519 -N '' -f " + d + "hostkey");
  Run("ssh-keygen -q -t ed25519 -N '' -f " + d + "otherkey");
  Run("mkdir -p " + d + "home/.ssh && ssh-keygen -q -t ed25519 -N '' -f " + d +
      "home/.ssh/id_ed25519");
  port_ = FreePort();
  const char* user = std::getenv("USER");
  WriteFile(d + "sshd_config",
            "Port " + std::to_string(port_) + "\nListenAddress 127.0.0.1\nHostKey " + d +
                "hostkey\nAuthorizedKeysFile " + d +
                "home/.ssh/id_ed25519.pub\nStrictModes no\nPidFile none\nUsePAM no\n"
                "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                "PermitRootLogin prohibit-password\nSubsystem sftp internal-sftp\n");
  WriteFile(d + "home/.ssh/config", std::string("Host ") + kAlias +
                                        "\n  HostName 127.0.0.1\n  Port " + std::to_string(port_) +
                                        (user ? std::string("\n  User ") + user : "") + "\n");
  ::setenv("HOME", (d + "home").c_str(), 1);
  ::unsetenv("SSH_AUTH_SOCK");
  // sshd running as root needs its privilege separation folder.
  if (::geteuid() == 0) ::mkdir("/run/sshd", 0755);
}

SshServer::~SshServer() {
  Kill();
}

bool SshServer::Start() {
  const std::string config = dir_ / "sshd_config";
  const std::string log = dir_ / "sshd.log";
  pid_ = ::fork();
  if (pid_ == 0) {
    ::setsid();  // its own group, so that Kill reaches the sessions too
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(fd, STDERR_FILENO);
    ::execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-f", config.c_str(), "-D", "-e",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 400; ++i) {
    if (Accepts(port_)) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

void SshServer::Kill() {
  if (pid_ <= 0) return;
  // Each session runs in a process of its own session (sshd calls setsid): they are found as the
  // daemon's descendants.
  std::vector<pid_t> family = {pid_};
  for (size_t i = 0; i < family.size(); ++i) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      const std::string name = entry.path().filename();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream stat(entry.path() / "stat");
      std::string line;
      std::getline(stat, line);
      const size_t close = line.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(line.substr(close + 2));
      char state = 0;
      pid_t parent = 0;
      rest >> state >> parent;
      if (parent == family[i]) family.push_back(static_cast<pid_t>(std::stoi(name)));
    }
  }
  for (const pid_t pid : family) ::kill(pid, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void SshServer::SetKnownHosts(Known known) {
  const std::string file = KnownHostsFile();
  if (known == Known::None) {
    ::unlink(file.c_str());
    return;
  }
  const std::string key = ReadFile(dir_ / (known == Known::Real ? "hostkey.pub" : "otherkey.pub"));
  WriteFile(file, "[127.0.0.1]:" + std::to_string(port_) + " " + key);
}

std::string SshServer::log() const {
  return ReadFile(dir_ / "sshd.log");
}

}  // namespace parvel::testing
