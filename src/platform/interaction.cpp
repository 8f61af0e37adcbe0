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

bool Interaction::OpenPage(const std::string& path) {
  if (OpenDocument(path)) return true;
  Warn(std::string(kCouldNotOpenMessage) + path + "!");
  return false;
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
    case Answer::YesToAll:
      return "Yes to All";
    case Answer::NoToAll:
      return "No to All";
  }
  return "OK";
}

}  // namespace parvel
