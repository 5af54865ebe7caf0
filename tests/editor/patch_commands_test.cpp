// The editor's patch commands through a real instance, with scripted dialogs and real files in a
// temporary folder: "Init", "Load", "Save" with the ask-to-save question and Save As, the sample
// headers, the modified mark, and the engine bracket closed after every command.
#include "synth/patch_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/routines.h"
#include "engine/sample_osc.h"
#include "plugin/plugin_module.h"
#include "support/plugin_folder.h"
#include "support/scoped_variable.h"
#include "support/scripted_ui.h"
#include "support/synth_instance.h"
#include "support/wav_bytes.h"
#include "synth/synthesizer.h"
#include "ui/dialogs.h"

namespace brelix {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

// The editor form's side, recorded.
class RecordedView : public IPatchCommandsView {
 public:
  explicit RecordedView(XSynthesizer& synth) : synth_(synth) {}

  void ShowPatchCaption(const std::string& caption) override { patch_caption = caption; }
  void ShowSampleCaption(int lane, const std::string& caption, const std::string& hint) override {
    sample_captions.at(lane) = caption;
    sample_hints.at(lane) = hint;
  }
  void Repaint() override { ++repaints; }
  void RefreshControls() override { mute_at_refresh.push_back(synth_.Mute()); }

  std::string patch_caption;
  std::array<std::string, 5> sample_captions, sample_hints;  // by lane 1..4
  int repaints = 0;
  std::vector<int32_t> mute_at_refresh;  // the bracket depth at each reload of the controls

 private:
  XSynthesizer& synth_;
};

// Every automation the instance reports to its host.
std::vector<int32_t> automated;
intptr_t RecordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float) {
  if (opcode == audioMasterAutomate) automated.push_back(index);
  return opcode == audioMasterVersion ? 2400 : 0;
}

class PatchCommandsTest : public ::testing::Test {
 protected:
  PatchCommandsTest() : synth_(XSynthesizer::Create(&RecordingHost)), view_(*synth_), commands_(*synth_, view_) {
    automated.clear();
    synth_->SetSampleRate(44100.0f);
    commands_.RefreshControls();
  }
  ~PatchCommandsTest() override { multi().Modified = false; }  // no save question at the close

  XMulti& multi() { return *synth_->Multi; }
  XPatch& patch() { return *synth_->Multi->EditBuffer; }

  std::string Write(const std::string& name, const std::string& text) {
    WriteBytes(folder_.file(name), text);
    return folder_.file(name);
  }
  // "Pad.tw" (Volume 0.5) loaded through the command, then Volume 0.25 as a user's edit.
  std::string LoadEditedPad() {
    const std::string pad = Write("Pad.tw", "[Voice]\r\nVolume=0.5\r\n");
    dialogs_.files.push_back(pad);
    commands_.Load();
    patch().Volume = 0.25f;
    multi().Modified = true;
    synth_->Modify();
    EXPECT_EQ(view_.patch_caption, "*Pad.tw");
    dialogs_.file_dialogs.clear();
    return pad;
  }

  // The bracket is closed and a render call runs the engine: it writes the output buffers, which a
  // muted call leaves as they were.
  void ExpectEngineRuns() {
    EXPECT_EQ(synth_->Mute(), 0);
    std::vector<float> left(64, 7.0f), right(64, 7.0f);
    float* outputs[2] = {left.data(), right.data()};
    synth_->ProcessReplacing(nullptr, outputs, 64);
    EXPECT_NE(left[0], 7.0f);
  }

  testing::PluginFolder folder_;
  testing::RecordedMessages messages_;
  testing::ScriptedDialogs dialogs_;
  testing::Synth synth_;
  RecordedView view_;
  TPatchCommands commands_;
};

