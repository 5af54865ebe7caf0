#include "editor/patch_field.h"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace brelix {
namespace {

struct TFieldSpan {
  size_t Offset;
  size_t Size;
};

#define BRELIX_FIELD_SPAN(name) TFieldSpan{offsetof(XPatch, name), sizeof(XPatch::name)}

// Fields before the engine-owned tail that hold addresses, routines or offsets into the engine
// memory: the patch operations set them, and a value written over them would send the engine
// reading elsewhere.
constexpr TFieldSpan kEngineReferences[] = {
    BRELIX_FIELD_SPAN(SampleOscPtr),   BRELIX_FIELD_SPAN(SampleOscMemory),
    BRELIX_FIELD_SPAN(FilterFeedbackTable), BRELIX_FIELD_SPAN(LfoTable),
    BRELIX_FIELD_SPAN(EnvCurves),      BRELIX_FIELD_SPAN(SampleProcess),
    BRELIX_FIELD_SPAN(SampleCalculate), BRELIX_FIELD_SPAN(FX1Ptr),
    BRELIX_FIELD_SPAN(FX1Calculate),   BRELIX_FIELD_SPAN(FX1Process),
    BRELIX_FIELD_SPAN(Randomizer),     BRELIX_FIELD_SPAN(Sections),
};

#undef BRELIX_FIELD_SPAN

constexpr size_t kFieldSize = 4;

const unsigned char* FieldBytes(const XPatch& patch, int32_t position) {
  return reinterpret_cast<const unsigned char*>(&patch) + position;
}

unsigned char* FieldBytes(XPatch& patch, int32_t position) {
  return reinterpret_cast<unsigned char*>(&patch) + position;
}

template <typename T>
std::optional<T> ReadField(const XPatch& patch, int32_t position) {
  if (!IsControlField(position)) return std::nullopt;
  T value;
  std::memcpy(&value, FieldBytes(patch, position), sizeof value);
  return value;
}

}  // namespace

int32_t PatchFieldPosition(const XPatch& patch, const void* field) {
  if (field == nullptr) return kNoPatchField;
  const auto base = reinterpret_cast<uintptr_t>(&patch);
  const auto address = reinterpret_cast<uintptr_t>(field);
  if (address < base || address - base >= sizeof(XPatch)) return kNoPatchField;
  return static_cast<int32_t>(address - base);
}

int32_t PatchFieldLane(int32_t position) { return ((position >> 2) & 3) + 1; }

bool IsControlField(int32_t position) {
  if (position < 0 || position % kFieldSize != 0) return false;
  const auto start = static_cast<size_t>(position);
  if (start + kFieldSize > kPatchEngineTail) return false;
  for (const TFieldSpan& span : kEngineReferences) {
    if (start < span.Offset + span.Size && span.Offset < start + kFieldSize) return false;
  }
  return true;
}

std::optional<float> ReadPatchSingle(const XPatch& patch, int32_t position) {
  return ReadField<float>(patch, position);
}

std::optional<int32_t> ReadPatchInteger(const XPatch& patch, int32_t position) {
  return ReadField<int32_t>(patch, position);
}

std::optional<uint32_t> ReadPatchWord(const XPatch& patch, int32_t position) {
  return ReadField<uint32_t>(patch, position);
}

bool WritePatchSingle(XPatch& patch, int32_t position, float value) {
  if (!std::isfinite(value) || !IsControlField(position)) return false;
  std::memcpy(FieldBytes(patch, position), &value, sizeof value);
  return true;
}

bool WritePatchWord(XPatch& patch, int32_t position, uint32_t word) {
  if (!IsControlField(position)) return false;
  std::memcpy(FieldBytes(patch, position), &word, sizeof word);
  return true;
}

}  // namespace brelix
