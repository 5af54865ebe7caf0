// The plug-in as a host sees it: loaded from the built library, opened through its entry point,
// driven through the AEffect record and the dispatcher.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "vst_host.h"

namespace {

using brelix::host::HostCall;
using brelix::host::HostConfig;
using brelix::host::PluginInstance;
using brelix::host::PluginLibrary;

class PluginBoundary : public testing::Test {
 protected:
  static void SetUpTestSuite() { library_ = PluginLibrary::Load(BRELIX_PLUGIN_PATH); }
  static void TearDownTestSuite() { library_.reset(); }

  static std::unique_ptr<PluginInstance> Open(HostConfig config = {}) {
    return std::make_unique<PluginInstance>(library_, config);
  }

  static std::shared_ptr<PluginLibrary> library_;
};

std::shared_ptr<PluginLibrary> PluginBoundary::library_;

TEST_F(PluginBoundary, RecordHoldsTheInstanceValues) {
  auto plugin = Open();
  ASSERT_TRUE(plugin->is_open());
  const AEffect& e = *plugin->effect();
  EXPECT_EQ(e.magic, 0x56737450);
  EXPECT_EQ(e.numPrograms, 0);
  EXPECT_EQ(e.numParams, 1);
  EXPECT_EQ(e.numInputs, 0);
  EXPECT_EQ(e.numOutputs, 2);
  // Replacing, program chunks, synthesizer; the editor bit says whether an editor exists.
  EXPECT_EQ(e.flags & ~effFlagsHasEditor, 0x130);
  EXPECT_EQ(e.uniqueID, 0x54573439);
  EXPECT_EQ(e.uniqueID, BRELIX_FOURCC('T', 'W', '4', '9'));
  EXPECT_EQ(e.version, 1);
  EXPECT_EQ(e.ioRatio, 1.0f);
  EXPECT_EQ(e.initialDelay, 0);
  EXPECT_EQ(e.realQualities, 0);
  EXPECT_EQ(e.offQualities, 0);
  EXPECT_EQ(e.resvd1, 0);
  EXPECT_EQ(e.resvd2, 0);
  EXPECT_NE(e.object, nullptr);
  EXPECT_NE(e.dispatcher, nullptr);
  EXPECT_NE(e.process, nullptr);
  EXPECT_NE(e.setParameter, nullptr);
  EXPECT_NE(e.getParameter, nullptr);
  EXPECT_NE(e.processReplacing, nullptr);
  EXPECT_NE(e.processDoubleReplacing, nullptr);
  const char zeros[sizeof e.future] = {};
  EXPECT_EQ(std::memcmp(e.future, zeros, sizeof zeros), 0);
}

TEST_F(PluginBoundary, EditorFlagMatchesTheEditorsAnswer) {
  auto plugin = Open();
  ERect sentinel{};
  ERect* rect = &sentinel;
  intptr_t result = plugin->dispatch(effEditGetRect, 0, 0, &rect);
  if ((plugin->effect()->flags & effFlagsHasEditor) == 0) {
    // Without an editor the host's pointer stays as it was.
    EXPECT_EQ(result, 0);
    EXPECT_EQ(rect, &sentinel);
  } else {
    EXPECT_EQ(result, 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_NE(rect, &sentinel);
  }
}

struct OpcodeCase {
  const char* name;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  float opt;
  const char* input;  // text passed in ptr, or none
  intptr_t expected;
  const char* output;  // text expected back in ptr (which then is a buffer), or none
};

// Every opcode whose answer does not depend on an editor or change the instance as a whole.
const OpcodeCase kOpcodeTable[] = {
    {"effOpen", effOpen, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetProgram", effGetProgram, 0, 0, 0, nullptr, 0, nullptr},
    {"effSetProgramName", effSetProgramName, 0, 0, 0, "Other", 0, nullptr},
    {"effGetProgramName", effGetProgramName, 0, 0, 0, nullptr, 0, "Single Mode"},
    {"effGetParamLabel", effGetParamLabel, 0, 0, 0, nullptr, 0, ""},
    {"effGetParamDisplay", effGetParamDisplay, 0, 0, 0, nullptr, 0, ""},
    {"effGetParamName", effGetParamName, 0, 0, 0, nullptr, 0, "?"},
    {"effGetVu", effGetVu, 0, 0, 0, nullptr, 0, nullptr},
    {"effSetBlockSize", effSetBlockSize, 0, 512, 0, nullptr, 0, nullptr},
    {"effEditDraw", effEditDraw, 0, 0, 0, nullptr, 0, nullptr},
    {"effEditMouse", effEditMouse, 10, 20, 0, nullptr, 0, nullptr},
    {"effEditKey", effEditKey, 0, 65, 0, nullptr, 0, nullptr},
    {"effEditIdle", effEditIdle, 0, 0, 0, nullptr, 0, nullptr},
    {"effEditTop", effEditTop, 0, 0, 0, nullptr, 0, nullptr},
    {"effEditSleep", effEditSleep, 0, 0, 0, nullptr, 0, nullptr},
    {"effIdentify", effIdentify, 0, 0, 0, nullptr, 0x4E764566, nullptr},
    {"effCanBeAutomated", effCanBeAutomated, 0, 0, 0, nullptr, 1, nullptr},
    {"effString2Parameter", effString2Parameter, 0, 0, 0, "0.5", 0, nullptr},
    {"effGetNumProgramCategories", effGetNumProgramCategories, 0, 0, 0, nullptr, 1, nullptr},
    {"effGetProgramNameIndexed", effGetProgramNameIndexed, 0, -1, 0, nullptr, 0, nullptr},
    {"effCopyProgram", effCopyProgram, 1, 0, 0, nullptr, 0, nullptr},
    {"effConnectInput", effConnectInput, 0, 1, 0, nullptr, 1, nullptr},
    {"effConnectOutput", effConnectOutput, 1, 0, 0, nullptr, 1, nullptr},
    {"effGetInputProperties", effGetInputProperties, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetOutputProperties", effGetOutputProperties, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetPlugCategory", effGetPlugCategory, 0, 0, 0, nullptr, 2, nullptr},
    {"effGetCurrentPosition", effGetCurrentPosition, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetDestinationBuffer", effGetDestinationBuffer, 0, 0, 0, nullptr, 0, nullptr},
    {"effOfflineNotify", effOfflineNotify, 1, 0, 0, nullptr, 0, nullptr},
    {"effOfflinePrepare", effOfflinePrepare, 0, 0, 0, nullptr, 0, nullptr},
    {"effOfflineRun", effOfflineRun, 0, 0, 0, nullptr, 0, nullptr},
    {"effProcessVarIo", effProcessVarIo, 0, 0, 0, nullptr, 0, nullptr},
    {"effSetSpeakerArrangement", effSetSpeakerArrangement, 0, 0, 0, nullptr, 0, nullptr},
    {"effSetBlockSizeAndSampleRate", effSetBlockSizeAndSampleRate, 0, 256, 48000.0f, nullptr, 1, nullptr},
    {"effSetBypass", effSetBypass, 0, 1, 0, nullptr, 0, nullptr},
    {"effGetEffectName", effGetEffectName, 0, 0, 0, nullptr, 1, "Brelix"},
    {"effGetErrorText", effGetErrorText, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetVendorString", effGetVendorString, 0, 0, 0, nullptr, 1, "TolvenSoftworks"},
    {"effGetProductString", effGetProductString, 0, 0, 0, nullptr, 1, "Brelix"},
    {"effGetVendorVersion", effGetVendorVersion, 0, 0, 0, nullptr, 100, nullptr},
    {"effVendorSpecific", effVendorSpecific, 1, 2, 0.5f, nullptr, 0, nullptr},
    {"effCanDo receiveVstMidiEvent", effCanDo, 0, 0, 0, "receiveVstMidiEvent", 0, nullptr},
    {"effCanDo receiveVstEvents", effCanDo, 0, 0, 0, "receiveVstEvents", 0, nullptr},
    {"effCanDo sendVstMidiEvent", effCanDo, 0, 0, 0, "sendVstMidiEvent", 0, nullptr},
    {"effGetTailSize", effGetTailSize, 0, 0, 0, nullptr, 0, nullptr},
    {"effIdle", effIdle, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetIcon", effGetIcon, 0, 0, 0, nullptr, 0, nullptr},
    {"effSetViewPosition", effSetViewPosition, 10, 20, 0, nullptr, 0, nullptr},
    {"effGetParameterProperties", effGetParameterProperties, 0, 0, 0, nullptr, 0, nullptr},
    {"effKeysRequired", effKeysRequired, 0, 0, 0, nullptr, 1, nullptr},
    {"effGetVstVersion", effGetVstVersion, 0, 0, 0, nullptr, 2400, nullptr},
    {"effSetEditKnobMode", effSetEditKnobMode, 0, 2, 0, nullptr, 0, nullptr},
    {"effGetMidiProgramName", effGetMidiProgramName, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetCurrentMidiProgram", effGetCurrentMidiProgram, 0, 0, 0, nullptr, -1, nullptr},
    {"effGetMidiProgramCategory", effGetMidiProgramCategory, 0, 0, 0, nullptr, 0, nullptr},
    {"effHasMidiProgramsChanged", effHasMidiProgramsChanged, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetMidiKeyName", effGetMidiKeyName, 0, 0, 0, nullptr, 0, nullptr},
    {"effBeginSetProgram", effBeginSetProgram, 0, 0, 0, nullptr, 0, nullptr},
    {"effEndSetProgram", effEndSetProgram, 0, 0, 0, nullptr, 0, nullptr},
    {"effShellGetNextPlugin", effShellGetNextPlugin, 0, 0, 0, nullptr, 0, ""},
    {"effStartProcess", effStartProcess, 0, 0, 0, nullptr, 0, nullptr},
    {"effStopProcess", effStopProcess, 0, 0, 0, nullptr, 0, nullptr},
    {"effSetTotalSampleToProcess", effSetTotalSampleToProcess, 0, 4096, 0, nullptr, 4096, nullptr},
    {"effSetPanLaw", effSetPanLaw, 0, 0, 0.7071f, nullptr, 0, nullptr},
    {"effBeginLoadBank", effBeginLoadBank, 0, 0, 0, nullptr, 0, nullptr},
    {"effBeginLoadProgram", effBeginLoadProgram, 0, 0, 0, nullptr, 0, nullptr},
    {"effSetProcessPrecision", effSetProcessPrecision, 0, 1, 0, nullptr, 0, nullptr},
    {"effGetNumMidiInputChannels", effGetNumMidiInputChannels, 0, 0, 0, nullptr, 0, nullptr},
    {"effGetNumMidiOutputChannels", effGetNumMidiOutputChannels, 0, 0, 0, nullptr, 0, nullptr},
    {"opcode 80", 80, 0, 0, 0, nullptr, 0, nullptr},
    {"opcode 1000", 1000, 0, 0, 0, nullptr, 0, nullptr},
    {"opcode -1", -1, 0, 0, 0, nullptr, 0, nullptr},
};

TEST_F(PluginBoundary, OpcodeTable) {
  auto plugin = Open();
  for (const OpcodeCase& c : kOpcodeTable) {
    SCOPED_TRACE(c.name);
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);  // a missing terminator shows as trailing x's
    void* ptr = nullptr;
    if (c.input != nullptr) {
      std::strcpy(buffer, c.input);
      ptr = buffer;
    } else if (c.output != nullptr) {
      ptr = buffer;
    }
    EXPECT_EQ(plugin->dispatch(c.opcode, c.index, c.value, ptr, c.opt), c.expected);
    if (c.output != nullptr) {
      ASSERT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr);
      EXPECT_STREQ(buffer, c.output);
    }
  }
}

TEST_F(PluginBoundary, SetProgramHasNoEffect) {
  auto plugin = Open();
  for (intptr_t value :
       {intptr_t{0}, intptr_t{1}, intptr_t{7}, intptr_t{1000}, intptr_t{-1}, intptr_t{1} << 40}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(plugin->dispatch(effSetProgram, 0, value), 0);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin->dispatchText(effGetProgramName), "Single Mode");
  }
}

TEST_F(PluginBoundary, SpeakerArrangementQueryWritesNone) {
  auto plugin = Open();
  int dummy = 0;
  auto* input = reinterpret_cast<VstSpeakerArrangement*>(&dummy);
  auto* output = reinterpret_cast<VstSpeakerArrangement*>(&dummy);
  EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
  EXPECT_EQ(input, nullptr);
  EXPECT_EQ(output, nullptr);
}

TEST_F(PluginBoundary, ResumeAsksForMidiOnce) {
  auto plugin = Open();
  plugin->clearCalls();
  plugin->resume();
  std::vector<HostCall> calls = plugin->calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].opcode, audioMasterWantMidi);
  EXPECT_EQ(calls[0].index, 0);
  EXPECT_EQ(calls[0].value, 1);
  EXPECT_TRUE(calls[0].with_effect);

  // Suspend asks nothing; a second resume without a suspend (as some hosts do) asks again.
  plugin->suspend();
  EXPECT_EQ(plugin->calls().size(), 1u);
  plugin->resume();
  EXPECT_EQ(plugin->countCalls(audioMasterWantMidi), 2);
}

TEST_F(PluginBoundary, EntryAsksTheHostVersionWithoutARecord) {
  auto plugin = Open();
  ASSERT_TRUE(plugin->is_open());
  std::vector<HostCall> calls = plugin->calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_FALSE(calls[0].with_effect);
  EXPECT_EQ(calls[0].index, 0);
  EXPECT_EQ(calls[0].value, 0);
}

TEST_F(PluginBoundary, VersionZeroHostGetsNothingThenAWorkingHostSucceeds) {
  HostConfig no_host;
  no_host.version = 0;
  testing::internal::CaptureStderr();
  auto refused = Open(no_host);
  std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(refused->is_open());
  EXPECT_EQ(refused->countCalls(audioMasterVersion), 1);
  EXPECT_EQ(messages, "");  // no message box for a refusing host

  auto working = Open();
  EXPECT_TRUE(working->is_open());
}

TEST_F(PluginBoundary, ExportsOnlyTheEntryPointUnderTwoNames) {
  void* entry = library_->symbol("VSTPluginMain");
  void* main_entry = library_->symbol("main");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(main_entry, entry);
  // Internal code and the process-wide engine values stay private to the library.
  EXPECT_EQ(library_->symbol("_ZN6brelix12XSynthesizer6CreateEPFlP7AEffectiilPvfE"), nullptr);
  EXPECT_EQ(library_->symbol("_ZN6brelix10SampleRateE"), nullptr);

  // The complete list of defined dynamic symbols, where the binary tools are installed.
  std::string command = std::string("nm -D --defined-only '") + BRELIX_PLUGIN_PATH + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) GTEST_SKIP() << "nm not available";
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t last_space = text.rfind(' ');
    if (last_space != std::string::npos) names.insert(text.substr(last_space + 1));
  }
  int status = pclose(pipe);
  if (status != 0 || names.empty()) GTEST_SKIP() << "nm not available";
  EXPECT_EQ(names, (std::set<std::string>{"VSTPluginMain", "main"}));
}

TEST_F(PluginBoundary, SeveralInstancesLiveSideBySide) {
  std::vector<std::unique_ptr<PluginInstance>> plugins;
  for (int i = 0; i < 3; ++i) {
    plugins.push_back(Open());
    ASSERT_TRUE(plugins.back()->is_open());
  }
  EXPECT_NE(plugins[0]->effect(), plugins[1]->effect());
  EXPECT_NE(plugins[1]->effect()->object, plugins[2]->effect()->object);

  // Call-backs reach the host of the instance that made them.
  for (auto& p : plugins) p->clearCalls();
  plugins[1]->resume();
  EXPECT_EQ(plugins[0]->countCalls(audioMasterWantMidi), 0);
  EXPECT_EQ(plugins[1]->countCalls(audioMasterWantMidi), 1);
  EXPECT_EQ(plugins[2]->countCalls(audioMasterWantMidi), 0);

  for (auto& p : plugins) {
    p->setSampleRate(48000.0f);
    p->setBlockSize(64);
    p->resume();
    p->process(64);
  }
  // Closed out of creation order; the others go on working.
  EXPECT_EQ(plugins[1]->close(), 1);
  plugins[0]->process(64);
  plugins[2]->process(64);
  EXPECT_EQ(plugins[2]->close(), 1);
  EXPECT_EQ(plugins[0]->close(), 1);
  EXPECT_FALSE(plugins[0]->is_open());
}

TEST_F(PluginBoundary, CloseReturnsOne) {
  auto plugin = Open();
  EXPECT_EQ(plugin->close(), 1);
  EXPECT_FALSE(plugin->is_open());
}

TEST_F(PluginBoundary, BothProcessEntriesReplaceTheOutput) {
  auto plugin = Open();
  plugin->setSampleRate(44100.0f);
  plugin->setBlockSize(128);
  plugin->resume();
  // Silence without notes: at most the engine's anti-denormal offset, never the old contents.
  plugin->processAccumulating(128, 0.5f);
  ASSERT_EQ(plugin->left().size(), 128u);
  for (size_t i = 0; i < 128; ++i) {
    EXPECT_LE(std::fabs(plugin->left()[i]), 1e-6f) << i;
    EXPECT_LE(std::fabs(plugin->right()[i]), 1e-6f) << i;
  }
  plugin->process(128);
  for (size_t i = 0; i < 128; ++i) EXPECT_LE(std::fabs(plugin->left()[i]), 1e-6f) << i;
}

TEST_F(PluginBoundary, EventsChunkAndParameters) {
  auto plugin = Open();
  plugin->resume();
  EXPECT_EQ(plugin->sendMidi({{0x90, 60, 100}, {0x80, 60, 64}, {0xB0, 7, 100}}), 1);
  EXPECT_EQ(plugin->sendMidi({}), 1);

  // The 264-byte record, then the patch.
  EXPECT_GT(plugin->getChunk(0).size(), 264u);
  EXPECT_EQ(plugin->getChunk(1), plugin->getChunk(0));
  EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 0, nullptr), 1);  // no data: nothing to do

  AEffect* e = plugin->effect();
  e->setParameter(e, 0, 0.75f);
  EXPECT_EQ(e->getParameter(e, 0), 0.0f);
  EXPECT_EQ(plugin->countCalls(audioMasterAutomate), 0);  // a host's own change is not echoed
}

}  // namespace
