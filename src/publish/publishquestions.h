// What publishing may ask a person: whether to trust a host never seen before, a key's
// passphrase, the password. The desktop asks in dialogs, the command line on its terminal, and
// turnwheel (which runs unattended) never asks.
#pragma once

#include <optional>
#include <string>

namespace parvel {

class PublishQuestions {
 public:
  virtual ~PublishQuestions() = default;

  // A host whose key is not in ~/.ssh/known_hosts: true appends the key there. Only a person
  // answers this (never a --yes policy).
  virtual bool TrustNewHost(const std::string& host, const std::string& fingerprint) = 0;
  // The passphrase of a key file; nullopt when none is given.
  virtual std::optional<std::string> Passphrase(const std::string& prompt) = 0;
  // The password of user@host; nullopt when none is given. `attempt` counts from 1.
  virtual std::optional<std::string> Password(const std::string& who, int attempt) = 0;
  // The password the host accepted, after Password gave it (the desktop may remember it).
  virtual void PasswordAccepted(const std::string& /*who*/, const std::string& /*password*/) {}
};

// Asks nothing: every unknown host is refused and only the agent and keys without a passphrase
// are used, or the password given (turnwheel's, from the desktop's keyring).
class UnattendedQuestions : public PublishQuestions {
 public:
  explicit UnattendedQuestions(std::optional<std::string> password = std::nullopt)
      : password_(std::move(password)) {}
  bool TrustNewHost(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> Passphrase(const std::string&) override { return std::nullopt; }
  std::optional<std::string> Password(const std::string&, int attempt) override {
    return attempt == 1 ? password_ : std::nullopt;
  }

 private:
  std::optional<std::string> password_;
};

}  // namespace parvel
