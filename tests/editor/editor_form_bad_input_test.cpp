// Bad input met through the editor form, as a user meets it: patch files holding values that no
// list carries or that lie beyond every range, sample files that cannot be read, saves that
// cannot be written, and commands abandoned at the save question or the file dialog. The form
// shows what is wrong and loses nothing: values are kept in the patch and in the next save, and
// a patch that could not be saved stays marked modified.
#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/x_interface.h"
#include "toolkit/widget_settings.h"
#include "widgets/x_section.h"
#include "widgets/x_slider.h"
#include "page_driver.h"
#include "support/plugin_folder.h"
#include "support/scripted_ui.h"
#include "support/synth_instance.h"
#include "synth/multi.h"

namespace brelix::testing {
namespace {

constexpr TColor kRed = 0x0000FF;  // a list's background for a value no item carries
constexpr TShiftState kAlt{.Alt = true};

class EditorFormBadInput : public ::testing::Test, public PageDriver {
 protected:
  void SetUp() override {
    synth = MakeSynth();
    ASSERT_NE(synth, nullptr);
    synth->SetSampleRate(44100.0f);
    form = dynamic_cast<TEditorForm*>(synth->Interface()->EditorForm());
    ASSERT_NE(form, nullptr);
    window = std::make_unique<ui::HeadlessWindow>(form->WindowClient());
    window->Idle();
    Drive(*form, *window);
  }
  void TearDown() override {
    if (synth) synth->Multi->Modified = false;  // no save question at the close
    window.reset();
  }

  XPatch& patch() { return *synth->Multi->EditBuffer; }
  std::string Write(const std::string& name, const std::string& text) {
    WriteBytes(folder.file(name), text);
    return folder.file(name);
  }
  // The patch file chosen in the "Load Patch" dialog of the "Load" button.
  void LoadThroughButton(const std::string& file) {
    dialogs.files = {file};
    Click(Button("Load"));
    ASSERT_EQ(multi().PatchFile, file);
  }
  XMulti& multi() { return *synth->Multi; }
  // "Pad.tw" loaded, then its volume typed: the header shows the mark.
  std::string LoadEditedPad() {
    const std::string pad = Write("Pad.tw", "[Voice]\r\nVolume=0.5\r\n");
    LoadThroughButton(pad);
    Type("Voice.AmpVolume", "0.25");
    EXPECT_EQ(patch().Volume, 0.25f);
    EXPECT_EQ(form->PatchLabel->Caption, "*Pad.tw");
    dialogs.file_dialogs.clear();
    dialogs.questions.clear();
    messages.messages.clear();
    return pad;
  }
  // The colour of the knob of the slider's bar, and the bar's first column in that colour.
  struct Knob {
    TColor color;
    int left;
  };
  Knob KnobOf(const XParamSlider& s) {
    window->Idle();
    const TPoint o = s.Slider->FormOrigin();
    for (int x = 0; x < s.Slider->Width(); ++x) {
      const TColor c = window->Pixel(o.x + x, o.y + 8);
      if (c == Settings().SliderColor || c == Settings().OverflowColor) return {c, x};
    }
    return {0, -1};
  }
  static const TEditorColors& Settings() { return WidgetSettings().Colors; }