TEST_F(PatchCommandsTest, InitGivesTheDefaultPatchAsInitTwAndTheNextSaveAsksForAName) {
  LoadEditedPad();
  dialogs_.yes_no = {false};
  commands_.Init();
  EXPECT_EQ(dialogs_.questions, std::vector<std::string>{"Do you want to save patch Pad.tw?"});
  EXPECT_EQ(patch().Volume, 1.0f);
  EXPECT_EQ(multi().PatchFile, folder_.file("Init.tw"));
  EXPECT_EQ(view_.patch_caption, "*Init.tw");
  EXPECT_TRUE(multi().Modified);
  EXPECT_EQ(view_.mute_at_refresh.back(), 1);
  ExpectEngineRuns();

  // The name is set, yet the save asks for one, starting from it.
  const std::string fresh = folder_.file("Fresh.tw");
  dialogs_.files.push_back(fresh);
  EXPECT_TRUE(commands_.Save(false));
  ASSERT_EQ(dialogs_.file_dialogs.size(), 1u);
  EXPECT_EQ(dialogs_.file_dialogs[0].title, "Save Patch");
  EXPECT_EQ(dialogs_.file_dialogs[0].file_name, folder_.file("Init.tw"));
  EXPECT_TRUE(dialogs_.file_dialogs[0].overwrite_prompt);
  EXPECT_TRUE(std::filesystem::exists(fresh));
  EXPECT_FALSE(std::filesystem::exists(folder_.file("Init.tw")));
  EXPECT_EQ(multi().PatchFile, fresh);
  EXPECT_EQ(view_.patch_caption, "Fresh.tw");
  EXPECT_FALSE(multi().Modified);

  // From now on the patch has its file.
  multi().Modified = true;
  EXPECT_TRUE(commands_.Save(false));
  EXPECT_EQ(dialogs_.file_dialogs.size(), 1u);
  EXPECT_FALSE(multi().Modified);
  ExpectEngineRuns();
}

TEST_F(PatchCommandsTest, InitOfAPatchWithoutFolderNamesItInThePluginFolder) {
  multi().PatchFile.clear();
  commands_.Init();
  EXPECT_EQ(multi().PatchFile, PluginDirectory + "Init.tw");
}

TEST_F(PatchCommandsTest, SavingALoadedUnchangedPatchWritesSilentlyUnlessAltAsksForAName) {
  struct Case {
    bool alt;
    bool dialog;
  };
  for (const Case& c : {Case{false, false}, Case{true, true}}) {
    SCOPED_TRACE(c.alt ? "Alt" : "no Alt");
    const std::string pad = Write("Pad.tw", "[Voice]\r\nVolume=0.5\r\n");
    dialogs_.files = {pad};
    commands_.Load();
    dialogs_.file_dialogs.clear();
    // With Alt the dialog is cancelled: nothing is written.
    EXPECT_EQ(commands_.Save(c.alt), !c.dialog);
    EXPECT_EQ(dialogs_.file_dialogs.size(), c.dialog ? 1u : 0u);
    EXPECT_EQ(ReadBytes(pad).find("[Engine]") != std::string::npos, !c.dialog);
    EXPECT_EQ(view_.patch_caption, "Pad.tw");
    EXPECT_FALSE(multi().Modified);
    ExpectEngineRuns();
  }
}

// A patch file without a write bit is never written in place, by root either: Save asks for a
// name instead.
TEST_F(PatchCommandsTest, SavingAWriteProtectedPatchAsksForANameInstead) {
  const std::string pad = LoadEditedPad();
  ASSERT_EQ(::chmod(pad.c_str(), 0444), 0);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(commands_.Save(false));  // the dialog is cancelled
  const std::string said = ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(dialogs_.file_dialogs.size(), 1u);
  EXPECT_EQ(dialogs_.file_dialogs[0].title, "Save Patch");
  EXPECT_EQ(ReadBytes(pad), "[Voice]\r\nVolume=0.5\r\n");
  EXPECT_NE(said.find("it is write-protected"), std::string::npos) << said;
  EXPECT_TRUE(multi().Modified);
  EXPECT_EQ(view_.patch_caption, "*Pad.tw");
}

