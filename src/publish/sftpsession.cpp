#include "publish/sftpsession.h"

#include <fcntl.h>
#include <libssh/callbacks.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/filesystem.h"

namespace parvel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kPosixRename[] = "posix-rename@openssh.com";
constexpr size_t kBlock = 64 * 1024;  // well below the 256 KiB messages OpenSSH's server takes

// Overwrites a secret before its memory is given back.
void Wipe(std::string& secret) {
  volatile char* p = secret.data();
  for (size_t i = 0; i < secret.size(); ++i) p[i] = 0;
  secret.clear();
}

std::string SftpErrorText(int code) {
  switch (code) {
    case SSH_FX_NO_SUCH_FILE:
      return "no such file or folder";
    case SSH_FX_PERMISSION_DENIED:
      return "permission denied";
    case SSH_FX_FILE_ALREADY_EXISTS:
      return "it exists already";
    case SSH_FX_CONNECTION_LOST:
    case SSH_FX_NO_CONNECTION:
      return "the connection was lost";
    default:
      return "the server reported a failure (SFTP status " + std::to_string(code) + ")";
  }
}

void PutU32(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}

void PutString(std::string& out, std::string_view s) {
  PutU32(out, static_cast<std::uint32_t>(s.size()));
  out += s;
}

std::uint32_t GetU32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

}  // namespace

// The libssh handles, and the watchdog that cuts a connection whose host stopped answering: an
// operation waiting longer than kHostTimeoutSeconds gets its socket shut, so that the wait ends
// in an error instead of lasting for ever.
struct SftpSession::Handles {
  ssh_session session = nullptr;
  sftp_session sftp = nullptr;
  ssh_callbacks_struct callbacks{};
  PublishQuestions* questions = nullptr;
  std::string passphrase_error;

  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  bool busy = false;
  Clock::time_point since;
  std::atomic<bool> cut{false};
  std::thread watchdog;

  void Watch() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
      wake.wait_for(lock, std::chrono::milliseconds(250));
      if (busy && Clock::now() - since > std::chrono::seconds(kHostTimeoutSeconds) && !cut) {
        const socket_t fd = ssh_get_fd(session);
        if (fd != SSH_INVALID_SOCKET) ::shutdown(fd, SHUT_RDWR);
        cut = true;
      }
    }
  }

  ~Handles() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
    }
    wake.notify_all();
    if (watchdog.joinable()) watchdog.join();
    if (sftp) sftp_free(sftp);
    if (session) {
      if (ssh_is_connected(session)) ssh_disconnect(session);
      ssh_free(session);
    }
  }
};

namespace {

// Marks an operation on the connection as waiting for the host.
class Waiting {
 public:
  explicit Waiting(SftpSession::Handles& h) : h_(h) {
    std::lock_guard<std::mutex> lock(h_.mutex);
    h_.busy = true;
    h_.since = Clock::now();
  }
  ~Waiting() {
    std::lock_guard<std::mutex> lock(h_.mutex);
    h_.busy = false;
  }

 private:
  SftpSession::Handles& h_;
};

int AskPassphrase(const char* prompt, char* buf, size_t len, int /*echo*/, int /*verify*/,
                  void* userdata) {
  auto* h = static_cast<SftpSession::Handles*>(userdata);
  std::optional<std::string> answer = h->questions->Passphrase(prompt ? prompt : "Passphrase");
  if (!answer) return -1;
  if (answer->size() + 1 > len) {
    Wipe(*answer);
    return -1;
  }
  std::memcpy(buf, answer->c_str(), answer->size() + 1);
  Wipe(*answer);
  return 0;
}

}  // namespace

SftpSession::SftpSession() : h_(std::make_unique<Handles>()) {}
SftpSession::~SftpSession() = default;

bool SftpSession::Fail(const std::string& what) {
  timed_out_ = h_->cut;
  if (timed_out_) {
    error_ = "The host " + host_ + " stopped answering: " + what + " waited " +
             std::to_string(kHostTimeoutSeconds) + " seconds without an answer";
  } else {
    error_ = what;
  }
  return false;
}

