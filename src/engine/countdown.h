// The countdown of a control period: the engine's schedules (a voice's control tick, the patch
// LFO, the delay control step, the MIDI matrix pass) each keep one.
#pragma once

namespace brelix {

// True when the counter has run out (is 0), which reloads it with `reload`, the period minus one;
// otherwise counts it one down. So a schedule fires at once and then every `reload` + 1 calls.
template <class T>
bool CountdownDue(T& counter, T reload) {
  if (counter == 0) {
    counter = reload;
    return true;
  }
  --counter;
  return false;
}

}  // namespace brelix