TEST_F(PatchCommandsTest, LoadAsksToSaveAChangedPatchFirst) {
  struct Case {
    const char* name;
    std::optional<bool> reply;  // Yes, No; none: Cancel
    bool pad_is_patch_file;
    const char* chosen;  // none: the dialog is cancelled
    bool saved;          // Pad.tw holds the edit
    bool loaded;         // Other.tw plays
    size_t file_dialogs;
    bool reported;       // a file could not be read or written
  };
  const Case cases[] = {
      {"Yes", true, true, "Other.tw", true, true, 1, false},
      {"No", false, true, "Other.tw", false, true, 1, false},
      {"Cancel: no dialog, nothing saved or loaded", std::nullopt, true, "Other.tw", false, false, 0, false},
      {"dialog cancelled", false, true, nullptr, false, false, 1, false},
      {"file that cannot be read", false, true, "Folder.tw", false, false, 1, true},
      // Yes, but the patch's file name does not name a patch file: the save asks for a name,
      // and without one loading now would lose the edit.
      {"Yes, not a patch file, no name chosen", true, false, nullptr, false, false, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string pad = LoadEditedPad();
    const std::string pad_text = ReadBytes(pad);
    if (!c.pad_is_patch_file) multi().PatchFile = Write("plain", "") + "/Pad.tw";  // its folder is a file
    Write("Other.tw", "[Voice]\r\nVolume=0.75\r\nPlayNote=60\r\n");
    std::filesystem::create_directories(folder_.file("Folder.tw"));
    const std::string patch_file = multi().PatchFile;
    dialogs_.questions.clear();
    messages_.messages.clear();
    dialogs_.yes_no = {c.reply};
    if (c.chosen != nullptr) dialogs_.files = {folder_.file(c.chosen)};
    const size_t refreshes = view_.mute_at_refresh.size();

    commands_.Load();

    ASSERT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_EQ(dialogs_.questions[0], "Do you want to save patch Pad.tw?");
    EXPECT_EQ(dialogs_.file_dialogs.size(), c.file_dialogs);
    if (!c.pad_is_patch_file) {
      EXPECT_EQ(dialogs_.file_dialogs[0].title, "Save Patch");
    } else if (c.file_dialogs > 0) {
      EXPECT_EQ(dialogs_.file_dialogs[0].title, "Load Patch");
      EXPECT_EQ(dialogs_.file_dialogs[0].filter, "TolvenSoftworks Patch Files (*.tw)|*.tw|All Files (*.*)|*.*");
      EXPECT_EQ(dialogs_.file_dialogs[0].default_extension, "tw");
      EXPECT_TRUE(dialogs_.file_dialogs[0].must_exist);
      EXPECT_EQ(dialogs_.file_dialogs[0].file_name, patch_file);
    }
    EXPECT_EQ(ReadBytes(pad) != pad_text, c.saved);
    if (c.loaded) {
      EXPECT_EQ(patch().Volume, 0.75f);
      EXPECT_EQ(multi().PatchFile, folder_.file("Other.tw"));
      EXPECT_EQ(view_.patch_caption, "Other.tw");
      EXPECT_FALSE(multi().Modified);
      EXPECT_EQ(view_.mute_at_refresh.size(), refreshes + 1);
      EXPECT_EQ(view_.mute_at_refresh.back(), 1);
      EXPECT_EQ(synth_->Voices[0]->Note, 60);  // the preview note
      EXPECT_LT(AmpStage(*synth_->PatchWork[0]), kStageEnd);
    } else {
      EXPECT_EQ(patch().Volume, 0.25f);
      EXPECT_EQ(multi().PatchFile, patch_file);
      EXPECT_TRUE(multi().Modified);
      EXPECT_EQ(view_.patch_caption, "*Pad.tw");
      EXPECT_EQ(view_.mute_at_refresh.size(), refreshes);
    }
    EXPECT_EQ(messages_.messages.size(), c.reported ? 1u : 0u);
    ExpectEngineRuns();
    dialogs_.yes_no.clear();
    dialogs_.files.clear();
  }
}

// Cancel to the save question abandons whichever command asked it: the patch, its file on disk
// and its name stay as they were.
TEST_F(PatchCommandsTest, CancelToTheSaveQuestionLeavesThePatchAndItsFileAsTheyWere) {
  struct Case {
    const char* name;
    void (TPatchCommands::*command)();
  };
  const Case cases[] = {{"Init", &TPatchCommands::Init}, {"Load", &TPatchCommands::Load}};
  for (int step : {0, -1, 1}) {
    SCOPED_TRACE(step);
    multi().Modified = false;
    dialogs_.files.clear();
    const std::string pad = LoadEditedPad();
    const std::string pad_text = ReadBytes(pad);
    Write("A.tw", "[Voice]\r\nVolume=0.75\r\n");
    Write("Z.tw", "[Voice]\r\nVolume=0.75\r\n");
    dialogs_.questions.clear();
    dialogs_.files = {folder_.file("A.tw")};
    dialogs_.yes_no = {std::nullopt};
    if (step == 0) {
      for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs_.yes_no = {std::nullopt};
        (commands_.*c.command)();
      }
    } else {
      commands_.Step(step);  // A.tw before, Z.tw after Pad.tw
    }
    EXPECT_EQ(dialogs_.questions.size(), step == 0 ? 2u : 1u);
    EXPECT_TRUE(dialogs_.file_dialogs.empty());
    EXPECT_EQ(ReadBytes(pad), pad_text);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("Init.tw")));
    EXPECT_EQ(patch().Volume, 0.25f);
    EXPECT_EQ(multi().PatchFile, pad);
    EXPECT_TRUE(multi().Modified);
    EXPECT_FALSE(commands_.SaveAs);
    EXPECT_EQ(view_.patch_caption, "*Pad.tw");
    EXPECT_FALSE(commands_.DialogOpen());
    ExpectEngineRuns();
  }
}