bool SftpSession::Open(const PublishAddress& address, PublishQuestions& questions) {
  host_ = address.host;
  ssh_session s = h_->session = ssh_new();
  if (!s) return Fail("The SSH library could not start a session");
  h_->questions = &questions;
  // ~/.ssh is the one of $HOME, as a shell's "~" is.
  const char* home = std::getenv("HOME");
  const std::string ssh_dir = std::string(home && *home ? home : "") + "/.ssh";
  if (home && *home) ssh_options_set(s, SSH_OPTIONS_SSH_DIR, ssh_dir.c_str());
  std::string host = address.host;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  ssh_options_set(s, SSH_OPTIONS_HOST, host.c_str());
  // The user's file first, then the system's: the first value found for a key holds, as in ssh.
  for (const std::string& config : {ssh_dir + "/config", std::string("/etc/ssh/ssh_config")}) {
    if (FileExists(config) && ssh_options_parse_config(s, config.c_str()) != 0) {
      return Fail("The SSH configuration " + config + " cannot be read: " + ssh_get_error(s));
    }
  }
  if (!address.user.empty()) ssh_options_set(s, SSH_OPTIONS_USER, address.user.c_str());
  if (address.port != 0) {
    const unsigned int port = static_cast<unsigned int>(address.port);
    ssh_options_set(s, SSH_OPTIONS_PORT, &port);
  }
  const long timeout = kHostTimeoutSeconds;
  ssh_options_set(s, SSH_OPTIONS_TIMEOUT, &timeout);
  // Every request waits for its answer: without this each small packet would wait for the
  // previous one's acknowledgement (tens of milliseconds per file).
  const int nodelay = 1;
  ssh_options_set(s, SSH_OPTIONS_NODELAY, &nodelay);
  h_->callbacks.userdata = h_.get();
  h_->callbacks.auth_function = AskPassphrase;
  ssh_callbacks_init(&h_->callbacks);
  ssh_set_callbacks(s, &h_->callbacks);

  const auto started = Clock::now();
  if (ssh_connect(s) != SSH_OK) {
    const auto waited =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count();
    if (waited >= kHostTimeoutSeconds) {
      timed_out_ = true;
      error_ = "The host " + host_ + " did not answer within " +
               std::to_string(kHostTimeoutSeconds) + " seconds (waited " + std::to_string(waited) +
               " seconds)";
      return false;
    }
    return Fail("Could not connect to " + host_ + ": " + ssh_get_error(s));
  }
  h_->watchdog = std::thread([h = h_.get()] { h->Watch(); });
  if (!CheckHostKey(questions)) return false;
  if (!Authenticate(address, questions)) return false;

  Waiting waiting(*h_);
  h_->sftp = sftp_new(s);
  if (!h_->sftp || sftp_init(h_->sftp) != SSH_OK) {
    return Fail("The host " + host_ + " does not offer SFTP: " + ssh_get_error(s));
  }
  if (!sftp_extension_supported(h_->sftp, kPosixRename, "1")) {
    return Fail("The SFTP server of " + host_ + " does not offer " + kPosixRename +
                ", which publishing needs to replace a file in one step so that no visitor "
                "sees half of it: nothing was published");
  }
  return true;
}

bool SftpSession::CheckHostKey(PublishQuestions& questions) {
  ssh_session s = h_->session;
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(s, &key) != SSH_OK) {
    return Fail("The host " + host_ + " sent no key: " + ssh_get_error(s));
  }
  unsigned char* hash = nullptr;
  size_t hash_size = 0;
  std::string fingerprint;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hash_size) == 0) {
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hash_size);
    if (text) fingerprint = text;
    ssh_string_free_char(text);
    ssh_clean_pubkey_hash(&hash);
  }
  ssh_key_free(key);
  switch (ssh_session_is_known_server(s)) {
    case SSH_KNOWN_HOSTS_OK:
      return true;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
      return Fail("WARNING: the host key of " + host_ + " has changed (it is now " + fingerprint +
                  "). Someone may be listening in between, or the host was reinstalled. The "
                  "connection was refused. If the new key is right, remove the host's old line "
                  "from ~/.ssh/known_hosts.");
    case SSH_KNOWN_HOSTS_NOT_FOUND:
    case SSH_KNOWN_HOSTS_UNKNOWN:
      if (!questions.TrustNewHost(host_, fingerprint)) {
        return Fail("The host " + host_ + " is not known (its key, " + fingerprint +
                    ", is not in ~/.ssh/known_hosts) and was not trusted: nothing was published");
      }
      if (ssh_session_update_known_hosts(s) != SSH_OK) {
        return Fail("The key of " + host_ +
                    " could not be added to ~/.ssh/known_hosts: " + ssh_get_error(s));
      }
      return true;
    case SSH_KNOWN_HOSTS_ERROR:
    default:
      return Fail("The key of " + host_ +
                  " could not be checked against ~/.ssh/known_hosts: " + ssh_get_error(s));
  }
}

