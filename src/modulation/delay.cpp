#include "modulation/delay.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/global_memory.h"
#include "engine/rates.h"
#include "engine/synth_work.h"

namespace brelix {

namespace {

// A setting both channels of a delay share, in the lane order (Delay #1 L, R, Delay #2 L, R).
QSingle PerDelay(float delay1, float delay2) { return QSingle::of(delay1, delay1, delay2, delay2); }

// The patch's delay settings into the work record, in the lane order (Delay #1 L, R, Delay #2
// L, R). Feedback and damping are clamped here on every path: a feedback above 1 loops with a
// gain above 1 and a damping outside [0, 1] makes the loop low-pass unstable, and with a short
// time either overflows the line within one control period; Update runs on the editor's thread
// without holding the render loop off, so no unclamped value may reach the work record at all.
void LoadSettings(const XPatch& p, XDelayWork& w) {
  const XSynthWork& sw = *p.SynthWork;
  w.Input = PerDelay(p.DelayInput, p.AuxDelayInput);
  w.Routing = PerDelay(0.0f, p.DelayRouting);
  w.DryGain = PerDelay(p.DelayDry, p.AuxDelayDry);
  w.DelayTime = QSingle::of(p.DelayTimeL, p.DelayTimeR, p.AuxDelayTimeL, p.AuxDelayTimeR);
  // Within [0, 1]; a NaN becomes 0 (clamp's max answers its second operand then).
  w.Feedback = clamp(QSingle::of(p.DelayFeedbackL, p.DelayFeedbackR, p.AuxDelayFeedbackL, p.AuxDelayFeedbackR),
                     sw.S0, sw.S1);
  w.Damp = clamp(PerDelay(p.DelayDamp, p.AuxDelayDamp), sw.S0, sw.S1);
  const QSingle wet = PerDelay(p.DelayWet, p.AuxDelayWet);
  const QSingle width = PerDelay(p.DelayStereoWidth, p.AuxDelayStereoWidth);
  w.Wet1 = (width * sw.S0_5 + sw.S0_5) * wet;
  w.Wet2 = (sw.S1 - width) * sw.S0_5 * wet;
  w.Mix = PerDelay(p.DelayMix, p.AuxDelayMix);
}

// Clears the states of the loop in every lane (the lines are kept: they only take finite values).
void ClearStates(XDelayWork& w) {
  w.Filter = QSingle::zero();
  w.z1 = QSingle::zero();
  w.DCBlocker = QSingle::zero();
}

// Working line length: the smallest prime not below the host rate, at most 96001.
uint32_t LineLength() {
  const float rate = SampleRate;
  uint32_t whole = 0;  // a rate that is not positive (or NaN) gives the one-entry line
  if (rate >= 96000.0f) {
    whole = 96000;
  } else if (rate > 0.0f) {
    whole = static_cast<uint32_t>(rate);
  }
  return NextPrime(whole);
}

// The routine slots; a null object (a slot pair caught half-switched by an unbracketed wet
// edit) passes the signal through like NoOperation.
void DelayCalculate(XDelay* fx) {
  if (fx != nullptr) fx->Calculate();
}
QSingle DelayProcess(XDelay* fx, QSingle x) { return fx != nullptr ? fx->Process(x) : x; }

// Wet edits switch the slots while a render may be running; since the delay routines take a null
// object as NoOperation, any mix of old and new slot values is safe.
void SlotsOff(XPatch& p) {
  p.FX1Calculate = NoOperation;
  p.FX1Process = NoOperation;
  p.FX1Ptr = nullptr;
}

}  // namespace

XDelay::XDelay(XPatch& patch) : Patch(&patch) {
  DelayWorkMem = std::make_unique<unsigned char[]>(sizeof(XDelayWork) + 15);
  const auto raw = reinterpret_cast<uintptr_t>(DelayWorkMem.get());
  DelayWork = new (reinterpret_cast<void*>((raw + 15) & ~uintptr_t{15})) XDelayWork();
  Initialize();
}

XDelay::~XDelay() = default;

void XDelay::Initialize() {
  XPatch& p = *Patch;
  XDelayWork& w = *DelayWork;
  const uint32_t length = LineLength();
  for (int lane = 0; lane < 4; ++lane) {
    float* line = p.DelayBuffer.p[lane];
    if (line == nullptr) throw std::logic_error("Delay lines not allocated");
    w.Buffer.set_lane(lane, p.GlobalMemory->Offset(line));
    std::memset(line, 0, length * sizeof(float));
  }
  w.DelayPtr = QInteger::zero();
  w.BufferSize = QInteger::splat(static_cast<int32_t>(length));
  w.MaxDelayTime = QSingle::splat(1.0f);
  p.DelayValue = QSingle::zero();
  ClearStates(w);
}

void XDelay::Calculate() { LoadSettings(*Patch, *DelayWork); }

void XDelay::Update() { LoadSettings(*Patch, *DelayWork); }

QSingle XDelay::Process(QSingle x) {
  XPatch& p = *Patch;
  XDelayWork& w = *DelayWork;
  const XSynthWork& sw = *p.SynthWork;
  float* const base = reinterpret_cast<float*>(p.SynthWork);
  const QInteger one = QInteger::splat(1);

  // Delay time in seconds: bars over bars per second in clocked lanes. min hands back its second
  // operand for a NaN, so a tempo of 0 (0 / 0) or a NaN time from a file also ends at 1 second.
  QSingle t = select(p.DelayClocked, w.DelayTime / sw.Tempo, w.DelayTime);
  t = min(abs(t), w.MaxDelayTime);
  // Position in samples, kept between 1 and N - 1: the read comes before this sample's write, so
  // below one sample the interpolator would pair the oldest entry with the newest and ring at half
  // the sample rate; above N - 1 (host rates over 96 kHz) it would leave the line.
  QSingle position = t * sw.RealSampleRate;
  position = clamp(position, sw.S1, to_single(w.BufferSize - one));
  const QInteger n = trunc_to_int(position);
  w.IntOffset = n;
  w.FracOffset = sw.S1 - (position - to_single(n));

  // Only Delay #2 hears Delay #1's previous output (Routing is 0 in lanes 1 and 2).
  const QSingle s = x * w.Input + swap_halves(p.DelayValue) * w.Routing;
  w.Sample = s;

  // a was written n samples ago, b n + 1 samples ago.
  QInteger r0 = w.DelayPtr - n;
  r0 = r0 + (w.BufferSize & (r0 < QInteger::zero()));
  QInteger r1 = r0 - one;
  r1 = r1 + (w.BufferSize & (r1 < QInteger::zero()));
  const QWord line_start = w.Buffer >> 2;  // byte offsets to element offsets
  const QSingle a = gather(base, line_start + as_word(r0));
  const QSingle b = gather(base, line_start + as_word(r1));

  const QSingle y = b + (a - w.z1) * w.FracOffset;
  w.z1 = y;
  w.Filter = w.Damp * w.Filter + (sw.S1 - w.Damp) * y;

  // The line keeps what is written for a second: nothing that is not finite goes in.
  const QSingle written = finite_or_zero(w.Filter * w.Feedback + s);
  const QWord at = line_start + as_word(w.DelayPtr);
  for (int lane = 0; lane < 4; ++lane) base[at.lane(lane)] = written.lane(lane);
  const QInteger next = w.DelayPtr + one;
  w.DelayPtr = select(next == w.BufferSize, QInteger::zero(), next);

  const QSingle d = y - w.DCBlocker;
  w.DCBlocker = w.DCBlocker + d * p._FXDCFilter;

  QSingle o = (d * w.Wet1 + swap_pairs(d * w.Wet2)) * sw.S0_5 + w.Sample * w.DryGain;
  // A NaN or infinity in the read, the all-pass or the DC blocker (a bad input, an overflow)
  // shows in o; the damping low-pass, a mix of its old value and the read, is checked by itself.
  if (!all(finite_lanes(o) & finite_lanes(w.Filter) & finite_lanes(w.DCBlocker))) {
    ClearStates(w);
    o = finite_or_zero(o);
  }
  p.DelayValue = o;
  return o * w.Mix;
}

void DelayBuffersAllocate(XPatch& p, XGlobalMemory& memory) {
  for (int lane = 0; lane < 4; ++lane) p.DelayBuffer.p[lane] = memory.AllocFloats(kDelayLineSize);
}

void DelaySelect(XPatch& p) {
  if ((p.DelayWet == 0.0f && p.AuxDelayWet == 0.0f) || p.Delay == nullptr) {
    SlotsOff(p);
  } else {
    p.FX1Ptr = p.Delay;
    p.FX1Calculate = DelayCalculate;
    p.FX1Process = DelayProcess;
  }
}

void DelayRebuild(XPatch& p, bool recreate) {
  if (recreate) {
    auto fresh = std::make_unique<XDelay>(p);  // built first: a failure keeps the old object
    SlotsOff(p);
    delete p.Delay;
    p.Delay = fresh.release();
  }
  if (p.Delay != nullptr) p.Delay->Update();
  DelaySelect(p);
}

void DelayRelease(XPatch& p) {
  SlotsOff(p);
  delete p.Delay;
  p.Delay = nullptr;
}

}  // namespace brelix
