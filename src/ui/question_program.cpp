#include "ui/question_program.h"

#include "ui/x11_box_window.h"
#include "ui/x11_display.h"

namespace brelix::ui {

namespace {

constexpr const char* kTitle = "Brelix";
constexpr const char* kNoLabel = "No";

// zenity reads escapes in its text ("\n" is a line break): a backslash of ours stays one.
std::string ZenityText(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

class ProgramQuestionRun : public IQuestionRun {
 public:
  explicit ProgramQuestionRun(DialogProgramKind kind, std::unique_ptr<ChildProgram> child)
      : kind_(kind), child_(std::move(child)), input_(kInputToNone) {}

  bool Poll() override {
    if (child_ == nullptr) return true;
    // Our windows keep being painted meanwhile.
    DispatchPendingEvents(kInputToNone);
    if (!child_->Poll()) return false;
    answer_ = QuestionProgramAnswer(kind_, child_->Result());
    child_.reset();
    return true;
  }
  QuestionAnswer Answer() const override { return answer_; }

 private:
  DialogProgramKind kind_;
  std::unique_ptr<ChildProgram> child_;  // ended and reaped with the run
  InputOwnerScope input_;
  QuestionAnswer answer_ = QuestionAnswer::Cancel;
};

}  // namespace

std::vector<std::string> QuestionArguments(DialogProgramKind kind, std::string_view text, unsigned long owner_top) {
  const std::string owner = std::to_string(owner_top);
  if (kind == DialogProgramKind::Zenity) {
    std::vector<std::string> args = {"--question",       "--title=" + std::string(kTitle),
                                     "--text=" + ZenityText(text), "--no-markup",
                                     "--icon-name=dialog-warning", "--ok-label=Yes",
                                     "--cancel-label=Cancel", "--extra-button=" + std::string(kNoLabel)};
    if (owner_top != 0) args.push_back("--attach=" + owner);
    return args;
  }
  // kdialog: exit 0 for Yes, 1 for No, 2 for Cancel (Escape and close too).
  std::vector<std::string> args = {"--title", kTitle, "--warningyesnocancel", std::string(text)};
  if (owner_top != 0) args.insert(args.end(), {"--attach", owner});
  return args;
}

QuestionAnswer QuestionProgramAnswer(DialogProgramKind kind, const ProgramOutput& output) {
  if (output.exit_code == 0) return QuestionAnswer::Yes;
  if (kind == DialogProgramKind::KDialog) return output.exit_code == 1 ? QuestionAnswer::No : QuestionAnswer::Cancel;
  std::string line = output.output.substr(0, output.output.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line == kNoLabel ? QuestionAnswer::No : QuestionAnswer::Cancel;
}

std::unique_ptr<IQuestionRun> StartQuestionProgram(const DialogProgram& program, std::string_view text,
                                                   unsigned long owner) {
  Display* display = UiDisplay();
  const unsigned long owner_top = display != nullptr && owner != 0 ? TopLevelOf(display, owner) : 0;
  std::unique_ptr<ChildProgram> child = ChildProgram::Start(program.path, QuestionArguments(program.kind, text, owner_top));
  if (child == nullptr) return nullptr;
  return std::make_unique<ProgramQuestionRun>(program.kind, std::move(child));
}

}  // namespace brelix::ui