bool SftpSession::Authenticate(const PublishAddress& address, PublishQuestions& questions) {
  // No watchdog here: a person may take their time over a passphrase or password, and libssh
  // waits for the host's answers no longer than the session's timeout.
  ssh_session s = h_->session;
  int rc = ssh_userauth_none(s, nullptr);
  if (rc == SSH_AUTH_SUCCESS) return true;
  if (rc == SSH_AUTH_ERROR) return Fail("Could not log in to " + host_ + ": " + ssh_get_error(s));
  const int methods = ssh_userauth_list(s, nullptr);
  if (methods & SSH_AUTH_METHOD_PUBLICKEY) {
    // The agent first, then the key files (~/.ssh/id_* and IdentityFile), as ssh does.
    rc = ssh_userauth_publickey_auto(s, nullptr, nullptr);
    if (rc == SSH_AUTH_SUCCESS) return true;
    if (rc == SSH_AUTH_ERROR) {
      return Fail("Could not log in to " + host_ + ": " + ssh_get_error(s));
    }
  }
  char* user = nullptr;
  std::string who = address.host;
  if (ssh_options_get(s, SSH_OPTIONS_USER, &user) == SSH_OK && user) {
    who = std::string(user) + "@" + address.host;
    ssh_string_free_char(user);
  }
  if (methods & SSH_AUTH_METHOD_PASSWORD) {
    for (int attempt = 1; attempt <= 3; ++attempt) {
      std::optional<std::string> password = questions.Password(who, attempt);
      if (!password) break;
      rc = ssh_userauth_password(s, nullptr, password->c_str());
      if (rc == SSH_AUTH_SUCCESS) {
        questions.PasswordAccepted(who, *password);
        Wipe(*password);
        return true;
      }
      Wipe(*password);
      if (rc == SSH_AUTH_ERROR) {
        return Fail("Could not log in to " + host_ + ": " + ssh_get_error(s));
      }
    }
  }
  return Fail("The host " + host_ + " did not let " + who +
              " log in: neither the ssh agent, nor a key file, nor a password was accepted");
}

bool SftpSession::Kind(const std::string& path, RemoteKind* kind) {
  Waiting waiting(*h_);
  sftp_attributes attributes = sftp_lstat(h_->sftp, path.c_str());
  if (!attributes) {
    const int code = sftp_get_error(h_->sftp);
    if (code == SSH_FX_NO_SUCH_FILE) {
      *kind = RemoteKind::Missing;
      return true;
    }
    *kind = RemoteKind::Other;
    return Fail("Could not look at " + path + " on " + host_ + ": " + SftpErrorText(code));
  }
  switch (attributes->type) {
    case SSH_FILEXFER_TYPE_REGULAR:
      *kind = RemoteKind::File;
      break;
    case SSH_FILEXFER_TYPE_DIRECTORY:
      *kind = RemoteKind::Directory;
      break;
    default:
      *kind = RemoteKind::Other;
  }
  sftp_attributes_free(attributes);
  return true;
}

bool SftpSession::List(const std::string& directory, std::vector<RemoteEntry>* entries) {
  Waiting waiting(*h_);
  sftp_dir dir = sftp_opendir(h_->sftp, directory.c_str());
  if (!dir) {
    return Fail("Could not list " + directory + " on " + host_ + ": " +
                SftpErrorText(sftp_get_error(h_->sftp)));
  }
  while (sftp_attributes a = sftp_readdir(h_->sftp, dir)) {
    const std::string name = a->name ? a->name : "";
    if (name != "." && name != "..") {
      entries->push_back({name, a->type == SSH_FILEXFER_TYPE_DIRECTORY});
    }
    sftp_attributes_free(a);
  }
  const bool complete = sftp_dir_eof(dir) == 1;
  sftp_closedir(dir);
  if (!complete) {
    return Fail("Could not list " + directory + " on " + host_ + ": " + ssh_get_error(h_->session));
  }
  return true;
}

