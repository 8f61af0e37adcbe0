#include "platform/interaction.h"

namespace parvel {

std::string_view MessageKindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      return "Information";
    case MessageKind::Warning:
      return "Warning";
    case MessageKind::Confirmation:
      return "Confirmation";
    case MessageKind::Plain:
      return "Message";
  }
  return "Message";
}

std::string_view AnswerName(Answer answer) {
  switch (answer) {
    case Answer::Ok:
      return "OK";
    case Answer::Cancel:
      return "Cancel";
    case Answer::Yes:
      return "Yes";
    case Answer::No:
      return "No";
  }
  return "OK";
}

}  // namespace parvel
