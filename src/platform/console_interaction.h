// The command line's Interaction: every message box is printed on the error stream as
// "<Kind>: <text>" followed by the answer given. Questions are answered from a fixed policy
// (--yes / --no), else asked on the terminal when there is one, else answered No.
#pragma once

#include <cstdio>
#include <istream>
#include <ostream>

#include "platform/interaction.h"

namespace parvel {

class ConsoleInteraction : public Interaction {
 public:
  enum class Policy { Ask, Yes, No };

  // `in` is read only with Policy::Ask and `interactive` true; `err` receives every message.
  ConsoleInteraction(std::ostream& err, std::istream& in, Policy policy, bool interactive);

  Answer Message(MessageKind kind, std::string_view text, Buttons buttons) override;
  std::optional<std::string> Prompt(std::string_view caption, std::string_view question,
                                    std::string_view initial) override;
  void BeginBusy() override {}
  void EndBusy() override {}
  void Progress(std::string_view message, int position, int maximum) override;
  void Status(std::string_view message) override;
  bool Checkpoint() override;
  void OpenDocument(const std::string& path) override;
  void ShowHelp(int topic) override;

  // Set from a signal handler (SIGINT) to ask a long operation to stop at its next checkpoint.
  static void RequestCancel();

 private:
  Answer Decide(Buttons buttons);

  std::ostream& err_;
  std::istream& in_;
  Policy policy_;
  bool interactive_;
  std::string last_progress_;
};

}  // namespace parvel