bool SftpSession::MakeDirectory(const std::string& path) {
  Waiting waiting(*h_);
  if (sftp_mkdir(h_->sftp, path.c_str(), 0755) == 0) return true;
  return Fail("Could not make the folder " + path + " on " + host_ + ": " +
              SftpErrorText(sftp_get_error(h_->sftp)));
}

bool SftpSession::RemoveFile(const std::string& path) {
  Waiting waiting(*h_);
  if (sftp_unlink(h_->sftp, path.c_str()) == 0) return true;
  const int code = sftp_get_error(h_->sftp);
  if (code == SSH_FX_NO_SUCH_FILE) return true;
  return Fail("Could not remove " + path + " on " + host_ + ": " + SftpErrorText(code));
}

bool SftpSession::RemoveDirectory(const std::string& path) {
  Waiting waiting(*h_);
  return sftp_rmdir(h_->sftp, path.c_str()) == 0;
}

// libssh 0.10 waits for each write's answer before the next; over a network that leaves the line
// idle most of the time. Here up to kWindow writes are in flight at once, as OpenSSH's sftp does,
// on the handle libssh opened; every answer is read before this returns, so that libssh finds
// nothing of these on the channel.
bool SftpSession::Upload(const std::string& local, const std::string& remote,
                         const std::function<bool(std::uint64_t)>& sent, std::string* digest) {
  constexpr size_t kWindow = 32;  // 2 MiB in flight: OpenSSH's channel window
  std::ifstream in(local, std::ios::binary);
  if (!in) return Fail(local + " cannot be read");
  Waiting waiting(*h_);
  sftp_file file = sftp_open(h_->sftp, remote.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!file) {
    return Fail("Could not write " + remote + " on " + host_ + ": " +
                SftpErrorText(sftp_get_error(h_->sftp)));
  }
  const std::string handle(static_cast<const char*>(ssh_string_data(file->handle)),
                           ssh_string_len(file->handle));
  std::vector<char> buffer(kBlock);
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> hash(EVP_MD_CTX_new(),
                                                                     &EVP_MD_CTX_free);
  EVP_DigestInit_ex(hash.get(), EVP_sha256(), nullptr);
  std::deque<std::uint32_t> in_flight;
  std::uint64_t offset = 0;
  bool reading = true;
  bool broken = false;  // the channel cannot be trusted any more
  std::string failure;
  while (true) {
    while (reading && failure.empty() && in_flight.size() < kWindow) {
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      const auto count = static_cast<size_t>(in.gcount());
      if (in.bad()) failure = local + " cannot be read";
      if (count == 0 || !failure.empty()) {
        reading = false;
        break;
      }
      const std::uint32_t id = ++h_->sftp->id_counter;
      std::string body;
      PutString(body, handle);
      PutU32(body, static_cast<std::uint32_t>(offset >> 32));
      PutU32(body, static_cast<std::uint32_t>(offset));
      PutString(body, std::string_view(buffer.data(), count));
      if (!SendRequest(SSH_FXP_WRITE, id, body)) {
        failure = std::string("the connection was lost: ") + ssh_get_error(h_->session);
        broken = true;
        reading = false;
        break;
      }
      in_flight.push_back(id);
      offset += count;
      EVP_DigestUpdate(hash.get(), buffer.data(), count);
      if (!sent(count)) {
        failure = "cancelled";
        reading = false;
      }
    }
    if (in_flight.empty() || broken) break;
    std::vector<unsigned char> reply;
    if (!ReadReply(&reply)) {
      failure = "the connection was lost";
      broken = true;
      break;
    }
    {
      std::lock_guard<std::mutex> lock(h_->mutex);
      h_->since = Clock::now();
    }
    const auto it = std::find(in_flight.begin(), in_flight.end(), GetU32(&reply[1]));
    if (reply[0] != SSH_FXP_STATUS || it == in_flight.end()) {
      failure = "the server's answer was not understood";
      broken = true;
      break;
    }
    in_flight.erase(it);
    const std::uint32_t code = GetU32(&reply[5]);
    if (code != SSH_FX_OK && failure.empty()) {
      failure = SftpErrorText(static_cast<int>(code));
      reading = false;
    }
  }
  // On a broken channel the close fails at once; it still gives the handle's memory back.
  const bool closed = sftp_close(file) == 0;
  if (broken) return Fail("Could not write " + remote + " on " + host_ + ": " + failure);
  if (failure == "cancelled") {
    error_ = failure;
    return false;
  }
  if (!failure.empty()) {
    return Fail((failure.find(local) == 0
                     ? failure
                     : "Could not write " + remote + " on " + host_ + ": " + failure));
  }
  if (!closed) {
    return Fail("Could not finish writing " + remote + " on " + host_ + ": " +
                SftpErrorText(sftp_get_error(h_->sftp)));
  }
  if (digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(hash.get(), bytes, &size);
    digest->clear();
    for (unsigned int i = 0; i < size; ++i) {
      *digest += kDigits[bytes[i] >> 4];
      *digest += kDigits[bytes[i] & 15];
    }
  }
  return true;
}

