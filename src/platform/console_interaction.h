// The command line's Interaction: every message box is printed on the error stream as
// "<Kind>: <text>" followed by the answer given. Questions are answered from a fixed policy
// (--yes / --no), else asked on the terminal when there is one, else answered No. A question
// that only a person may answer Yes (Caution::PersonOnly) is never answered Yes by --yes or a
// preset: it is asked on the terminal, or answered No. On the terminal, a question whose default
// is No takes an empty line as No.
#pragma once

#include <cstdio>
#include <istream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/interaction.h"

namespace parvel {

class ConsoleInteraction : public Interaction {
 public:
  enum class Policy { Ask, Yes, No };

  // `in` is read only with Policy::Ask and `interactive` true; `err` receives every message.
  ConsoleInteraction(std::ostream& err, std::istream& in, Policy policy, bool interactive);
  ~ConsoleInteraction() override;

  Answer Message(MessageKind kind, std::string_view text, Buttons buttons) override;
  Answer Ask(MessageKind kind, std::string_view text, Buttons buttons, Caution caution) override;
  std::optional<std::string> Prompt(std::string_view caption, std::string_view question,
                                    std::string_view initial) override;
  void BeginBusy() override {}
  void EndBusy() override {}
  void Progress(std::string_view message, int position, int maximum) override;
  void Status(std::string_view message) override;
  void Log(std::string_view line) override;
  bool Checkpoint() override;
  bool OpenDocument(const std::string& path) override;
  void ShowHelp(int topic) override;

  // Set from a signal handler (SIGINT) to ask a long operation to stop at its next checkpoint.
  static void RequestCancel();

  // Answers the box with exactly this text with `answer`, whatever the policy (a command line
  // option that settles one question, such as the page count of a site without images).
  void Preset(std::string text, Answer answer) { presets_.push_back({std::move(text), answer}); }
  // Answers the prompt with this caption with `value`.
  void PresetPrompt(std::string caption, std::string value) {
    prompt_presets_.push_back({std::move(caption), std::move(value)});
  }

 private:
  Answer Decide(Buttons buttons, Caution caution);

  std::ostream& err_;
  std::istream& in_;
  Policy policy_;
  bool interactive_;
  std::string last_progress_;
  std::string last_message_;
  std::vector<std::string> pending_log_;  // logged lines for the next box
  std::vector<std::pair<std::string, Answer>> presets_;
  std::vector<std::pair<std::string, std::string>> prompt_presets_;
};

}  // namespace parvel