// The host keeps running while a dialog is open: the command waits in the idle calls and
// finishes in its order when the user answers; meanwhile no other command opens a second dialog,
// and closing the editor drops the command with its dialog.
TEST_F(PatchCommandsTest, ADialogLeftOpenFinishesItsCommandFromTheIdleCallInOrder) {
  dialogs_.stay_open = true;
  const std::string pad = Write("Pad.tw", "[Voice]\r\nVolume=0.5\r\n");
  const std::string kept = folder_.file("Kept.tw");
  Write("Other.tw", "[Voice]\r\nVolume=0.75\r\n");
  // After Init the edit has no file yet: Yes to the save question first asks for one.
  commands_.Init();
  patch().Volume = 0.25f;
  dialogs_.yes_no = {true};
  dialogs_.files = {kept, folder_.file("Other.tw")};

  commands_.Load();
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  // The question waits as a dialog does, and refuses every other command meanwhile.
  for (int open = 0; open < 2; ++open) {
    ASSERT_TRUE(open == 0 ? dialogs_.QuestionOpen() : dialogs_.DialogOpen());
    EXPECT_TRUE(commands_.DialogOpen());
    commands_.Idle();
    commands_.Init();
    commands_.Load();
    commands_.Step(1);
    commands_.SampleClick(1, false);
    EXPECT_FALSE(commands_.Save(true));
    EXPECT_EQ(dialogs_.file_dialogs.size(), static_cast<size_t>(open));  // none on top of the open one
    EXPECT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_EQ(view_.patch_caption, "*Init.tw");
    if (open == 1) break;
    ASSERT_TRUE(dialogs_.AnswerOpenDialog());  // Yes
    EXPECT_TRUE(dialogs_.file_dialogs.empty());  // nothing happens before the idle call
    commands_.Idle();
    EXPECT_EQ(dialogs_.file_dialogs.back().title, "Save Patch");
  }

  ASSERT_TRUE(dialogs_.AnswerOpenDialog());
  EXPECT_FALSE(std::filesystem::exists(kept));  // nothing happens before the idle call
  commands_.Idle();
  EXPECT_NE(ReadBytes(kept).find("Volume=0.25"), std::string::npos);
  ASSERT_TRUE(dialogs_.DialogOpen());
  EXPECT_EQ(dialogs_.file_dialogs.back().title, "Load Patch");
  EXPECT_EQ(view_.patch_caption, "Kept.tw");
  ASSERT_TRUE(dialogs_.AnswerOpenDialog());
  commands_.Idle();
  EXPECT_EQ(patch().Volume, 0.75f);
  EXPECT_EQ(view_.patch_caption, "Other.tw");
  EXPECT_FALSE(dialogs_.DialogOpen());
  ExpectEngineRuns();

  // The editor closes with the dialog open: the answer never arrives, the patch stays.
  dialogs_.files = {pad};
  commands_.SampleClick(2, false);
  ASSERT_TRUE(dialogs_.DialogOpen());
  commands_.CancelDialog();
  EXPECT_EQ(dialogs_.dropped_dialogs, 1);
  EXPECT_FALSE(dialogs_.AnswerOpenDialog());
  commands_.Idle();
  EXPECT_EQ(view_.sample_captions[2], " Osc #2");
  EXPECT_FALSE(multi().Modified);
}