// Reads one SFTP reply from the channel, for a request sent here past libssh. False when the
// connection broke or the host stopped answering.
bool SftpSession::ReadReply(std::vector<unsigned char>* reply) {
  ssh_channel channel = h_->sftp->channel;
  const auto read_exactly = [&](unsigned char* into, std::uint32_t size) {
    std::uint32_t got = 0;
    while (got < size) {
      const int n =
          ssh_channel_read_timeout(channel, into + got, size - got, 0, kHostTimeoutSeconds * 1000);
      if (n < 0 || (n == 0 && (ssh_channel_is_eof(channel) || h_->cut))) return false;
      if (n == 0) {
        h_->cut = true;  // no answer within the time
        return false;
      }
      got += static_cast<std::uint32_t>(n);
    }
    return true;
  };
  unsigned char length[4];
  if (!read_exactly(length, 4)) return false;
  const std::uint32_t size = GetU32(length);
  if (size < 9 || size > 256 * 1024) return false;
  reply->resize(size);
  return read_exactly(reply->data(), size);
}

// Sends one request packet (type, id, body) on the SFTP channel.
bool SftpSession::SendRequest(unsigned char type, std::uint32_t id, const std::string& body) {
  std::string packet;
  PutU32(packet, static_cast<std::uint32_t>(body.size() + 5));
  packet += static_cast<char>(type);
  PutU32(packet, id);
  packet += body;
  return ssh_channel_write(h_->sftp->channel, packet.data(),
                           static_cast<std::uint32_t>(packet.size())) ==
         static_cast<int>(packet.size());
}

// libssh 0.10 sends SFTP's own rename, which will not replace an existing file; the extension
// that does is requested here as one SSH_FXP_EXTENDED packet on the SFTP channel, and its status
// read back. Nothing else is waiting on the channel meanwhile: every other request is answered
// before its call returns.
bool SftpSession::Replace(const std::string& from, const std::string& to) {
  Waiting waiting(*h_);
  const std::uint32_t id = ++h_->sftp->id_counter;
  std::string body;
  PutString(body, kPosixRename);
  PutString(body, from);
  PutString(body, to);
  const auto failed = [&](const std::string& why) {
    return Fail("Could not put " + to + " in place on " + host_ + ": " + why);
  };
  if (!SendRequest(SSH_FXP_EXTENDED, id, body)) return failed(ssh_get_error(h_->session));
  std::vector<unsigned char> reply;
  if (!ReadReply(&reply)) return failed("the connection was lost");
  if (reply[0] != SSH_FXP_STATUS || GetU32(&reply[1]) != id) {
    return failed("the server's answer was not understood");
  }
  const std::uint32_t code = GetU32(&reply[5]);
  if (code != SSH_FX_OK) return failed(SftpErrorText(static_cast<int>(code)));
  return true;
}

}  // namespace parvel
