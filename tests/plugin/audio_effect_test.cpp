// The effect base classes on their own: the record they fill, the flag setters, the editor
// opcodes, the host call-back wrappers, and the entries that must keep exceptions from the host.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "plugin/audio_effect_x.h"

namespace {

using brelix::AEffEditor;
using brelix::AudioEffectX;

// ---- a host that records what the plug-in asks and answers with set values ----------------------

struct HostCall {
  int32_t opcode;
  int32_t index;
  intptr_t value;
  float opt;
};

struct RecordingHost {
  std::vector<HostCall> calls;
  intptr_t sample_rate_answer = 0;
  intptr_t block_size_answer = 0;
  VstTimeInfo time{};
};
RecordingHost* host_state = nullptr;

intptr_t RecordingCallback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float opt) {
  if (host_state == nullptr) return 0;
  host_state->calls.push_back({opcode, index, value, opt});
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetSampleRate:
      return host_state->sample_rate_answer;
    case audioMasterGetBlockSize:
      return host_state->block_size_answer;
    case audioMasterGetTime:
      return reinterpret_cast<intptr_t>(&host_state->time);
    default:
      return 0;
  }
}

// ---- an effect and an editor that record what reaches them --------------------------------------

struct Trace {
  std::vector<std::string> events;
};

class TestEditor : public AEffEditor {
 public:
  TestEditor(brelix::AudioEffect* effect, Trace& trace) : AEffEditor(effect), trace_(trace) {}
  bool GetRect(ERect** rect) override {
    *rect = &rect_;
    return true;
  }
  bool Open(void* window) override {
    AEffEditor::Open(window);
    return true;
  }
  void Idle() override { trace_.events.push_back("idle"); }
  bool OnKeyDown(VstKeyCode& key) override {
    last_key = key;
    trace_.events.push_back("keydown");
    return true;
  }
  bool OnKeyUp(VstKeyCode& key) override {
    last_key = key;
    trace_.events.push_back("keyup");
    return false;
  }
  bool SetKnobMode(int32_t mode) override {
    knob_mode = mode;
    return true;
  }
  void* Window() const { return SystemWindow; }

  ERect rect_{0, 0, 557, 624};
  VstKeyCode last_key{};
  int32_t knob_mode = -1;

 private:
  Trace& trace_;
};

class TestEffect : public AudioEffectX {
 public:
  TestEffect(audioMasterCallback host, Trace& trace, int32_t programs = 2, int32_t params = 3)
      : AudioEffectX(host, programs, params), trace_(trace) {}
  ~TestEffect() override { trace_.events.push_back("destroyed"); }

  void Close() override {
    trace_.events.push_back("close");
    if (throw_in_close) throw std::runtime_error("close failed");
  }
  void ProcessReplacing(float**, float** outputs, int32_t frames) override {
    if (throw_in_render) throw std::runtime_error("render failed");
    for (int32_t i = 0; i < frames; ++i) outputs[0][i] = outputs[1][i] = 1.0f;
  }
  void SetParameter(int32_t index, float value) override {
    trace_.events.push_back("set " + std::to_string(index) + " " + std::to_string(value));
  }
  float GetParameter(int32_t) override {
    if (throw_in_parameters) throw std::runtime_error("parameter failed");
    return 0.25f;
  }
  int32_t CanDo(const char* text) override {
    return can_receive_midi && std::string(text) == "receiveVstMidiEvent";
  }
  bool KeysRequired() override { return keys_required; }
  intptr_t Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override {
    if (opcode == effGetVendorVersion && throw_in_parameters) throw std::logic_error("dispatcher failed");
    return AudioEffectX::Dispatcher(opcode, index, value, ptr, opt);
  }

  using AudioEffectX::SetFlag;

  bool throw_in_close = false;
  bool throw_in_render = false;
  bool throw_in_parameters = false;
  bool can_receive_midi = false;
  bool keys_required = false;

 private:
  Trace& trace_;
};

// The effect lives until a test closes it through its record.
class EffectBase : public testing::Test {
 protected:
  void SetUp() override {
    host_state = &host_;
    effect_ = new TestEffect(&RecordingCallback, trace_);
  }
  void TearDown() override {
    if (effect_ != nullptr) Close();
    host_state = nullptr;
  }
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0) {
    AEffect* e = effect_->Effect();
    return e->dispatcher(e, opcode, index, value, ptr, opt);
  }
  intptr_t Close() {
    intptr_t result = Dispatch(effClose);
    effect_ = nullptr;
    return result;
  }
  TestEditor* AttachEditor() {
    auto editor = std::make_unique<TestEditor>(effect_, trace_);
    TestEditor* raw = editor.get();
    effect_->SetEditor(std::move(editor));
    return raw;
  }

  RecordingHost host_;
  Trace trace_;
  TestEffect* effect_ = nullptr;
};

