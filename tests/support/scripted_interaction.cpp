#include "support/scripted_interaction.h"

namespace parvel {

Answer ScriptedInteraction::Message(MessageKind kind, std::string_view text, Buttons buttons) {
  if (on_message) on_message(text);
  Answer answer = Answer::Ok;
  if (buttons != Buttons::Ok) {
    if (answers_.empty()) {
      unexpected_.emplace_back(text);
      answer = (buttons == Buttons::OkCancel) ? Answer::Cancel : Answer::No;
    } else {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  messages_.push_back({kind, std::string(text), buttons, answer});
  return answer;
}

Answer ScriptedInteraction::Ask(MessageKind kind, std::string_view text, Buttons buttons,
                                Caution caution) {
  const Answer answer = Message(kind, text, buttons);
  messages_.back().caution = caution;
  return answer;
}

std::optional<std::string> ScriptedInteraction::Prompt(std::string_view caption,
                                                       std::string_view question,
                                                       std::string_view) {
  if (prompts_.empty()) {
    unexpected_.push_back(std::string(caption) + ": " + std::string(question));
    return std::nullopt;
  }
  auto text = prompts_.front();
  prompts_.pop_front();
  return text;
}

void ScriptedInteraction::Progress(std::string_view message, int position, int maximum) {
  progress_.push_back({std::string(message), position, maximum});
}

bool ScriptedInteraction::Checkpoint() {
  const bool cancel = checkpoints_ == cancel_at_;
  ++checkpoints_;
  return cancel;
}

std::vector<std::string> ScriptedInteraction::texts() const {
  std::vector<std::string> out;
  for (const auto& m : messages_) out.push_back(m.text);
  return out;
}

}  // namespace parvel
