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
  // The host plays notes on the computer keys: from now on Enter or Escape in a value box, and a
  // click in the editor outside value boxes and lists, give the keys back (the box loses the
  // focus; Escape drops what was typed). ptr: any non-null pointer; answers 1 with an editor.
  kVendorCallKeysBackToHost = 3,
  // ptr: a VendorKeyTaker, filled in; answers 1.
  kVendorCallKeyTaker = 4,
  // A click of the host's own (on its keyboard) gives the keys back: the value box that has
  // them takes what was typed and loses the focus. ptr: any non-null pointer; answers 1.
  kVendorCallReleaseKeys = 5,
};

struct VendorKeyTaker {
  int32_t Taken = 0;      // 1 while a value box or list of the editor takes every key
  char Control[256] = {};  // the name of its control ("" when it has none), cut to fit
};

struct VendorPatchState {
  int32_t Modified = 0;  // 1 while the patch has changed since it was loaded or saved
  int32_t Channel = 0;   // the MIDI channel the instance listens on, 0 to 15
  char PatchFile[4096] = {};  // the patch file's name, "" when it has none, cut to fit
};

}  // namespace brelix
