#include "modulation/mod_matrix.h"

namespace brelix {

namespace {

constexpr int kLanes = 4;

// Where one matrix keeps its fields: in the patch record (the slots as the patch sets them, with
// the row flags and the row count derived from them) and in a voice work record (the slots resolved
// to engine offsets, with the contribution each slot last added).
struct MatrixFields {
  QWord (XPatch::*Source)[kMatrixRows];  // source indices, read as signed
  QWord (XPatch::*Dest)[kMatrixRows];
  QSingle (XPatch::*Amount)[kMatrixRows];
  uint32_t (XPatch::*RowOn)[kMatrixRows];
  int32_t XPatch::*Count;  // last row to visit, x 4
  QOffset (XPatchWork::*SourcePtr)[kMatrixRows];
  QOffset (XPatchWork::*DestPtr)[kMatrixRows];
  QSingle (XPatchWork::*Value)[kMatrixRows];
};

constexpr MatrixFields kPatchMatrix = {
    .Source = &XPatch::ModSource, .Dest = &XPatch::ModDest, .Amount = &XPatch::ModAmount,
    .RowOn = &XPatch::ModSlotOn, .Count = &XPatch::ModMatrixCount,
    .SourcePtr = &XPatchWork::ModSourcePtr, .DestPtr = &XPatchWork::ModDestPtr, .Value = &XPatchWork::ModValue};
constexpr MatrixFields kMidiMatrix = {
    .Source = &XPatch::MidiModSource, .Dest = &XPatch::MidiModDest, .Amount = &XPatch::MidiModAmount,
    .RowOn = &XPatch::MidiModSlotOn, .Count = &XPatch::MidiModMatrixCount,
    .SourcePtr = &XPatchWork::MidiModSourcePtr, .DestPtr = &XPatchWork::MidiModDestPtr, .Value = &XPatchWork::MidiModValue};

const MatrixFields& FieldsOf(TModMatrix m) { return m == TModMatrix::Patch ? kPatchMatrix : kMidiMatrix; }

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
void MatrixCalculate(uint8_t* base, const XPatch& p, XPatchWork& w, const MatrixFields& f) {
  const QSingle* amount = p.*f.Amount;
  const uint32_t* row_on = p.*f.RowOn;
  QSingle* value = w.*f.Value;
  const int32_t count = p.*f.Count;
  for (int row = 0; row < kMatrixRows && row * kLanes <= count; ++row) {
    if (row_on[row] == 0) continue;
    QSingle sources = GatherAt(base, (w.*f.SourcePtr)[row]);
    // A slot whose product is not finite adds nothing: its destination keeps adding up the
    // differences, so one NaN or infinity there would stay for good.
    QSingle x = finite_or_zero(sources * amount[row]);
    QSingle d = x - value[row];
    value[row] = x;
    ScatterAdd(base, (w.*f.DestPtr)[row], d);
  }
}

void MatrixNoteOn(uint8_t* base, XPatchWork& w, const MatrixFields& f) {
  for (int row = 0; row < kMatrixRows; ++row) {
    const uint32_t* dest = (w.*f.DestPtr)[row].lanes();
    for (int lane = 0; lane < kLanes; ++lane) ValueAt(base, dest[lane]) = 0.0f;
    (w.*f.Value)[row] = QSingle::zero();
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

// The flags of the rows from `first` to `last` and then the row count, after those rows'
// destinations changed.
void RowsRecalculate(XPatch& p, const MatrixFields& f, int first, int last) {
  for (int row = first; row <= last; ++row) (p.*f.RowOn)[row] = RowFlag((p.*f.Dest)[row]);
  p.*f.Count = MatrixCount(p.*f.RowOn);
}

}  // namespace

void ModMatrixPatchRecalculate(XPatch& p) {
  RowsRecalculate(p, kPatchMatrix, 0, kMatrixRows - 1);
  RowsRecalculate(p, kMidiMatrix, 0, kMatrixRows - 1);
}

void ModMatrixRowRecalculate(XPatch& p, TModMatrix m, int row) { RowsRecalculate(p, FieldsOf(m), row, row); }

void ReleaseModDest(const XPatch& p, uint32_t offset, float& contribution) {
  if (offset == 0) return;
  float& dest = ValueAt(EngineBase(p), offset);
  dest = static_cast<float>(static_cast<double>(dest) - static_cast<double>(contribution));
  contribution = 0.0f;
}

void VoiceModSlotSource(const XPatch& p, XPatchWork& w, TModMatrix m, int slot) {
  const int row = slot / kLanes, lane = slot % kLanes;
  const MatrixFields& f = FieldsOf(m);
  const int32_t index = static_cast<int32_t>((p.*f.Source)[row].lanes()[lane]);
  (w.*f.SourcePtr)[row].lanes()[lane] = ResolveModSource(p, w, index);
}

void VoiceModSlotDest(const XPatch& p, XPatchWork& w, TModMatrix m, int slot) {
  const int row = slot / kLanes, lane = slot % kLanes;
  const MatrixFields& f = FieldsOf(m);
  const int32_t index = static_cast<int32_t>((p.*f.Dest)[row].lanes()[lane]);
  uint32_t& dest = (w.*f.DestPtr)[row].lanes()[lane];
  ReleaseModDest(p, dest, (w.*f.Value)[row].lanes()[lane]);
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
  MatrixCalculate(EngineBase(sw), p, w, kPatchMatrix);
}

void MidiModMatrixCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  MatrixCalculate(EngineBase(sw), p, w, kMidiMatrix);
}

void ModMatrixNoteOn(const XSynthWork& sw, const XPatch&, XPatchWork& w) {
  MatrixNoteOn(EngineBase(sw), w, kPatchMatrix);
  MatrixNoteOn(EngineBase(sw), w, kMidiMatrix);
}

}  // namespace brelix