TEST_F(EffectBase, ConstructorFillsTheRecord) {
  const AEffect& e = *effect_->Effect();
  EXPECT_EQ(e.magic, kEffectMagic);
  EXPECT_EQ(e.object, effect_);
  EXPECT_EQ(e.numPrograms, 2);
  EXPECT_EQ(e.numParams, 3);
  EXPECT_EQ(e.numInputs, 1);
  EXPECT_EQ(e.numOutputs, 2);
  EXPECT_EQ(e.flags, effFlagsCanReplacing);
  EXPECT_EQ(e.ioRatio, 1.0f);
  EXPECT_EQ(e.version, 1);
  EXPECT_EQ(e.uniqueID, 0);
  EXPECT_EQ(e.user, nullptr);
  EXPECT_EQ(effect_->GetSampleRate(), 44100.0f);
  EXPECT_EQ(effect_->GetBlockSize(), 1024);
  EXPECT_EQ(effect_->Editor(), nullptr);
  EXPECT_TRUE(host_.calls.empty());  // building an effect asks the host nothing
}

TEST_F(EffectBase, FlagSettersSetAndClearTheirBit) {
  struct Setter {
    const char* name;
    void (*set)(TestEffect&, bool);
    int32_t flag;
  };
  const Setter setters[] = {
      {"CanProcessReplacing", [](TestEffect& x, bool s) { x.CanProcessReplacing(s); }, effFlagsCanReplacing},
      {"CanDoubleReplacing", [](TestEffect& x, bool s) { x.CanDoubleReplacing(s); },
       effFlagsCanDoubleReplacing},
      {"ProgramsAreChunks", [](TestEffect& x, bool s) { x.ProgramsAreChunks(s); }, effFlagsProgramChunks},
      {"IsSynth", [](TestEffect& x, bool s) { x.IsSynth(s); }, effFlagsIsSynth},
      {"HasVu", [](TestEffect& x, bool s) { x.HasVu(s); }, effFlagsHasVu},
      {"HasClip", [](TestEffect& x, bool s) { x.HasClip(s); }, effFlagsHasClip},
      {"CanMono", [](TestEffect& x, bool s) { x.CanMono(s); }, effFlagsCanMono},
      {"NoTail", [](TestEffect& x, bool s) { x.NoTail(s); }, effFlagsNoSoundInStop},
      {"WantAsyncOperation", [](TestEffect& x, bool s) { x.WantAsyncOperation(s); }, effFlagsExtIsAsync},
      {"HasExternalBuffer", [](TestEffect& x, bool s) { x.HasExternalBuffer(s); }, effFlagsExtHasBuffer},
  };
  for (const Setter& s : setters) {
    SCOPED_TRACE(s.name);
    const int32_t others = effect_->Effect()->flags & ~s.flag;
    s.set(*effect_, true);
    EXPECT_EQ(effect_->Effect()->flags, others | s.flag);
    s.set(*effect_, false);
    EXPECT_EQ(effect_->Effect()->flags, others);
  }

  AttachEditor();
  EXPECT_NE(effect_->Effect()->flags & effFlagsHasEditor, 0);
  effect_->SetEditor(nullptr);
  EXPECT_EQ(effect_->Effect()->flags & effFlagsHasEditor, 0);
  EXPECT_EQ(effect_->Editor(), nullptr);
}

TEST_F(EffectBase, SetProgramStoresOnlyExistingPrograms) {
  struct Case {
    intptr_t value;
    int32_t expected;
  };
  // Two programs: 1 and 0 exist; everything else, negative or beyond int32, is ignored.
  const Case cases[] = {
      {1, 1}, {2, 1}, {-1, 1}, {intptr_t{1} << 32, 1}, {0, 0}, {(intptr_t{1} << 32) + 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Dispatch(effSetProgram, 0, c.value), 0);
    EXPECT_EQ(Dispatch(effGetProgram), c.expected);
  }
}

