// The desktop's Yes/No/Cancel question: zenity or kdialog run as a child process, as the file
// dialogs are, polled by the editor's idle calls.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialogs.h"
#include "ui/file_dialog_program.h"

namespace brelix::ui {

// The program's arguments (without its own name) for the question `text`, transient for the X
// window `owner_top` where the program allows (0: none). zenity's buttons are Yes (its OK), No
// (an extra button, which names itself on standard output) and Cancel: Escape and the window
// manager's close give the same exit as its Cancel button, so that must be the button they mean.
std::vector<std::string> QuestionArguments(DialogProgramKind kind, std::string_view text, unsigned long owner_top);

// What the program's exit says: Yes, No, or Cancel for anything else (a program that failed
// included, so that nothing happens).
QuestionAnswer QuestionProgramAnswer(DialogProgramKind kind, const ProgramOutput& output);

// The question running in `program`, transient for the host's window `owner` (0: none); none
// when the program cannot be started. Our windows take no input meanwhile.
std::unique_ptr<IQuestionRun> StartQuestionProgram(const DialogProgram& program, std::string_view text,
                                                   unsigned long owner);

}  // namespace brelix::ui