  PluginFolder folder;
  RecordedMessages messages;
  ScriptedDialogs dialogs;
  Synth synth;
  TEditorForm* form = nullptr;
  std::unique_ptr<ui::HeadlessWindow> window;
};

TEST_F(EditorFormBadInput, ListValuesNoItemCarriesTurnTheListRedAndAreKeptInTheSave) {
  LoadThroughButton(Write("Odd.tw",
                          "[Filter.2]\r\nFilterType=42\r\n"
                          "[ModMatrix.1]\r\nModSource=28\r\nModDest=300\r\n"
                          "[Voice]\r\nVolumeModSource=-200\r\n"));
  struct Case {
    const char* id;
    const char* shown;  // the item of value 0
  };
  for (const Case& c : {Case{"Filter2.Type", "LowPass4"}, Case{"ModMatrix1.Source", "None"},
                        Case{"ModMatrix1.Destination", "None"}, Case{"Voice.AmpSource", "None"}}) {
    SCOPED_TRACE(c.id);
    XParamCombo& list = Find<XParamCombo>(c.id);
    EXPECT_EQ(list.Combo->Color, kRed);
    EXPECT_EQ(list.DisplayText(), c.shown);
  }
  EXPECT_NE(Find<XParamCombo>("Filter1.Type").Combo->Color, kRed);
  EXPECT_EQ(patch().FilterType.lane(1), 42u);
  EXPECT_EQ(patch().ModSource[0].lane(0), 28u);
  EXPECT_EQ(patch().ModDest[0].lane(0), 300u);
  EXPECT_EQ(patch().VolumeModSource, -200);

  // Another edit and a save keep them.
  Type("Filter1.Cutoff", "1000");
  Click(Button("Save"));
  EXPECT_TRUE(messages.messages.empty());
  const std::string saved = ReadBytes(folder.file("Odd.tw"));
  for (const char* line : {"FilterCutoff=1000\r", "FilterType=42\r", "ModSource=28\r", "ModDest=300\r",
                           "VolumeModSource=-200\r"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
  EXPECT_EQ(form->PatchLabel->Caption, "Odd.tw");
}

// A choice or a reset on a red list, then an undo: the field gets back the file's own number, not
// the item 0 the list showed for it.
TEST_F(EditorFormBadInput, AnUndoOnARedListBringsTheFilesNumberBack) {
  LoadThroughButton(Write("Odd.tw",
                          "[Filter.2]\r\nFilterType=42\r\n"
                          "[Voice]\r\nVolumeModSource=-200\r\n"));
  struct Case {
    const char* id;
    const char* chosen;  // none: a right click resets the list
    std::function<int64_t()> field;
    int64_t changed, kept;
  };
  const Case cases[] = {
      {"Filter2.Type", "HighPass4", [this] { return patch().FilterType.lane(1); }, 4, 42},
      {"Filter2.Type", "LowPass4", [this] { return patch().FilterType.lane(1); }, 0, 42},  // the item shown
      {"Voice.AmpSource", nullptr, [this] { return patch().VolumeModSource; }, 8, -200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " " + (c.chosen != nullptr ? c.chosen : "reset"));
    XParamCombo& list = Find<XParamCombo>(c.id);
    Reveal(list);
    if (c.chosen != nullptr) {
      Choose(c.id, c.chosen);
    } else {
      const TPoint p = list.Combo->FormOrigin();  // a right click on the list resets it
      window->Click(p.x + 20, p.y + 8, ui::TMouseButton::Right);
    }
    EXPECT_EQ(c.field(), c.changed);
    // A double click undoes: on the label, or on a list without one (whose first click opens the
    // drop-down and the second closes it).
    const TPoint p = list.Text != nullptr ? list.Text->FormOrigin() : list.Combo->FormOrigin();
    window->DoubleClick(p.x + 20, p.y + 5);
    window->Idle();
    EXPECT_EQ(c.field(), c.kept);
    EXPECT_EQ(list.Combo->Color, kRed);
    EXPECT_EQ(list.DisplayText(), list.Items()[0].Text);
  }
}

TEST_F(EditorFormBadInput, ValuesBeyondEveryRangeDrawTheKnobAtItsEndInTheOverflowColourAndAreKept) {
  LoadThroughButton(Write("Loud.tw",
                          "[Voice]\r\nVolume=20\r\n"
                          "[AuxOsc.1]\r\nAuxOscSemitone=-500\r\n"
                          "[Env.1]\r\nEnvTime.0=5000\r\n"));
  struct Case {
    const char* id;
    float value;
    int knob_left;  // at the end of the 151-pixel bar
  };
  for (const Case& c : {Case{"Voice.AmpVolume", 20.0f, 144}, Case{"Osc1.Semitone", -500.0f, 0},
                        Case{"Env1.Time0A", 5000.0f, 144}}) {
    SCOPED_TRACE(c.id);
    XParamSlider& s = Find<XParamSlider>(c.id);
    Reveal(s);
    EXPECT_EQ(s.Value, c.value);
    const Knob knob = KnobOf(s);
    EXPECT_EQ(knob.color, Settings().OverflowColor);
    EXPECT_EQ(knob.left, c.knob_left);
  }
  window->WritePng(std::string(BRELIX_ARTIFACT_DIR) + "/editor_values_beyond_range.png");
  EXPECT_EQ(patch().Volume, 20.0f);
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), -500.0f);
  EXPECT_EQ(patch().EnvTime[0].lane(0), 5000.0f);

  Type("Filter1.Cutoff", "1000");
  Click(Button("Save"));
  const std::string saved = ReadBytes(folder.file("Loud.tw"));
  for (const char* line : {"FilterCutoff=1000\r", "Volume=20\r", "AuxOscSemitone=-500\r", "EnvTime.0=5000\r"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
  EXPECT_EQ(form->PatchLabel->Caption, "Loud.tw");

  // Typed over and undone by a double click on the label, the file's value comes back.
  XParamSlider& volume = Type("Voice.AmpVolume", "0.5");
  EXPECT_EQ(patch().Volume, 0.5f);
  const TPoint label = volume.Text->FormOrigin();
  window->DoubleClick(label.x + 5, label.y + 5);
  EXPECT_EQ(patch().Volume, 20.0f);
  EXPECT_EQ(KnobOf(volume).color, Settings().OverflowColor);
}

TEST_F(EditorFormBadInput, ASampleThatCannotBeReadIsReportedItsNameKeptAndMarkedInTheHeader) {
  const std::string missing = folder.file("missing.wav");
  const std::string broken = Write("broken.wav", "not a wave");
  struct Case {
    const char* how;
    int lane;
    std::string file;
  };
  const Case cases[] = {{"named by a loaded patch", 3, missing}, {"chosen through the header", 2, broken}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    messages.messages.clear();
    if (c.lane == 3) {
      LoadThroughButton(Write("Sampled.tw", "[SampleOsc.3]\r\nSampleOscFile=" + c.file + "\r\n"));
    } else {
      dialogs.files = {c.file};
      Click(*form->OscSection[c.lane - 1]);
      EXPECT_TRUE(multi().Modified);
    }
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find(c.file), std::string::npos) << messages.messages[0];
    EXPECT_EQ(std::string(patch().SampleOscFile[c.lane - 1]), c.file);
    EXPECT_EQ(patch().SampleOscMemory.p[c.lane - 1], nullptr);
    const XSection& header = *form->OscSection[c.lane - 1];
    EXPECT_EQ(header.Caption, " *Osc #" + std::to_string(c.lane));
    EXPECT_EQ(header.Hint, std::filesystem::path(c.file).filename().string());
  }
  // Saved, the names still name the same files, for the day they are there: beside the new
  // patch file, as names relative to it.
  dialogs.files = {folder.file("Sampled2.tw")};
  Click(Button("Save"));
  const std::string saved = ReadBytes(folder.file("Sampled2.tw"));
  EXPECT_NE(saved.find("SampleOscFile=missing.wav\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("SampleOscFile=broken.wav\r\n"), std::string::npos) << saved;
}

TEST_F(EditorFormBadInput, ASaveThatCannotBeWrittenIsReportedStaysMarkedAndLosesNothing) {
  const std::string plain = Write("plain", "");
  for (const std::string& chosen : {plain + "/Kept.tw", folder.file("no such folder") + "/Kept.tw"}) {
    SCOPED_TRACE(chosen);
    const std::string pad = LoadEditedPad();
    const std::string on_disk = ReadBytes(pad);
    dialogs.files = {chosen};
    Click(Button("Save"), kAlt);  // Save As
    ASSERT_EQ(dialogs.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs.file_dialogs[0].title, "Save Patch");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("Cannot save patch file:\r\r" + chosen), std::string::npos);
    EXPECT_EQ(form->PatchLabel->Caption, "*Pad.tw");
    EXPECT_TRUE(multi().Modified);
    EXPECT_EQ(multi().PatchFile, pad);
    EXPECT_EQ(patch().Volume, 0.25f);
    EXPECT_EQ(ReadBytes(pad), on_disk);
    EXPECT_EQ(Find<XParamSlider>("Voice.AmpVolume").Value, 0.25f);
  }
}

// A write that fails part-way (here: beyond the process's file size limit, which binds root as
// well) leaves the patch's own file as it was, not cut short.
TEST_F(EditorFormBadInput, ASaveThatFailsPartWayLeavesTheOldFileWhole) {
  const std::string pad = LoadEditedPad();
  const std::string on_disk = ReadBytes(pad);
  rlimit saved_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_limit), 0);
  const auto saved_signal = signal(SIGXFSZ, SIG_IGN);  // the write fails instead
  rlimit small = saved_limit;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Click(Button("Save"));
  setrlimit(RLIMIT_FSIZE, &saved_limit);
  signal(SIGXFSZ, saved_signal);

  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("Cannot save patch file:\r\r" + pad), std::string::npos);
  EXPECT_EQ(ReadBytes(pad), on_disk);
  EXPECT_EQ(form->PatchLabel->Caption, "*Pad.tw");
  EXPECT_TRUE(multi().Modified);
  // Tried again with room, the save goes through.
  Click(Button("Save"));
  EXPECT_NE(ReadBytes(pad).find("Volume=0.25"), std::string::npos);
  EXPECT_EQ(form->PatchLabel->Caption, "Pad.tw");
}

TEST_F(EditorFormBadInput, LoadThroughTheHeaderAbandonedAfterTheSaveQuestionKeepsThePatch) {
  struct Case {
    const char* name;
    bool yes;
    bool saved;  // Pad.tw holds the edit and the patch is no longer modified
  };
  for (const Case& c : {Case{"No, then cancelled", false, false}, Case{"Yes, then cancelled", true, true}}) {
    SCOPED_TRACE(c.name);
    const std::string pad = LoadEditedPad();
    dialogs.yes_no = {c.yes};
    dialogs.files.clear();  // the load dialog is cancelled
    Click(*form->PatchLabel);
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Do you want to save patch Pad.tw?"});
    ASSERT_EQ(dialogs.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs.file_dialogs[0].title, "Load Patch");
    EXPECT_EQ(patch().Volume, 0.25f);
    EXPECT_EQ(Find<XParamSlider>("Voice.AmpVolume").Value, 0.25f);
    EXPECT_EQ(multi().PatchFile, pad);
    EXPECT_EQ(multi().Modified, !c.saved);
    EXPECT_EQ(form->PatchLabel->Caption, c.saved ? "Pad.tw" : "*Pad.tw");
    EXPECT_EQ(ReadBytes(pad).find("Volume=0.25") != std::string::npos, c.saved);
    EXPECT_TRUE(messages.messages.empty());
  }
}

TEST_F(EditorFormBadInput, InitAsksToSaveAndEachAnswerKeepsWhatItShould) {
  struct Case {
    const char* name;
    bool yes;
    bool patch_file;  // the patch's file name names a patch file
    bool saved;     // Pad.tw holds the edit
    bool init;      // the default patch plays as "Init.tw"
  };
  const Case cases[] = {
      {"Yes", true, true, true, true},
      {"No", false, true, false, true},
      // Yes, but the name is no patch file's: the save asks for another, and without one
      // starting afresh now would lose the edit.
      {"Yes, not a patch file, no name chosen", true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string pad = LoadEditedPad();
    const std::string on_disk = ReadBytes(pad);
    if (!c.patch_file) multi().PatchFile = Write("plain", "") + "/Pad.tw";  // its folder is a file
    const std::string patch_file = multi().PatchFile;
    dialogs.yes_no = {c.yes};
    const size_t file_dialogs = dialogs.file_dialogs.size();
    Click(Button("Init"));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(ReadBytes(pad) != on_disk, c.saved);
    EXPECT_EQ(messages.messages.size(), 0u);
    EXPECT_EQ(dialogs.file_dialogs.size() - file_dialogs, c.patch_file ? 0u : 1u);
    EXPECT_TRUE(multi().Modified);
    if (c.init) {
      EXPECT_EQ(patch().Volume, 1.0f);
      EXPECT_EQ(Find<XParamSlider>("Voice.AmpVolume").Value, 1.0f);
      EXPECT_EQ(form->PatchLabel->Caption, "*Init.tw");
      EXPECT_EQ(multi().PatchFile, folder.file("Init.tw"));
    } else {
      EXPECT_EQ(patch().Volume, 0.25f);
      EXPECT_EQ(form->PatchLabel->Caption, "*Pad.tw");
      EXPECT_EQ(multi().PatchFile, patch_file);
    }
  }
}

}  // namespace
}  // namespace brelix::testing
