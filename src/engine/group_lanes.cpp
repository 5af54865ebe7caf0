#include "engine/group_lanes.h"

#include <cstring>

#include "engine/voice_kernel.h"

namespace brelix {

namespace {

using OneVoice = VoiceLaneSet<QSingle>;
static_assert(sizeof(OneVoice) == kVoiceLaneFields * sizeof(QSingle));

// Field f of the voice in place n: every field of the group's set is `places` voices of 16 bytes.
std::byte* PlaceOfField(VoiceGroup& group, int f, int n) {
  return group.lanes + (static_cast<size_t>(f) * group.places + n) * sizeof(QSingle);
}

}  // namespace

// The one-voice set is computed with the same lane-wise operations as the wide ones, so its lanes
// are the bits a wide load would have given that voice.
void LoadGroupVoice(const XSynthWork& sw, const XPatch& p, VoiceGroup& group, int n) {
  OneVoice one;
  XPatchWork* const voice[1] = {group.voice[n]};
  one.Load(sw, p, voice);
  const auto* fields = reinterpret_cast<const std::byte*>(&one);
  for (int f = 0; f < kVoiceLaneFields; ++f) std::memcpy(PlaceOfField(group, f, n), fields + f * sizeof(QSingle), sizeof(QSingle));
}

void StoreGroupVoice(VoiceGroup& group, int n) {
  OneVoice one;
  auto* fields = reinterpret_cast<std::byte*>(&one);
  for (int f = 0; f < kVoiceLaneFields; ++f) std::memcpy(fields + f * sizeof(QSingle), PlaceOfField(group, f, n), sizeof(QSingle));
  XPatchWork* const voice[1] = {group.voice[n]};
  const bool live[1] = {true};
  one.Store(voice, live);
}

}  // namespace brelix
