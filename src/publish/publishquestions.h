// What publishing may ask a person: whether to trust a host never seen before, a key's
// passphrase, the password. The desktop asks in dialogs, the command line on its terminal, and
// turnwheel (which runs unattended) never asks.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace parvel {

// The question TrustNewHost puts to a person, naming the host and its key's fingerprint.
inline std::string NewHostQuestion(const std::string& host, const std::string& fingerprint) {
  return "The host " + host +
         " is not known: its key is not in ~/.ssh/known_hosts. Its key fingerprint is " +
         fingerprint +
         ". Compare it with the one your host's provider gives. Trust the host and add its key "
         "to ~/.ssh/known_hosts?";
}
// "Password for " + user@host: how Password is asked.
inline constexpr char kPasswordFor[] = "Password for ";

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

// Asks nothing: every unknown host is refused, only the agent and keys without a passphrase are
// used, and the password is the one `stored` holds for user@host (the desktop's keyring), if any.
class UnattendedQuestions : public PublishQuestions {
 public:
  using Stored = std::function<std::optional<std::string>(const std::string& who)>;
  explicit UnattendedQuestions(Stored stored = {}) : stored_(std::move(stored)) {}
  bool TrustNewHost(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> Passphrase(const std::string&) override { return std::nullopt; }
  std::optional<std::string> Password(const std::string& who, int attempt) override {
    if (attempt != 1 || !stored_) return std::nullopt;
    return stored_(who);
  }

 private:
  Stored stored_;
};

}  // namespace parvel
