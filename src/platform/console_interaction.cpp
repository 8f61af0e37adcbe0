#include "platform/console_interaction.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace parvel {
namespace {

std::atomic<bool> g_cancel_requested{false};

}  // namespace

ConsoleInteraction::ConsoleInteraction(std::ostream& err, std::istream& in, Policy policy,
                                       bool interactive)
    : err_(err), in_(in), policy_(policy), interactive_(interactive) {}

ConsoleInteraction::~ConsoleInteraction() {
  for (const auto& line : pending_log_) err_ << line << '\n';
}

void ConsoleInteraction::RequestCancel() {
  g_cancel_requested = true;
}

Answer ConsoleInteraction::Decide(Buttons buttons, Caution caution) {
  const bool to_all = buttons == Buttons::YesAllNoAllCancel;
  const bool has_yes = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel || to_all;
  const Answer positive = has_yes ? Answer::Yes : Answer::Ok;
  const Answer negative = has_yes ? Answer::No : Answer::Cancel;
  if (policy_ == Policy::Yes && caution != Caution::PersonOnly) return positive;
  if (policy_ == Policy::No || !interactive_) return negative;
  const bool default_no = has_yes && caution != Caution::None;
  for (;;) {
    err_ << (to_all       ? "[y/a(ll)/n/x(none)/c] "
             : default_no ? "[y/N] "
             : has_yes    ? "[y/n] "
                          : "[o/c] ")
         << std::flush;
    std::string line;
    if (!std::getline(in_, line)) return negative;
    if (line.empty() && default_no) return Answer::No;
    if (!line.empty()) {
      const char c = static_cast<char>(line[0] | 0x20);
      if (c == 'y' && has_yes) return Answer::Yes;
      if (c == 'n' && has_yes) return Answer::No;
      if (c == 'a' && to_all) return Answer::YesToAll;
      if (c == 'x' && to_all) return Answer::NoToAll;
      if (c == 'o' && !has_yes) return Answer::Ok;
      if (c == 'c') return Answer::Cancel;
    }
  }
}

Answer ConsoleInteraction::Message(MessageKind kind, std::string_view text, Buttons buttons) {
  return Ask(kind, text, buttons, Caution::None);
}

Answer ConsoleInteraction::Ask(MessageKind kind, std::string_view text, Buttons buttons,
                               Caution caution) {
  if (!last_progress_.empty()) {
    err_ << '\n';
    last_progress_.clear();
  }
  err_ << MessageKindName(kind) << ": " << text << '\n';
  for (const auto& line : pending_log_) err_ << line << '\n';
  pending_log_.clear();
  Answer answer = Answer::Ok;
  bool preset = false;
  for (const auto& [preset_text, preset_answer] : presets_) {
    if (buttons != Buttons::Ok && caution != Caution::PersonOnly && preset_text == text) {
      answer = preset_answer;
      preset = true;
    }
  }
  if (buttons != Buttons::Ok && !preset) answer = Decide(buttons, caution);
  err_ << "Answer: " << AnswerName(answer) << '\n';
  err_ << std::flush;
  return answer;
}

std::optional<std::string> ConsoleInteraction::Prompt(std::string_view caption,
                                                      std::string_view question,
                                                      std::string_view initial) {
  err_ << caption << ": " << question << " [" << initial << "] " << std::flush;
  for (const auto& [preset_caption, value] : prompt_presets_) {
    if (preset_caption == caption) {
      err_ << value << '\n';
      return value;
    }
  }
  if (policy_ != Policy::Ask || !interactive_) {
    err_ << '\n';
    if (policy_ == Policy::No) return std::nullopt;
    return std::string(initial);
  }
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  if (line.empty()) return std::string(initial);
  return line;
}

void ConsoleInteraction::Progress(std::string_view message, int position, int maximum) {
  if (message.empty()) return;  // a cleared progress display
  std::string line = std::string(message);
  if (maximum > 0) line += " (" + std::to_string(position) + "/" + std::to_string(maximum) + ")";
  if (interactive_) {
    // A terminal gets a bar in front of the message, redrawn in place.
    if (maximum > 0) {
      constexpr int kWidth = 24;
      const int filled = static_cast<int>(static_cast<long long>(kWidth) *
                                          std::min(std::max(position, 0), maximum) / maximum);
      line = "[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] " + line;
    }
    if (line == last_progress_) return;
    last_progress_ = line;
    err_ << '\r' << line << "\x1b[K" << std::flush;
    return;
  }
  // A log gets one line per step: when the message changes, not when only the bar moves.
  if (message == last_message_) return;
  last_message_ = std::string(message);
  err_ << line << '\n';
}

void ConsoleInteraction::Status(std::string_view message) {
  // Only a terminal shows the passing status; a log gets the progress lines alone.
  if (!interactive_) return;
  last_progress_ = std::string(message);
  err_ << '\r' << message << "\x1b[K" << std::flush;
}

void ConsoleInteraction::Log(std::string_view line) {
  pending_log_.emplace_back(line);
}

bool ConsoleInteraction::Checkpoint() {
  return g_cancel_requested.exchange(false);
}

bool ConsoleInteraction::OpenDocument(const std::string& path) {
  err_ << "Open: " << path << '\n';
  return true;
}

void ConsoleInteraction::ShowHelp(int topic) {
  err_ << "Help: topic " << topic << '\n';
}

}  // namespace parvel
