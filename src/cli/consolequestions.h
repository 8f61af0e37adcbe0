// Publishing's questions on the terminal: a new host's key and the secrets are asked only of a
// person at a terminal (never answered by --yes); --no or no terminal refuses the host and gives
// no secret. Secrets are read without echo.
#pragma once

#include "platform/console_interaction.h"
#include "publish/publishquestions.h"

namespace parvel::cli {

class ConsoleQuestions : public PublishQuestions {
 public:
  // `interactive`: standard input and error are a terminal.
  ConsoleQuestions(ConsoleInteraction::Policy policy, bool interactive)
      : policy_(policy), interactive_(interactive) {}

  bool TrustNewHost(const std::string& host, const std::string& fingerprint) override;
  std::optional<std::string> Passphrase(const std::string& prompt) override;
  std::optional<std::string> Password(const std::string& who, int attempt) override;

 private:
  std::optional<std::string> Secret(const std::string& prompt);

  ConsoleInteraction::Policy policy_;
  bool interactive_;
};

}  // namespace parvel::cli
