// The 32-bit fields of the patch record that the parameter controls bind to, addressed by their
// byte position inside `XPatch`.
//
// A control holds the position of its field (or -1 for none). Every access is checked: the four
// bytes must lie inside the part of the record that patches own (before the engine-owned tail),
// start on a 4-byte boundary, and not belong to a field that holds an address, a routine or an
// engine table offset, which no control may overwrite. A position that fails reads as nothing
// and is never written.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/patch.h"

namespace brelix {

constexpr int32_t kNoPatchField = -1;

// The position of `field` inside `patch`, for the page builders that name fields by address;
// -1 for no field and for an address outside the record.
int32_t PatchFieldPosition(const XPatch& patch, const void* field);

// The lane 1..4 of the vector field the position falls in: ((position >> 2) AND 3) + 1.
int32_t PatchFieldLane(int32_t position);

// The position names a 32-bit field that a control may read and write.
bool IsControlField(int32_t position);

std::optional<float> ReadPatchSingle(const XPatch& patch, int32_t position);
std::optional<int32_t> ReadPatchInteger(const XPatch& patch, int32_t position);
std::optional<uint32_t> ReadPatchWord(const XPatch& patch, int32_t position);

// False (and nothing written) for a position that fails the checks. A single that is not finite
// is refused as well: it would reach the sound engine.
bool WritePatchSingle(XPatch& patch, int32_t position, float value);
bool WritePatchWord(XPatch& patch, int32_t position, uint32_t word);

}  // namespace brelix
