// The audio thread renders without pause while the user-interface thread runs every engine
// call-back that holds the engine bracket, each after an edit of its field. Run under
// ThreadSanitizer by scripts/test.sh: a call-back that touched the engine outside its bracket
// would be reported as a data race. (The field edits are bracketed here too: the controls write
// single fields without it, which the engine takes between two samples by design.)
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "synth/engine_callbacks.h"
#include "support/render_thread.h"
#include "synth/process_update_scope.h"
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

constexpr uint32_t kAmpEnvelopeItem = 8;  // "Env4 [AmpEG]"

TEST(ConcurrencyStress, EngineCallBacksAgainstTheRenderThread) {
  testing::SynthFixture f;
  XSynthesizer& synth = *f.synth;
  XPatch& patch = f.patch();
  for (uint8_t note : {48, 55, 60, 64}) f.NoteOn(note);

  testing::RenderThread audio(synth);
  ASSERT_TRUE(audio.WaitForBlocks(1)) << "the render thread never ran";

  // A control's edit of its field, then its call-back.
  const auto edit = [&](const std::function<void()>& write) {
    ProcessUpdateScope update(synth);
    write();
  };
  const std::function<void(int)> steps[] = {
      [&](int r) {
        edit([&] { patch.AuxOscSemitone.set_lane(r % 4, static_cast<float>(r % 25 - 12)); });
        UpdateOscPitch(synth);
      },
      [&](int r) {
        edit([&] { patch.AuxOscFixedFreq.set_lane(r % 4, r % 2 == 0 ? 0.0f : 440.0f); });
        UpdateOscFixed(synth, patch);
      },
      [&](int r) {
        edit([&] { patch.AuxOscCenter.set_lane(r % 4, static_cast<float>(r % 128)); });
        UpdateOscCenter(synth, patch, r % 4 + 1);
      },
      [&](int r) {
        edit([&] { patch.SampleOscLoop.set_lane(r % 4, r % 2 == 0 ? 0u : 0xFFFFFFFFu); });
        UpdateSampleLoop(synth, patch, r % 4 + 1);
      },
      [&](int r) {
        edit([&] { patch.Upsample = static_cast<uint32_t>(r % 40); });
        UpdateSampleRateFields(synth, patch);
      },
      [&](int r) {
        edit([&] { patch.Oversample = static_cast<uint32_t>(r % 2); });
        UpdateOversampling(synth, patch);
      },
      [&](int r) { SetVoiceCount(synth, static_cast<float>(r % 17)); },
      [&](int r) {
        edit([&] { patch.PlayNote = r % 3 == 0 ? -1 : 40 + r % 40; });
        PlayPreviewNote(synth, static_cast<float>(patch.PlayNote));
      },
      [&](int r) { SetAmpSource(synth, patch, r % 3 == 0 ? kAmpEnvelopeItem : static_cast<uint32_t>(r % 178)); },
      [&](int r) { SetModSource(synth, patch, {r % 2 == 0 ? TModMatrix::Patch : TModMatrix::Midi, r % 16}, r % 178); },
      [&](int r) {
        const TModSlot slot{r % 2 == 0 ? TModMatrix::Patch : TModMatrix::Midi, r % 16};
        edit([&] {
          QWord* dests = slot.Matrix == TModMatrix::Patch ? patch.ModDest : patch.MidiModDest;
          QSingle* amounts = slot.Matrix == TModMatrix::Patch ? patch.ModAmount : patch.MidiModAmount;
          dests[slot.Slot / 4].set_lane(slot.Slot % 4, static_cast<uint32_t>(r % 80));
          amounts[slot.Slot / 4].set_lane(slot.Slot % 4, 0.1f);
        });
        UpdateModDest(synth, patch, slot);
      },
      [&](int r) { SetFilterType(synth, patch, r % 4 + 1, static_cast<uint32_t>(r % 10)); },
      [&](int r) {
        edit([&] { patch.FilterRange.set_lane(r % 4, r % 2 == 0 ? 0.0f : 1000.0f); });
        UpdateFilterRange(synth, patch);
      },
      [&](int r) {
        edit([&] { patch.FilterTracking.set_lane(r % 4, (r % 3 - 1) * 0.5f); });
        UpdateFilterTracking(synth);
      },
      [&](int r) {
        edit([&] {
          patch.LfoShape.set_lane(r % 4, static_cast<uint32_t>(r % 26));
          patch.LfoClocked.set_lane(r % 4, r % 2 == 0 ? 0u : 0xFFFFFFFFu);
        });
        UpdateLfos(synth, patch);
      },
      [&](int r) {
        edit([&] {
          patch.EnvTime[r % 5].set_lane(r % 4, 0.01f * static_cast<float>(r % 7));
          patch.EnvCurve[r % 5].set_lane(r % 4, static_cast<uint32_t>(r % 23));
        });
        UpdateEnvelopes(synth, patch);
      },
      [&](int r) {
        edit([&] {
          patch.DelayWet = r % 3 == 0 ? 0.0f : 0.3f;
          patch.AuxDelayWet = r % 2 == 0 ? 0.0f : 0.3f;
          patch.DelayTimeL = 0.01f * static_cast<float>(r % 50);
        });
        UpdateDelay(synth, patch);
      },
      [&](int r) {
        edit([&] { patch.DelayClocked.set_lane(r % 2 * 2, r % 3 == 0 ? 0u : 0xFFFFFFFFu); });
        UpdateDelayClock(synth, patch);
      },
      [&](int) { ResetDelay(synth, patch); },
  };

  constexpr int kRounds = 8;
  int round = 0;
  for (int pass = 0; pass < kRounds; ++pass) {
    for (const auto& step : steps) {
      step(round++);
      std::this_thread::yield();
    }
  }
  // The render thread goes on rendering after every call-back.
  EXPECT_TRUE(audio.WaitForBlocks(audio.Blocks() + 1));
  audio.Stop();
  EXPECT_EQ(audio.BadSamples(), 0);
  EXPECT_EQ(synth.Mute(), 0);
}

}  // namespace
}  // namespace brelix
