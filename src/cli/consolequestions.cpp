#include "cli/consolequestions.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace parvel::cli {

bool ConsoleQuestions::TrustNewHost(const std::string& host, const std::string& fingerprint) {
  std::cerr << "Confirmation: " << NewHostQuestion(host, fingerprint) << '\n';
  // --yes settles every other question, never this one: only a person can compare a key.
  if (policy_ == ConsoleInteraction::Policy::No || !interactive_) {
    std::cerr << "Answer: No\n";
    return false;
  }
  for (;;) {
    std::cerr << "[y/n] " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return false;
    if (!line.empty() && (line[0] | 0x20) == 'y') return true;
    if (!line.empty() && (line[0] | 0x20) == 'n') return false;
  }
}

std::optional<std::string> ConsoleQuestions::Secret(const std::string& prompt) {
  if (!interactive_ || policy_ == ConsoleInteraction::Policy::No) return std::nullopt;
  std::cerr << prompt << ": " << std::flush;
  termios old{};
  const bool restore = ::tcgetattr(STDIN_FILENO, &old) == 0;
  if (restore) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string secret;
  const bool read = static_cast<bool>(std::getline(std::cin, secret));
  if (restore) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
  std::cerr << '\n';
  if (!read) return std::nullopt;
  return secret;
}

std::optional<std::string> ConsoleQuestions::Passphrase(const std::string& prompt) {
  return Secret(prompt);
}

std::optional<std::string> ConsoleQuestions::Password(const std::string& who, int attempt) {
  return Secret(attempt == 1 ? kPasswordFor + who : kPasswordFor + who + " (again)");
}

}  // namespace parvel::cli
