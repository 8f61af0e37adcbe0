// The command line's questions: --yes and --no answer them, a terminal is asked, and without
// either the answer is No; a question whose Yes deletes takes Enter as No, and one whose Yes
// deletes for good is answered Yes only by a person at the terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/console_interaction.h"

namespace parvel {
namespace {

using Policy = ConsoleInteraction::Policy;

TEST(ConsoleInteractionTest, WhoAnswersWhichQuestion) {
  struct Case {
    const char* name;
    Policy policy;
    bool terminal;
    Caution caution;
    const char* typed;
    Answer answer;
    const char* shown;  // what follows the question on the error stream
  } cases[] = {
      {"yes_answers_a_question", Policy::Yes, false, Caution::None, "", Answer::Yes,
       "Answer: Yes\n"},
      {"yes_answers_a_delete", Policy::Yes, false, Caution::DefaultNo, "", Answer::Yes,
       "Answer: Yes\n"},
      {"yes_never_deletes_for_good", Policy::Yes, false, Caution::PersonOnly, "y\n", Answer::No,
       "Answer: No\n"},
      {"yes_leaves_for_good_to_the_terminal", Policy::Yes, true, Caution::PersonOnly, "y\n",
       Answer::Yes, "[y/N] Answer: Yes\n"},
      {"enter_keeps_for_good", Policy::Yes, true, Caution::PersonOnly, "\n", Answer::No,
       "[y/N] Answer: No\n"},
      {"no_answers_even_on_a_terminal", Policy::No, true, Caution::PersonOnly, "y\n", Answer::No,
       "Answer: No\n"},
      {"enter_keeps_on_a_delete", Policy::Ask, true, Caution::DefaultNo, "\ny\n", Answer::No,
       "[y/N] Answer: No\n"},
      {"terminal_says_yes_to_a_delete", Policy::Ask, true, Caution::DefaultNo, "yes\n", Answer::Yes,
       "[y/N] Answer: Yes\n"},
      {"enter_asks_again_without_a_default", Policy::Ask, true, Caution::None, "\nx\ny\n",
       Answer::Yes, "[y/n] [y/n] [y/n] Answer: Yes\n"},
      {"end_of_input_is_no", Policy::Ask, true, Caution::None, "", Answer::No,
       "[y/n] Answer: No\n"},
      {"no_terminal_is_no", Policy::Ask, false, Caution::DefaultNo, "y\n", Answer::No,
       "Answer: No\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream err;
    std::istringstream in(c.typed);
    ConsoleInteraction ui(err, in, c.policy, c.terminal);
    EXPECT_EQ(ui.Ask(MessageKind::Confirmation, "Delete it?", Buttons::YesNo, c.caution), c.answer);
    EXPECT_EQ(err.str(), std::string("Confirmation: Delete it?\n") + c.shown);
  }
}

// An answer set beforehand for one text (a command line option) answers that question, but
// never one that deletes for good.
TEST(ConsoleInteractionTest, APresetNeverDeletesForGood) {
  for (const Caution caution : {Caution::None, Caution::DefaultNo, Caution::PersonOnly}) {
    std::ostringstream err;
    std::istringstream in;
    ConsoleInteraction ui(err, in, Policy::Ask, false);
    ui.Preset("Delete it?", Answer::Yes);
    EXPECT_EQ(ui.Ask(MessageKind::Confirmation, "Delete it?", Buttons::YesNo, caution),
              caution == Caution::PersonOnly ? Answer::No : Answer::Yes)
        << static_cast<int>(caution);
  }
}

}  // namespace
}  // namespace parvel
