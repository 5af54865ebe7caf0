// The plug-in's own calls through effVendorSpecific, for the hosts this project builds (the
// standalone program). They answer without side effects what a host would otherwise learn only
// through effGetChunk, which saves a changed patch into its file first. Another host never sends
// the identifier, and every other index answers 0 as it always did.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brelix {

// effVendorSpecific's index for these calls: "Brlx" in ASCII.
constexpr int32_t kVendorCallId = 0x42726C78;

// The call, in effVendorSpecific's value; 0 is the answer to a call not carried out.
enum VendorCall : intptr_t {
  // ptr: a VendorPatchState, filled in; answers 1.
  kVendorCallPatchState = 1,
  // ptr: a void* that receives the program chunk as effGetChunk makes it, without saving a
  // changed patch first and without marking it as holding edits its file does not (the close
  // question settles those); answers the chunk's size (the block stays valid until the next
  // chunk call). The patch stays marked changed.
  kVendorCallChunkAsItIs = 2,
};

struct VendorPatchState {
  int32_t Modified = 0;  // 1 while the patch has changed since it was loaded or saved
  int32_t Channel = 0;   // the MIDI channel the instance listens on, 0 to 15
  char PatchFile[4096] = {};  // the patch file's name, "" when it has none, cut to fit
};

}  // namespace brelix
