// The program's dialogue with its user: message boxes, the text prompt, the busy cursor,
// progress, checkpoints, opening a file and help. The Qt window, the console and the tests each
// provide one; the core calls nothing else to talk to a person.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace parvel {

enum class MessageKind { Information, Warning, Confirmation, Plain };
// YesAllNoAllCancel: Yes, Yes to All, No, No to All and Cancel, for a question asked about each
// file of a series.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesAllNoAllCancel };
enum class Answer { Ok, Cancel, Yes, No, YesToAll, NoToAll };

// The warning when no program could be started for a page: this text, the page and "!".
inline constexpr std::string_view kCouldNotOpenMessage = "The desktop could not open ";

// Which button Enter presses in a question, and who may answer it.
enum class Caution {
  None,       // the first button (Yes, OK) is the default
  DefaultNo,  // No is the default: a question whose Yes deletes something
  // No is the default, and only a person asked there and then may answer Yes, never an answer
  // given beforehand (the command line's --yes): for deleting what cannot be restored.
  PersonOnly,
};

std::string_view MessageKindName(MessageKind kind);  // "Information", "Warning", ...
std::string_view AnswerName(Answer answer);          // "OK", "Cancel", "Yes", "No"

class Interaction {
 public:
  virtual ~Interaction() = default;

  // Shows a modal message box and returns the button pressed. A box with only OK returns Ok.
  virtual Answer Message(MessageKind kind, std::string_view text, Buttons buttons) = 0;

  // A question like Message whose default button and answerers follow `caution`.
  virtual Answer Ask(MessageKind kind, std::string_view text, Buttons buttons, Caution caution) = 0;

  // Asks for one line of text; nullopt when the user cancels.
  virtual std::optional<std::string> Prompt(std::string_view caption, std::string_view question,
                                            std::string_view initial) = 0;

  // Busy cursor on (nested calls count) and off again; use BusyCursor rather than these.
  virtual void BeginBusy() = 0;
  virtual void EndBusy() = 0;

  // Progress of a long operation: a message and a position out of a maximum.
  virtual void Progress(std::string_view message, int position, int maximum) = 0;

  // The status line of a long operation, without moving its progress.
  virtual void Status(std::string_view message) = 0;

  // A line that explains the next message box: the reason (an exception's text) a page or a
  // thumbnail could not be made, logged just before the box that says so. The command line writes
  // it under the box's text (or on its error stream at its end when no box follows); the window
  // shows it as the box's details.
  virtual void Log(std::string_view line) = 0;

  // Lets pending events run; true when the user has asked to cancel since the last checkpoint.
  virtual bool Checkpoint() = 0;

  // Lets pending events run while the program waits for work on other threads, so that a window
  // stays responsive; a cancel request is left for the next Checkpoint. Nothing by default.
  virtual void KeepResponsive() {}

  // Opens a file or page with the program the desktop associates with it; false (with nothing
  // said) when no program could be started for it.
  virtual bool OpenDocument(const std::string& path) = 0;

  // Shows a help topic by its number (0: the contents).
  virtual void ShowHelp(int topic) = 0;

  // Opens a page as OpenDocument does; when no program can be started for it, warns with
  // kCouldNotOpenMessage and the page. False then.
  bool OpenPage(const std::string& path);

  // Shorthands for the usual boxes.
  void Warn(std::string_view text) { Message(MessageKind::Warning, text, Buttons::Ok); }
  void Inform(std::string_view text) { Message(MessageKind::Information, text, Buttons::Ok); }
  bool AskYesNo(std::string_view text) {
    return Message(MessageKind::Confirmation, text, Buttons::YesNo) == Answer::Yes;
  }
  // A Yes/No question whose Yes deletes: Enter answers No.
  bool ConfirmDelete(std::string_view text) {
    return Ask(MessageKind::Confirmation, text, Buttons::YesNo, Caution::DefaultNo) == Answer::Yes;
  }
  // A Yes/No question whose Yes deletes for good: Enter answers No, and only a person may say Yes.
  bool ConfirmDeleteForGood(std::string_view text) {
    return Ask(MessageKind::Confirmation, text, Buttons::YesNo, Caution::PersonOnly) == Answer::Yes;
  }
};

// Shows the busy cursor for the life of the guard, also when the scope is left by an exception.
class BusyCursor {
 public:
  explicit BusyCursor(Interaction& ui) : ui_(ui) { ui_.BeginBusy(); }
  ~BusyCursor() { ui_.EndBusy(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  Interaction& ui_;
};

}  // namespace parvel