// The header's "*" follows the modified state whoever changes it: a host's chunk call that
// clears it shows at the next idle call.
TEST_F(PatchCommandsTest, TheModifiedMarkFollowsTheStateAtTheIdleCall) {
  LoadEditedPad();
  multi().Modified = false;  // as a project save does
  commands_.Idle();
  EXPECT_EQ(view_.patch_caption, "Pad.tw");
  multi().Modified = true;
  commands_.Idle();
  EXPECT_EQ(view_.patch_caption, "*Pad.tw");
}

TEST_F(PatchCommandsTest, PageKeysStepThroughTheFolderWithTheSaveQuestionOfLoad) {
  const std::string pad = LoadEditedPad();  // Pad.tw, modified
  const std::string pad_text = ReadBytes(pad);
  Write("Other.tw", "[Voice]\r\nVolume=0.75\r\n");
  Write("Notes.txt", "");

  dialogs_.yes_no = {false};
  commands_.Step(-1);  // Other.tw comes before Pad.tw; No: the edit is dropped
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(dialogs_.questions[0], "Do you want to save patch Pad.tw?");
  EXPECT_TRUE(dialogs_.file_dialogs.empty());
  EXPECT_EQ(ReadBytes(pad), pad_text);
  EXPECT_EQ(multi().PatchFile, folder_.file("Other.tw"));
  EXPECT_EQ(view_.patch_caption, "Other.tw");
  EXPECT_EQ(patch().Volume, 0.75f);
  EXPECT_FALSE(multi().Modified);

  commands_.Step(-1);  // the first: nothing happens, nothing is asked
  EXPECT_EQ(multi().PatchFile, folder_.file("Other.tw"));
  EXPECT_EQ(dialogs_.questions.size(), 1u);

  commands_.Step(1);  // unmodified: no question
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(multi().PatchFile, pad);
  EXPECT_EQ(view_.patch_caption, "Pad.tw");
  EXPECT_EQ(patch().Volume, 0.5f);
  EXPECT_TRUE(messages_.messages.empty());
  ExpectEngineRuns();
}

TEST_F(PatchCommandsTest, ASaveThatCannotBeWrittenIsReportedAndLosesNothing) {
  std::vector<std::string> folders = {Write("plain", "")};  // a file where the folder should be
  if (geteuid() != 0) {                                     // root may write into any folder
    std::filesystem::create_directories(folder_.file("locked"));
    chmod(folder_.file("locked").c_str(), 0555);
    folders.push_back(folder_.file("locked"));
  }
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    const std::string pad = LoadEditedPad();
    messages_.messages.clear();
    const std::string chosen = folder + "/Kept.tw";
    dialogs_.files = {chosen};
    EXPECT_FALSE(commands_.Save(true));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_TRUE(messages_.messages[0].starts_with(ModuleFileName + "\r\rCannot save patch file:\r\r" + chosen));
    EXPECT_TRUE(multi().Modified);
    EXPECT_EQ(view_.patch_caption, "*Pad.tw");
    EXPECT_EQ(multi().PatchFile, pad);
    EXPECT_EQ(patch().Volume, 0.25f);
    ExpectEngineRuns();
    // The edit is still there to be saved elsewhere.
    EXPECT_TRUE(commands_.Save(false));
    EXPECT_NE(ReadBytes(pad).find("Volume=0.25"), std::string::npos);
    EXPECT_EQ(view_.patch_caption, "Pad.tw");
  }
  chmod(folder_.file("locked").c_str(), 0755);
}