TEST_F(EffectBase, BaseAnswers) {
  EXPECT_EQ(Dispatch(effGetPlugCategory), kPlugCategUnknown);
  effect_->IsSynth(true);
  EXPECT_EQ(Dispatch(effGetPlugCategory), kPlugCategSynth);

  EXPECT_EQ(Dispatch(effKeysRequired), 1);
  effect_->keys_required = true;
  EXPECT_EQ(Dispatch(effKeysRequired), 0);

  char text[16] = "unchanged";
  EXPECT_EQ(Dispatch(effGetProgramName, 0, 0, text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(Dispatch(effGetProgramName, 0, 0, nullptr), 0);  // no buffer: nothing written
  EXPECT_EQ(Dispatch(effGetEffectName, 0, 0, text), 0);

  EXPECT_EQ(Dispatch(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f), 1);
  EXPECT_EQ(effect_->GetSampleRate(), 96000.0f);
  EXPECT_EQ(effect_->GetBlockSize(), 256);
  EXPECT_EQ(Dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f), 0);
  EXPECT_EQ(effect_->GetSampleRate(), 22050.0f);
  EXPECT_EQ(Dispatch(effSetBlockSize, 0, 32), 0);
  EXPECT_EQ(effect_->GetBlockSize(), 32);
}

TEST_F(EffectBase, EditorOpcodesWithoutAnEditorAnswerZero) {
  ERect sentinel{};
  ERect* rect = &sentinel;
  EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, &sentinel);
  EXPECT_EQ(Dispatch(effEditOpen, 0, 0, &sentinel), 0);
  EXPECT_EQ(Dispatch(effEditKeyDown, 65, 1, nullptr, 0), 0);
  EXPECT_EQ(Dispatch(effEditKeyUp, 65, 1, nullptr, 0), 0);
  EXPECT_EQ(Dispatch(effSetEditKnobMode, 0, 2), 0);
  EXPECT_EQ(Dispatch(effEditClose), 0);
  EXPECT_EQ(Dispatch(effEditIdle), 0);
}

TEST_F(EffectBase, EditorOpcodesReachTheEditor) {
  TestEditor* editor = AttachEditor();

  ERect* rect = nullptr;
  EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect, &editor->rect_);

  int parent = 0;
  EXPECT_EQ(Dispatch(effEditOpen, 0, 0, &parent), 1);
  EXPECT_EQ(editor->Window(), &parent);
  EXPECT_TRUE(editor->IsOpen());
  EXPECT_EQ(Dispatch(effEditIdle), 0);

  // The key code: character from index, virtual key from the low byte of value, modifier = round(opt).
  EXPECT_EQ(Dispatch(effEditKeyDown, 'a', 0x1234, nullptr, 2.6f), 1);
  EXPECT_EQ(editor->last_key.character, 'a');
  EXPECT_EQ(editor->last_key.virt, 0x34);
  EXPECT_EQ(editor->last_key.modifier, 3);
  EXPECT_EQ(Dispatch(effEditKeyUp, 'b', 7, nullptr, 1.0f), 0);
  EXPECT_EQ(editor->last_key.character, 'b');
  EXPECT_EQ(editor->last_key.virt, 7);
  EXPECT_EQ(editor->last_key.modifier, 1);

  EXPECT_EQ(Dispatch(effSetEditKnobMode, 0, 2), 0);
  EXPECT_EQ(editor->knob_mode, 2);

  EXPECT_EQ(Dispatch(effEditClose), 0);
  EXPECT_FALSE(editor->IsOpen());
  EXPECT_EQ(trace_.events, (std::vector<std::string>{"idle", "keydown", "keyup"}));
}

TEST_F(EffectBase, GetRectOfTheBaseEditorWritesNone) {
  effect_->SetEditor(std::make_unique<AEffEditor>(effect_));
  ERect sentinel{};
  ERect* rect = &sentinel;
  EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);
  EXPECT_EQ(Dispatch(effEditOpen, 0, 0, &sentinel), 0);
}

TEST_F(EffectBase, CloseCallsCloseThenDestroys) {
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(trace_.events, (std::vector<std::string>{"close", "destroyed"}));
}

TEST_F(EffectBase, NoExceptionReachesTheHost) {
  AEffect* e = effect_->Effect();
  effect_->throw_in_parameters = true;
  EXPECT_EQ(e->getParameter(e, 0), 0.0f);
  EXPECT_EQ(Dispatch(effGetVendorVersion), 0);

  effect_->throw_in_render = true;
  float left[4] = {}, right[4] = {};
  float* outputs[2] = {left, right};
  e->processReplacing(e, nullptr, outputs, 4);

  // A failing Close still ends the instance.
  effect_->throw_in_close = true;
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(trace_.events, (std::vector<std::string>{"close", "destroyed"}));
}

