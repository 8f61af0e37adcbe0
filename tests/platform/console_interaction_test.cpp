// The command line's questions: --yes and --no answer them, a terminal is asked, and without
// either the answer is No; a question whose Yes deletes takes Enter as No, and one whose Yes
// deletes for good is answered Yes only by a person at the terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/console_interaction.h"

namespace parvel {
namespace {

using Policy = ConsoleInteraction::Policy;

// An answer set beforehand for the text (a command line option) answers it like --yes, but never
// a question that deletes for good.
TEST(ConsoleInteractionTest, WhoAnswersWhichQuestion) {
  const Policy kYes = Policy::Yes, kNo = Policy::No, kAsk = Policy::Ask;
  const Caution kNone = Caution::None, kDefaultNo = Caution::DefaultNo,
                kPersonOnly = Caution::PersonOnly;
  struct Case {
    const char* name;
    Policy policy;
    bool terminal, preset;
    Caution caution;
    const char* typed;
    bool yes;
    const char* prompts;  // what is shown between the question and the answer
  } cases[] = {
      {"yes_answers_a_question", kYes, false, false, kNone, "", true, ""},
      {"yes_answers_a_delete", kYes, false, false, kDefaultNo, "", true, ""},
      {"yes_never_deletes_for_good", kYes, false, false, kPersonOnly, "y\n", false, ""},
      {"yes_leaves_for_good_to_the_terminal", kYes, true, false, kPersonOnly, "y\n", true,
       "[y/N] "},
      {"enter_keeps_for_good", kYes, true, false, kPersonOnly, "\n", false, "[y/N] "},
      {"no_answers_even_on_a_terminal", kNo, true, false, kPersonOnly, "y\n", false, ""},
      {"enter_keeps_on_a_delete", kAsk, true, false, kDefaultNo, "\ny\n", false, "[y/N] "},
      {"terminal_says_yes_to_a_delete", kAsk, true, false, kDefaultNo, "yes\n", true, "[y/N] "},
      {"enter_asks_again_without_a_default", kAsk, true, false, kNone, "\nx\ny\n", true,
       "[y/n] [y/n] [y/n] "},
      {"end_of_input_is_no", kAsk, true, false, kNone, "", false, "[y/n] "},
      {"no_terminal_is_no", kAsk, false, false, kDefaultNo, "y\n", false, ""},
      {"preset_answers_a_question", kAsk, false, true, kNone, "", true, ""},
      {"preset_answers_a_delete", kAsk, false, true, kDefaultNo, "", true, ""},
      {"preset_never_deletes_for_good", kAsk, false, true, kPersonOnly, "", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream err;
    std::istringstream in(c.typed);
    ConsoleInteraction ui(err, in, c.policy, c.terminal);
    if (c.preset) ui.Preset("Delete it?", Answer::Yes);
    EXPECT_EQ(ui.Ask(MessageKind::Confirmation, "Delete it?", Buttons::YesNo, c.caution),
              c.yes ? Answer::Yes : Answer::No);
    EXPECT_EQ(err.str(), std::string("Confirmation: Delete it?\n") + c.prompts +
                             "Answer: " + (c.yes ? "Yes" : "No") + "\n");
  }
}

}  // namespace
}  // namespace parvel