TEST_F(PatchCommandsTest, AnOscHeaderLoadsASampleFromItsStartAndCtrlClickRemovesIt) {
  const std::string tone = folder_.file("tone.wav");
  const std::vector<uint8_t> wav = testing::WavBytes({}, testing::Int16Data({1000, 2000, 3000, 4000, 5000, 6000}));
  WriteBytes(tone, std::string(wav.begin(), wav.end()));
  for (XPatchWork* work : synth_->PatchWork) {
    work->SampleOscPhase = QDouble::splat(5.0);
    work->SampleOscDeltaPhase = QDouble::splat(1.0);
  }

  commands_.SampleClick(2, false);  // cancelled: nothing happens
  EXPECT_FALSE(multi().Modified);
  EXPECT_EQ(view_.sample_captions[2], " Osc #2");

  dialogs_.files = {tone};
  commands_.SampleClick(2, false);
  ASSERT_EQ(dialogs_.file_dialogs.size(), 2u);
  const FileDialogOptions& dialog = dialogs_.file_dialogs[1];
  EXPECT_EQ(dialog.title, "Load Sample #2");
  EXPECT_EQ(dialog.filter, "WAV Files (*.wav)|*.wav|All Files (*.*)|*.*");
  EXPECT_EQ(dialog.default_extension, "wav");
  EXPECT_TRUE(dialog.must_exist);
  EXPECT_EQ(std::string(patch().SampleOscFile[1]), tone);
  EXPECT_EQ(patch().SampleOscSize.lane(1), 6.0);
  EXPECT_EQ(view_.sample_captions[2], " *Osc #2");
  EXPECT_EQ(view_.sample_hints[2], "tone.wav");
  EXPECT_EQ(view_.sample_captions[1], " Osc #1");
  EXPECT_EQ(view_.patch_caption, "*Brelix.tw");
  EXPECT_TRUE(commands_.SaveAs);
  for (XPatchWork* work : synth_->PatchWork) {
    EXPECT_EQ(work->SampleOscPhase.lane(1), 0.0);
    EXPECT_EQ(work->SampleOscDeltaPhase.lane(1), 0.0);
    EXPECT_EQ(work->SampleOscPhase.lane(0), 5.0);  // other lanes play on
  }
  ExpectEngineRuns();

  multi().Modified = false;
  commands_.SaveAs = false;
  commands_.Captioner();
  commands_.SampleClick(2, true);
  EXPECT_EQ(dialogs_.file_dialogs.size(), 2u);
  EXPECT_EQ(patch().SampleOscFile[1][0], '\0');
  EXPECT_EQ(patch().SampleProcess, static_cast<SampleProcessRoutine>(&NoOperation));
  EXPECT_EQ(view_.sample_captions[2], " Osc #2");
  EXPECT_EQ(view_.sample_hints[2], "");
  EXPECT_TRUE(multi().Modified);
  EXPECT_TRUE(commands_.SaveAs);
  EXPECT_EQ(view_.patch_caption, "*Brelix.tw");
  EXPECT_TRUE(messages_.messages.empty());
  ExpectEngineRuns();
}

TEST_F(PatchCommandsTest, ASampleThatCannotBeReadIsReportedAndKeepsItsName) {
  const std::string broken = Write("broken.wav", "not a wave");
  dialogs_.files = {broken};
  commands_.SampleClick(3, false);
  EXPECT_EQ(messages_.messages, std::vector<std::string>{"Invalid sample file:\r\r" + broken});
  EXPECT_EQ(std::string(patch().SampleOscFile[2]), broken);
  EXPECT_EQ(patch().SampleOscMemory.p[2], nullptr);
  EXPECT_EQ(view_.sample_captions[3], " *Osc #3");
  EXPECT_EQ(view_.sample_hints[3], "broken.wav");
  EXPECT_EQ(view_.patch_caption, "*Brelix.tw");
  ExpectEngineRuns();
}

