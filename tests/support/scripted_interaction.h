// An Interaction for tests: answers come from a queue set up by the test, every message is
// recorded with its kind, text and buttons, and a question with no queued answer is an error
// that the test sees (it is recorded and answered with the negative button).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/interaction.h"

namespace parvel {

class ScriptedInteraction : public Interaction {
 public:
  struct Shown {
    MessageKind kind;
    std::string text;
    Buttons buttons;
    Answer answer;
    Caution caution = Caution::None;
  };

  // Queues the answer for the next question (a box with more than an OK button).
  void QueueAnswer(Answer answer) { answers_.push_back(answer); }
  // Queues the text for the next prompt; nullopt stands for Cancel.
  void QueuePrompt(std::optional<std::string> text) { prompts_.push_back(std::move(text)); }
  // Makes the Checkpoint after `after` more calls report a cancel request (0: the next one).
  void CancelAtCheckpoint(int after) { cancel_at_ = checkpoints_ + after; }

  // Called with each box as it is shown, before it is answered (to look at the window then).
  std::function<void(std::string_view text)> on_message;

  Answer Message(MessageKind kind, std::string_view text, Buttons buttons) override;
  // Answers as Message does (through it, so that a test's own Message answers these too) and
  // records the caution with the message.
  Answer Ask(MessageKind kind, std::string_view text, Buttons buttons, Caution caution) override;
  std::optional<std::string> Prompt(std::string_view caption, std::string_view question,
                                    std::string_view initial) override;
  void BeginBusy() override { ++busy_depth_; }
  void EndBusy() override { --busy_depth_; }
  void Progress(std::string_view message, int position, int maximum) override;
  void Status(std::string_view message) override { statuses_.emplace_back(message); }
  void Log(std::string_view line) override { logs_.emplace_back(line); }
  bool Checkpoint() override;
  // Records the path; false (nothing could be started) after FailOpening.
  bool OpenDocument(const std::string& path) override {
    opened_.push_back(path);
    return !open_fails_;
  }
  void FailOpening() { open_fails_ = true; }
  void ShowHelp(int topic) override { help_topics_.push_back(topic); }

  const std::vector<Shown>& messages() const { return messages_; }
  std::vector<std::string> texts() const;
  // Questions asked with no queued answer, and queued answers never used.
  const std::vector<std::string>& unexpected() const { return unexpected_; }
  size_t unused_answers() const { return answers_.size(); }
  int busy_depth() const { return busy_depth_; }
  const std::vector<std::string>& opened() const { return opened_; }
  const std::vector<int>& help_topics() const { return help_topics_; }
  struct ProgressStep {
    std::string message;
    int position;
    int maximum;
  };
  const std::vector<ProgressStep>& progress() const { return progress_; }
  const std::vector<std::string>& logs() const { return logs_; }
  const std::vector<std::string>& statuses() const { return statuses_; }
  void Clear() {
    messages_.clear();
    unexpected_.clear();
  }

 private:
  std::deque<Answer> answers_;
  std::deque<std::optional<std::string>> prompts_;
  std::vector<Shown> messages_;
  std::vector<std::string> unexpected_;
  std::vector<std::string> opened_;
  std::vector<int> help_topics_;
  std::vector<ProgressStep> progress_;
  std::vector<std::string> statuses_;
  std::vector<std::string> logs_;
  bool open_fails_ = false;
  int busy_depth_ = 0;
  int checkpoints_ = 0;
  int cancel_at_ = -1;
};

}  // namespace parvel
