// MIDI event lists of arbitrary bytes, delivered between render calls of arbitrary lengths:
// nothing the host sends may crash the instance or bring NaN or infinity to the output.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_support.h"

using brelix::fuzz::Instance;

// Input: records of [count byte][count x 4 MIDI bytes: status, data1, data2, event type][frames byte].
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  brelix::XSynthesizer& synth = Instance();
  std::vector<float> left(256), right(256);
  float* outputs[2] = {left.data(), right.data()};
  size_t pos = 0;
  while (pos < size) {
    const size_t wanted = data[pos++] & 0x1F;
    const size_t count = std::min<size_t>(wanted, (size - pos) / 4);
    std::vector<VstMidiEvent> midi(count);
    std::vector<VstEvent*> pointers(count + 2, nullptr);
    for (size_t i = 0; i < count; ++i, pos += 4) {
      VstMidiEvent& e = midi[i];
      std::memset(&e, 0, sizeof e);
      e.type = (data[pos + 3] & 0x0F) == 0 ? kVstSysExType : kVstMidiType;
      e.byteSize = sizeof e;
      e.deltaFrames = data[pos + 3];
      std::memcpy(e.midiData, data + pos, 3);
      pointers[i] = reinterpret_cast<VstEvent*>(&e);
    }
    auto* events = reinterpret_cast<VstEvents*>(std::calloc(1, sizeof(VstEvents) + pointers.size() * sizeof(VstEvent*)));
    events->numEvents = static_cast<int32_t>(count);
    std::memcpy(events->events, pointers.data(), pointers.size() * sizeof(VstEvent*));
    synth.ProcessEvents(events);
    std::free(events);
    const int32_t frames = pos < size ? data[pos++] : 64;
    synth.ProcessReplacing(nullptr, outputs, frames);
    for (int32_t i = 0; i < frames; ++i)
      if (!std::isfinite(left[i]) || !std::isfinite(right[i])) std::abort();
  }
  return 0;
}