// A patch saved under a new name elsewhere still names its samples (relative within the tree of
// the new folder's parent, as the shipped library does, else by full name) and keeps its
// description; a sample that is missing says where it was looked for.
TEST_F(PatchCommandsTest, SaveAsElsewhereKeepsTheSamplesAndTheDescription) {
  namespace fs = std::filesystem;
  const std::vector<uint8_t> wav = testing::WavBytes({}, testing::Int16Data({1000, 2000, 3000, 4000}));
  for (const char* folder : {"lib/keys", "lib/samples", "lib/mine", "far", "other/deep/x"})
    fs::create_directories(folder_.file(folder));
  WriteBytes(folder_.file("lib/samples/reed.wav"), std::string(wav.begin(), wav.end()));
  WriteBytes(folder_.file("far/pad.wav"), std::string(wav.begin(), wav.end()));
  const std::string header = "; Reed organ\r\n; Mod wheel: more breath.\r\n; measured: level=-25\r\n";
  const std::string organ = Write("lib/keys/organ.tw", header + "\r\n[SampleOsc.1]\r\nSampleOscFile=../samples/reed.wav\r\n"
                                  "\r\n[SampleOsc.2]\r\nSampleOscFile=" + folder_.file("far/pad.wav") +
                                  "\r\n\r\n[SampleOsc.3]\r\nSampleOscFile=../samples/gone.wav\r\n");
  const std::string far = folder_.file("far/pad.wav");
  struct Case {
    const char* target;
    std::string lanes[3];  // the sample names the new file holds
  };
  const Case cases[] = {
      {"lib/keys/copy.tw", {"../samples/reed.wav", far, "../samples/gone.wav"}},
      {"lib/mine/organ2.tw", {"../samples/reed.wav", far, "../samples/gone.wav"}},
      {"lib/organ2.tw", {"samples/reed.wav", "../far/pad.wav", "samples/gone.wav"}},
      {"other/deep/x/organ2.tw",
       {folder_.file("lib/samples/reed.wav"), far, folder_.file("lib/samples/gone.wav")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const std::string target = folder_.file(c.target);
    messages_.messages.clear();
    dialogs_.files = {organ};
    commands_.Load();
    EXPECT_EQ(messages_.messages, std::vector<std::string>{"Sample file not found: " + folder_.file("lib/samples/gone.wav") +
                                                           " (named ../samples/gone.wav in the patch)"});
    patch().Volume = 0.25f;
    multi().Modified = true;
    dialogs_.files = {target};
    ASSERT_TRUE(commands_.Save(true));
    EXPECT_EQ(multi().PatchFile, target);

    const std::string saved = ReadBytes(target);
    EXPECT_TRUE(saved.starts_with(header)) << saved;
    for (int lane = 0; lane < 3; ++lane) {
      const std::string key = "SampleOscFile=" + c.lanes[lane] + "\r\n";
      EXPECT_NE(saved.find("[SampleOsc." + std::to_string(lane + 1) + "]\r\n" + key), std::string::npos) << key;
      EXPECT_EQ(std::string(patch().SampleOscFile[lane]), c.lanes[lane]);  // the edit buffer follows its file
    }
    // The new file plays its samples.
    dialogs_.files = {target};
    commands_.Load();
    EXPECT_EQ(patch().SampleOscSize.lane(0), 4.0);
    EXPECT_EQ(patch().SampleOscSize.lane(1), 4.0);
    fs::remove(target);
  }
}

TEST_F(PatchCommandsTest, WithoutADisplayTheFileDialogsAreCancelledAndNothingIsLost) {
  SetDialogs(nullptr);  // the headless answers: No, and every dialog cancelled
  const std::string patch_file = multi().PatchFile;
  patch().Volume = 0.25f;
  multi().Modified = true;
  commands_.Load();
  EXPECT_FALSE(commands_.Save(true));
  commands_.SampleClick(1, false);
  EXPECT_EQ(patch().Volume, 0.25f);
  EXPECT_EQ(multi().PatchFile, patch_file);
  EXPECT_TRUE(multi().Modified);
  EXPECT_FALSE(std::filesystem::exists(patch_file));
  EXPECT_EQ(view_.sample_captions[1], " Osc #1");
  ExpectEngineRuns();
}

TEST_F(PatchCommandsTest, ModifyReportsToTheHostAndMarksTheHeaderButNotInsideAHostCall) {
  EXPECT_EQ(view_.patch_caption, "Brelix.tw");
  multi().Modified = true;
  synth_->Modify();
  EXPECT_EQ(automated, std::vector<int32_t>{0});  // Automation off: entry 0
  EXPECT_EQ(view_.patch_caption, "*Brelix.tw");

  synth_->Modifying = true;
  multi().Modified = false;
  synth_->Modify();
  EXPECT_EQ(automated.size(), 1u);
  EXPECT_EQ(view_.patch_caption, "*Brelix.tw");
  synth_->Modifying = false;

  // An editor opened again shows the name with the mark that belongs to it.
  commands_.ShowPatchName();
  EXPECT_EQ(view_.patch_caption, "Brelix.tw");

  // With the host parameters exposed, entry 1 (a section heading) carries the report.
  Write("Brelix.Ini", "[Editor]\nAutomation=1\n");
  testing::Synth exposed(XSynthesizer::Create(&RecordingHost));
  automated.clear();
  exposed->Modify();
  EXPECT_EQ(automated, std::vector<int32_t>{1});
}

// Where the Load and Save dialogs start: the patch's own folder while its file is known, else the
// folder chosen last (by this instance, or by another one before it), else the library for Load
// and the user's own patch folder for Save, made only when the Save dialog opens. Saving never
// starts in the library.
TEST_F(PatchCommandsTest, TheDialogsStartInTheFolderUsedLastElseTheLibraryOrTheUsersFolder) {
  testing::TempFolder library, data, elsewhere;
  for (const char* family : {"basses", "pads"}) std::filesystem::create_directories(library.path() / family);
  WriteBytes(library.file("basses/round.tw"), "[Voice]\r\nVolume=0.5\r\n");
  WriteBytes(library.file("pads/warm.tw"), "[Voice]\r\nVolume=0.5\r\n");
  const testing::ScopedVariable library_variable("BRELIX_LIBRARY", library.path().string());
  const testing::ScopedVariable data_variable("XDG_DATA_HOME", data.path().string());
  const std::string user = data.file("brelix/patches/user");
  const std::string mine = elsewhere.file("mine.tw");
  WriteBytes(mine, "[Voice]\r\nVolume=0.5\r\n");

  enum Command { Load, SaveAs, Init, NewInstance };
  struct Step {
    const char* name;
    Command command;
    std::optional<std::string> chosen;  // the dialog's answer; none: cancelled
    std::string initial_dir;            // the dialog's start
    std::string file_name;
  };
  const Step steps[] = {
      {"a new instance loads from the library", Load, std::nullopt, library.path().string(), ""},
      {"and saves into the user's folder", SaveAs, std::nullopt, user, "Brelix.tw"},
      {"a library patch: Load starts at it", Load, library.file("pads/warm.tw"), library.path().string(), ""},
      {"", Load, std::nullopt, "", library.file("pads/warm.tw")},
      {"but Save As never in the library", SaveAs, mine, user, "warm.tw"},
      {"a patch of the user's: its own folder", SaveAs, std::nullopt, "", mine},
      {"Init beside it keeps the folder", Init, std::nullopt, "", ""},
      {"", SaveAs, std::nullopt, "", elsewhere.file("Init.tw")},
      {"another instance starts where the last one chose", NewInstance, std::nullopt, "", ""},
      {"", Load, std::nullopt, elsewhere.dir(), ""},
      {"", SaveAs, std::nullopt, elsewhere.dir(), "Brelix.tw"},
  };
  testing::Synth other;
  std::unique_ptr<RecordedView> other_view;
  std::unique_ptr<TPatchCommands> other_commands;
  TPatchCommands* commands = &commands_;
  bool saved_before = false;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    dialogs_.file_dialogs.clear();
    dialogs_.files = {step.chosen};
    if (step.command == NewInstance) {
      other = testing::Synth(XSynthesizer::Create(&RecordingHost));
      other_view = std::make_unique<RecordedView>(*other);
      other_commands = std::make_unique<TPatchCommands>(*other, *other_view);
      commands = other_commands.get();
      continue;
    }
    if (step.command == Init) {
      commands->Init();
      continue;
    }
    // The user's folder is made when the Save dialog first opens, never before.
    EXPECT_EQ(std::filesystem::exists(user), saved_before);
    if (step.command == Load) {
      commands->Load();
    } else {
      commands->Save(true);
      saved_before = true;
    }
    ASSERT_EQ(dialogs_.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs_.file_dialogs[0].title, step.command == Load ? "Load Patch" : "Save Patch");
    EXPECT_EQ(dialogs_.file_dialogs[0].initial_dir, step.initial_dir);
    EXPECT_EQ(dialogs_.file_dialogs[0].file_name, step.file_name);
  }
  other_commands.reset();
  if (other) other->Multi->Modified = false;
}

}  // namespace
}  // namespace brelix
