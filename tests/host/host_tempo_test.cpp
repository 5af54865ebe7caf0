// The host tempo, asked once per block: what the engine makes of every answer a host can give.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "synth/synthesizer.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::HostConfig;
using host::PluginInstance;
using host::PluginLibrary;

float TempoAfterOneBlock(HostConfig config) {
  PluginInstance instance(PluginLibrary::Load(BRELIX_PLUGIN_PATH), config);
  instance.setSampleRate(44100.0f);
  instance.resume();
  instance.process(16);
  EXPECT_EQ(instance.countCalls(audioMasterGetTime), 1);  // once per block
  return static_cast<XSynthesizer*>(instance.effect()->object)->SynthWork->Tempo.lane(0);
}

TEST(HostTempo, BarsPerSecondFromEveryKindOfAnswer) {
  const float k = 0.0041666669f;  // the single nearest 1/240
  struct Case {
    const char* name;
    bool record;
    bool tempo_valid;
    double bpm;
    float tempo;
  };
  const Case cases[] = {
      {"120 BPM", true, true, 120.0, 120.0f * k},
      {"90 BPM", true, true, 90.0, 90.0f * k},
      {"no time record: 120 BPM", false, true, 90.0, 120.0f * k},
      {"no tempo in the record: 120 BPM", true, false, 90.0, 120.0f * k},
      {"tempo 0: 1 BPM", true, true, 0.0, 1.0f * k},
      {"negative tempo: 1 BPM", true, true, -50.0, 1.0f * k},
      {"NaN tempo: 1 BPM", true, true, std::numeric_limits<double>::quiet_NaN(), 1.0f * k},
  };
  for (const Case& c : cases) {
    HostConfig config;
    config.time_record = c.record;
    config.tempo_valid = c.tempo_valid;
    config.tempo = c.bpm;
    EXPECT_EQ(TempoAfterOneBlock(config), c.tempo) << c.name;
  }
}

}  // namespace
}  // namespace brelix
