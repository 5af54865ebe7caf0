#include "modulation/mod_matrix.h"

namespace brelix {

namespace {

constexpr int kLanes = 4;

// One matrix's fields in the patch record.
struct PatchSlots {
  const QWord* Source;  // indices, read as signed
  const QWord* Dest;
  const QSingle* Amount;
  const uint32_t* RowOn;
  int32_t Count;  // last row to visit, x 4
};

// One matrix's fields in a voice work record.
struct VoiceSlots {
  QOffset* SourcePtr;
  QOffset* DestPtr;
  QSingle* Value;
};

PatchSlots SlotsOf(const XPatch& p, TModMatrix m) {
  if (m == TModMatrix::Patch) return {p.ModSource, p.ModDest, p.ModAmount, p.ModSlotOn, p.ModMatrixCount};
  return {p.MidiModSource, p.MidiModDest, p.MidiModAmount, p.MidiModSlotOn, p.MidiModMatrixCount};
}

VoiceSlots SlotsOf(XPatchWork& w, TModMatrix m) {
  if (m == TModMatrix::Patch) return {w.ModSourcePtr, w.ModDestPtr, w.ModValue};
  return {w.MidiModSourcePtr, w.MidiModDestPtr, w.MidiModValue};
}

// The single at byte offset `offset` from the engine memory base.
float& ValueAt(uint8_t* base, uint32_t offset) { return *reinterpret_cast<float*>(base + offset); }

// Destinations always lie in the voice record the routine was handed for writing; the constant
// block is only the frame of reference of the offsets.
uint8_t* EngineBase(const XSynthWork& sw) {
  return reinterpret_cast<uint8_t*>(const_cast<XSynthWork*>(&sw));
}
uint8_t* EngineBase(const XPatch& p) { return reinterpret_cast<uint8_t*>(p.SynthWork); }

// One scalar load per lane.
QSingle GatherAt(uint8_t* base, const QOffset& offsets) {
  const uint32_t* o = offsets.lanes();
  return QSingle::of(ValueAt(base, o[0]), ValueAt(base, o[1]), ValueAt(base, o[2]), ValueAt(base, o[3]));
}

// Lane 1, 2, 3, 4 in this order, so two lanes aimed at the same single both count.
void ScatterAdd(uint8_t* base, const QOffset& offsets, QSingle d) {
  const uint32_t* o = offsets.lanes();
  const float* dl = d.lanes();
  for (int lane = 0; lane < kLanes; ++lane) ValueAt(base, o[lane]) += dl[lane];
}

// Rows in order: a slot reading "ModMatrix" n of an earlier row sees this tick's value, of its
// own or a later row the previous tick's.
void MatrixCalculate(uint8_t* base, const PatchSlots& ps, const VoiceSlots& vs) {
  for (int row = 0; row < kMatrixRows && row * kLanes <= ps.Count; ++row) {
    if (ps.RowOn[row] == 0) continue;
    QSingle sources = GatherAt(base, vs.SourcePtr[row]);
    QSingle x = sources * ps.Amount[row];
    QSingle d = x - vs.Value[row];
    vs.Value[row] = x;
    ScatterAdd(base, vs.DestPtr[row], d);
  }
}

void MatrixNoteOn(uint8_t* base, const VoiceSlots& vs) {
  for (int row = 0; row < kMatrixRows; ++row) {
    const uint32_t* dest = vs.DestPtr[row].lanes();
    for (int lane = 0; lane < kLanes; ++lane) ValueAt(base, dest[lane]) = 0.0f;
    vs.Value[row] = QSingle::zero();
  }
}

// A row is used when any of its four destination indices is not 0 ("None").
uint32_t RowFlag(QWord dest) { return all(dest == QWord::zero()) ? 0 : kModRowOn; }

// 4 x the last row (3, 2, 1) whose flag is set, 0 when none of them is.
int32_t MatrixCount(const uint32_t* row_on) {
  for (int row = kMatrixRows - 1; row > 0; --row)
    if (row_on[row] != 0) return row * kLanes;
  return 0;
}

struct RowFlags {
  const QWord* Dest;
  uint32_t* RowOn;
  int32_t* Count;
};

RowFlags RowFlagsOf(XPatch& p, TModMatrix m) {
  if (m == TModMatrix::Patch) return {p.ModDest, p.ModSlotOn, &p.ModMatrixCount};
  return {p.MidiModDest, p.MidiModSlotOn, &p.MidiModMatrixCount};
}

}  // namespace

void ModMatrixPatchRecalculate(XPatch& p) {
  for (TModMatrix m : {TModMatrix::Patch, TModMatrix::Midi}) {
    RowFlags f = RowFlagsOf(p, m);
    for (int row = 0; row < kMatrixRows; ++row) f.RowOn[row] = RowFlag(f.Dest[row]);
    *f.Count = MatrixCount(f.RowOn);
  }
}

void ModMatrixRowRecalculate(XPatch& p, TModMatrix m, int row) {
  RowFlags f = RowFlagsOf(p, m);
  f.RowOn[row] = RowFlag(f.Dest[row]);
  *f.Count = MatrixCount(f.RowOn);
}

void ReleaseModDest(const XPatch& p, uint32_t offset, float& contribution) {
  if (offset == 0) return;
  float& dest = ValueAt(EngineBase(p), offset);
  dest = static_cast<float>(static_cast<double>(dest) - static_cast<double>(contribution));
  contribution = 0.0f;
}

void VoiceModSlotSource(const XPatch& p, XPatchWork& w, TModMatrix m, int slot) {
  const int row = slot / kLanes, lane = slot % kLanes;
  const int32_t index = static_cast<int32_t>(SlotsOf(p, m).Source[row].lanes()[lane]);
  SlotsOf(w, m).SourcePtr[row].lanes()[lane] = ResolveModSource(p, w, index);
}

void VoiceModSlotDest(const XPatch& p, XPatchWork& w, TModMatrix m, int slot) {
  const int row = slot / kLanes, lane = slot % kLanes;
  const int32_t index = static_cast<int32_t>(SlotsOf(p, m).Dest[row].lanes()[lane]);
  VoiceSlots vs = SlotsOf(w, m);
  uint32_t& dest = vs.DestPtr[row].lanes()[lane];
  ReleaseModDest(p, dest, vs.Value[row].lanes()[lane]);
  dest = ResolveModDest(p, w, index);
}

void VoiceModPointers(const XPatch& p, XPatchWork& w) {
  for (TModMatrix m : {TModMatrix::Patch, TModMatrix::Midi}) {
    for (int slot = 0; slot < kModSlots; ++slot) {
      VoiceModSlotSource(p, w, m, slot);
      VoiceModSlotDest(p, w, m, slot);
    }
  }
  w.VolumeModSourcePtr = ResolveModSource(p, w, p.VolumeModSource);
}

void ModMatrixCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  MatrixCalculate(EngineBase(sw), SlotsOf(p, TModMatrix::Patch), SlotsOf(w, TModMatrix::Patch));
}

void MidiModMatrixCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  MatrixCalculate(EngineBase(sw), SlotsOf(p, TModMatrix::Midi), SlotsOf(w, TModMatrix::Midi));
}

void ModMatrixNoteOn(const XSynthWork& sw, const XPatch&, XPatchWork& w) {
  MatrixNoteOn(EngineBase(sw), SlotsOf(w, TModMatrix::Patch));
  MatrixNoteOn(EngineBase(sw), SlotsOf(w, TModMatrix::Midi));
}

}  // namespace brelix