TEST_F(EffectBase, EntriesReachTheirOperations) {
  AEffect* e = effect_->Effect();
  e->setParameter(e, 2, 0.5f);
  EXPECT_EQ(e->getParameter(e, 2), 0.25f);
  EXPECT_EQ(trace_.events, (std::vector<std::string>{"set 2 0.500000"}));

  float left[3] = {}, right[3] = {};
  float* outputs[2] = {left, right};
  e->processReplacing(e, nullptr, outputs, 3);
  EXPECT_EQ(left[2], 1.0f);
  // The base accumulating entry and the double-precision entry do nothing.
  left[0] = 0.0f;
  e->process(e, nullptr, outputs, 3);
  EXPECT_EQ(left[0], 0.0f);
  double dl[2] = {}, dr[2] = {};
  double* doubles[2] = {dl, dr};
  e->processDoubleReplacing(e, nullptr, doubles, 2);
  EXPECT_EQ(dl[0], 0.0);
}

TEST_F(EffectBase, ResumeAsksForMidiOnlyWhenItWantsIt) {
  Dispatch(effMainsChanged, 0, 1);
  EXPECT_TRUE(host_.calls.empty());

  effect_->can_receive_midi = true;
  Dispatch(effMainsChanged, 0, 1);
  effect_->can_receive_midi = false;
  effect_->IsSynth(true);
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effMainsChanged, 0, 0);  // suspend asks nothing
  ASSERT_EQ(host_.calls.size(), 2u);
  for (const HostCall& c : host_.calls) {
    EXPECT_EQ(c.opcode, audioMasterWantMidi);
    EXPECT_EQ(c.index, 0);
    EXPECT_EQ(c.value, 1);
  }
}

TEST_F(EffectBase, HostWrappersPassTheirArguments) {
  effect_->SetParameterAutomated(5, 0.75f);
  ASSERT_EQ(host_.calls.size(), 1u);
  EXPECT_EQ(trace_.events, (std::vector<std::string>{"set 5 0.750000"}));  // first the effect's own
  EXPECT_EQ(host_.calls[0].opcode, audioMasterAutomate);
  EXPECT_EQ(host_.calls[0].index, 5);
  EXPECT_EQ(host_.calls[0].opt, 0.75f);

  host_.calls.clear();
  EXPECT_EQ(effect_->GetTimeInfo(kVstTempoValid), &host_.time);
  ASSERT_EQ(host_.calls.size(), 1u);
  EXPECT_EQ(host_.calls[0].opcode, audioMasterGetTime);
  EXPECT_EQ(host_.calls[0].value, kVstTempoValid);

  EXPECT_EQ(effect_->GetMasterVersion(), 2400);
}

TEST_F(EffectBase, UpdateSampleRateAndBlockSizeKeepOnlyPositiveAnswers) {
  host_.sample_rate_answer = 48000;
  host_.block_size_answer = 256;
  EXPECT_EQ(effect_->UpdateSampleRate(), 48000.0);
  EXPECT_EQ(effect_->UpdateBlockSize(), 256);
  EXPECT_EQ(effect_->GetSampleRate(), 48000.0f);
  EXPECT_EQ(effect_->GetBlockSize(), 256);

  host_.sample_rate_answer = 0;
  host_.block_size_answer = -1;
  effect_->UpdateSampleRate();
  effect_->UpdateBlockSize();
  EXPECT_EQ(effect_->GetSampleRate(), 48000.0f);
  EXPECT_EQ(effect_->GetBlockSize(), 256);
}

TEST(EffectWithoutHost, WrappersAnswerNothing) {
  Trace trace;
  auto effect = std::make_unique<TestEffect>(nullptr, trace);
  EXPECT_EQ(effect->GetTimeInfo(kVstTempoValid), nullptr);
  EXPECT_EQ(effect->GetMasterVersion(), 0);
  EXPECT_EQ(effect->UpdateSampleRate(), 0.0);
  EXPECT_EQ(effect->GetSampleRate(), 44100.0f);
  EXPECT_EQ(effect->UpdateBlockSize(), 0);
  EXPECT_FALSE(effect->IsInputConnected(0));
  EXPECT_FALSE(effect->IsOutputConnected(0));
  EXPECT_FALSE(effect->SendVstEventsToHost(nullptr));
  EXPECT_EQ(effect->GetDirectory(), nullptr);
  EXPECT_EQ(effect->CanHostDo(const_cast<char*>("sendVstEvents")), 0);
  effect->IsSynth(true);
  effect->Resume();
  effect->SetParameterAutomated(0, 1.0f);
}

}  // namespace
