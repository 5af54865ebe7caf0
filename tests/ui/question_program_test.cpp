// The desktop's save question: what zenity and kdialog are asked, and what their exits answer.
#include "ui/question_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using brelix::QuestionAnswer;
using brelix::ui::DialogProgramKind;
using brelix::ui::ProgramOutput;
using Args = std::vector<std::string>;

TEST(QuestionProgram, ArgumentsOfferYesNoAndCancelAndBelongToTheHostsWindow) {
  // zenity reads escapes in its text and markup unless told not to: a file name stays as it is.
  EXPECT_EQ(brelix::ui::QuestionArguments(DialogProgramKind::Zenity, "Do you want to save patch a\\n<b>.tw?", 4194311),
            (Args{"--question", "--title=Brelix", "--text=Do you want to save patch a\\\\n<b>.tw?", "--no-markup",
                  "--icon-name=dialog-warning", "--ok-label=Yes", "--cancel-label=Cancel", "--extra-button=No",
                  "--attach=4194311"}));
  EXPECT_EQ(brelix::ui::QuestionArguments(DialogProgramKind::KDialog, "Save?", 0),
            (Args{"--title", "Brelix", "--warningyesnocancel", "Save?"}));
  EXPECT_EQ(brelix::ui::QuestionArguments(DialogProgramKind::KDialog, "Save?", 7).back(), "7");
}

TEST(QuestionProgram, AnythingButYesOrNoIsCancel) {
  struct Case {
    DialogProgramKind kind;
    ProgramOutput output;
    QuestionAnswer answer;
  };
  const Case cases[] = {
      {DialogProgramKind::Zenity, {0, ""}, QuestionAnswer::Yes},
      {DialogProgramKind::Zenity, {1, "No\n"}, QuestionAnswer::No},
      {DialogProgramKind::Zenity, {1, ""}, QuestionAnswer::Cancel},  // Cancel, Escape, closed
      {DialogProgramKind::Zenity, {-1, ""}, QuestionAnswer::Cancel},  // ended by a signal
      {DialogProgramKind::Zenity, {1, "Not\n"}, QuestionAnswer::Cancel},
      {DialogProgramKind::KDialog, {0, ""}, QuestionAnswer::Yes},
      {DialogProgramKind::KDialog, {1, ""}, QuestionAnswer::No},
      {DialogProgramKind::KDialog, {2, ""}, QuestionAnswer::Cancel},
      {DialogProgramKind::KDialog, {-1, ""}, QuestionAnswer::Cancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output.exit_code);
    EXPECT_EQ(brelix::ui::QuestionProgramAnswer(c.kind, c.output), c.answer) << c.output.output;
  }
}

}  // namespace
